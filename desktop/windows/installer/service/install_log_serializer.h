// Reads and writes an InstallLog as the XML document "installation_status.xml":
//
//   <?xml version="1.0"?>
//   <install_log version="1.2.3.4" copy_only="False" all_users="True" ...>
//    <path subfolder="Application">C:\Program Files\Velto</path>
//    <files>
//     <file>C:\Program Files\Velto\velto.exe</file>
//    </files>
//    <registry hive="HKLM">
//     <key path="Software\Velto" clean="1">
//      <value name="pv" type="REG_SZ">1.2.3.4</value>
//   ...
//
// Load is strict about the order and content of the elements (path, files,
// optional root_files, any registry, any shortcut, optional components) and
// refuses a document that breaks a rule; Save writes the whole file or leaves
// the previous one untouched.
//
//   InstallLog log;
//   if (!InstallLogSerializer().Load(&log, folder.Append(kInstallLogFileName)))
//     return false;  // Not an installation we can account for.
//
// One serializer serves one Load or one Save, on one thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_

#include <stddef.h>

#include <pugixml.hpp>

#include "base/files/file_path.h"
#include "base/files/replacement_file.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/install_log.h"

namespace installer {

class InstallLogSerializer {
 public:
  InstallLogSerializer();
  ~InstallLogSerializer();
  InstallLogSerializer(const InstallLogSerializer&) = delete;
  InstallLogSerializer& operator=(const InstallLogSerializer&) = delete;

  // Empties |log|'s files, root_files, hklm_keys and hkcu_keys, then reads
  // |file| into it. The components read are appended to those |log| holds;
  // every other field keeps its value unless the document sets it. False,
  // without a message and with |log| unchanged, for a missing or malformed
  // file or a document that breaks a rule.
  bool Load(InstallLog* log, const base::FilePath& file);

  // Writes |log| to |file| through a temporary file in the same folder that
  // is swapped in with one rename, so that |file| holds either its previous
  // content or the whole new document, also for a reader meanwhile. False
  // when a text is not valid UTF-8 (or a path not valid UTF-16) or when
  // writing fails; |file| is then untouched, unless the swap lost it
  // half-way: the new document then stays in the temporary file
  // ("<file>.<8 hex digits>.tmp", a base::ReplacementFile) that the log
  // names, and is not swept away while |file| is missing. Characters that XML
  // cannot carry (control characters other than tab, line feed and carriage
  // return; U+FFFE and U+FFFF) are dropped and counted in
  // dropped_characters().
  bool Save(const InstallLog& log, const base::FilePath& file);

  // The number of characters the last Save dropped.
  size_t dropped_characters() const { return dropped_characters_; }

 private:
  bool Read(InstallLog* log);

  pugi::xml_document document_;
  size_t dropped_characters_ = 0;
};

namespace internal {

// The calls Save makes to put the file in place, in the order it makes them;
// a table starts out with the real ones.
struct SaveFunctions {
  bool (*create_replacement)(const base::FilePath& target,
                             base::ReplacementFile* file) =
      [](const base::FilePath& target, base::ReplacementFile* file) {
        return file->Create(target);
      };
  decltype(&::WriteFile) write_file = &::WriteFile;
  decltype(&::FlushFileBuffers) flush_file_buffers = &::FlushFileBuffers;
  bool (*replace_target)(base::ReplacementFile* file) =
      [](base::ReplacementFile* file) { return file->ReplaceTarget(); };
};

// For tests only: routes the calls above through |functions| for the
// scope's life, standing in for a full disk or a crash at any step. Scopes
// nest; they must not overlap across threads.
class ScopedSaveFunctionsForTesting {
 public:
  explicit ScopedSaveFunctionsForTesting(const SaveFunctions& functions);
  ~ScopedSaveFunctionsForTesting();
  ScopedSaveFunctionsForTesting(const ScopedSaveFunctionsForTesting&) = delete;
  ScopedSaveFunctionsForTesting& operator=(
      const ScopedSaveFunctionsForTesting&) = delete;

 private:
  SaveFunctions functions_;
  const SaveFunctions* previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_SERIALIZER_H_
