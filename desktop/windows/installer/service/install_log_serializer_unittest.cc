#include "desktop/windows/installer/service/install_log_serializer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "testing/child_process.h"
#include "testing/run_together.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

// testdata/install_log_full.xml: every field set, both hives, every
// shortcut, components, text outside ASCII and characters that need
// escaping.
FilePath GoldenFile() {
  FilePath exe_dir;
  EXPECT_TRUE(base::PathService::Get(base::PathKey::ExeDirectory, &exe_dir));
  return exe_dir.Append(L"install_log_testdata\\install_log_full.xml");
}

std::string ReadText(const FilePath& path) {
  std::string text;
  EXPECT_TRUE(base::ReadFileToString(path, &text));
  return text;
}

// The record of the golden document.
InstallLog FullLog() {
  InstallLog log;
  EXPECT_TRUE(InstallLogSerializer().Load(&log, GoldenFile()));
  return log;
}

class InstallLogSerializerTest : public testing::Test {
 protected:
  FilePath file() const { return FilePath(folder_.path()).Append(L"log.xml"); }

  bool LoadText(const std::string& text, InstallLog* log) {
    EXPECT_TRUE(testing_support::WriteFileForTest(file().value(), text));
    return InstallLogSerializer().Load(log, file());
  }

  // The document a save makes of |log|. Every field is saved (the golden
  // document shows it), so two records that save alike hold the same data.
  std::string Saved(const InstallLog& log) {
    const FilePath saved = FilePath(folder_.path()).Append(L"saved.xml");
    EXPECT_TRUE(InstallLogSerializer().Save(log, saved));
    return ReadText(saved);
  }

  testing_support::ScopedTestFolder folder_;
};

// The golden document loads into the record it describes, which saves to
// the same bytes.
TEST_F(InstallLogSerializerTest, FullLogMatchesGoldenFileBothWays) {
  const InstallLog log = FullLog();
  // What a load and a save could get wrong alike: text outside ASCII,
  // entities, the two file lists, the order of values. (The lenient
  // document's test shows where each field goes.)
  EXPECT_EQ(L"Applicati\u00f3n", log.subfolder.value());
  EXPECT_EQ(3u, log.files.size());
  ASSERT_EQ(2u, log.hklm_keys.size());
  EXPECT_EQ("NoModify", log.hklm_keys[0].values[1].name);
  EXPECT_EQ("Widevine & <CDM>", log.components.at(0).first);
  // Characters XML cannot carry are dropped and counted; tab, line feed
  // and carriage return (in the golden document) are kept.
  InstallLog dirty = log;
  dirty.app_id = std::string("\1\37\0", 3) + dirty.app_id;
  dirty.hkcu_keys[0].values[0].data += "\xEF\xBF\xBF";  // U+FFFF
  dirty.files[0] = FilePath(L"\x0B" + dirty.files[0].value());
  dirty.files[1] = FilePath(dirty.files[1].value() + L"\xFFFE");
  dirty.components[0].first += "\xEF\xBF\xBE";  // U+FFFE
  InstallLogSerializer saver;
  ASSERT_TRUE(saver.Save(dirty, file()));
  EXPECT_EQ(ReadText(GoldenFile()), ReadText(file()));
  EXPECT_EQ(7u, saver.dropped_characters());
}

// Every rule of the reading steps, broken in turn in a valid document, and
// every truncation of the golden document (which holds the documents that
// are not well-formed): each is refused and leaves the record as it was.
TEST_F(InstallLogSerializerTest, LoadRefusesBrokenDocuments) {
  const std::string valid =
      "<install_log version=\"1\" copy_only=\"False\" all_users=\"True\" "
      "pinned=\"False\"><path/><files><file>a</file></files>"
      "<registry hive=\"HKLM\"><key path=\"k\" clean=\"0\">"
      "<value name=\"v\" type=\"REG_SZ\"/></key></registry>"
      "<shortcut type=\"SC_DEST_MENU\">s</shortcut><components><component>"
      "<name>n</name><path>p</path></component></components></install_log>";
  const std::string files = "<files><file>a</file></files>";
  // Each case replaces every |find| in |valid| with |replace|.
  const struct {
    const char* rule;
    std::string find;
    std::string replace;
  } kCases[] = {
      {"wrong root", "install_log", "log"},
      // Names and the values that select a field are compared exactly.
      {"root in another case", "install_log", "Install_Log"},
      {"hive in lower case", "HKLM", "hklm"},
      {"other hive in lower case", "HKLM", "hkcu"},
      {"two roots", "</install_log>", "</install_log><install_log/>"},
      {"two whole roots", "</install_log>", "</install_log>" + valid},
      {"text beside the root", "</install_log>", "</install_log>junk"},
      {"missing version", "version=\"1\" ", ""},
      {"missing pinned", " pinned=\"False\"", ""},
      {"last_band_check with letters", "pinned=\"False\"",
       "pinned=\"False\" last_band_check=\"12ab\""},
      {"files before path", "<path/>" + files, files + "<path/>"},
      {"no files", files, ""},
      {"empty files", files, "<files/>"},
      {"files holding another element", "<file>a</file>", "<dir/>"},
      {"empty root_files", "</files>", "</files><root_files/>"},
      {"unknown element", "</files>", "</files><extra/>"},
      {"root_files after registry", "</registry>",
       "</registry><root_files><file>b</file></root_files>"},
      {"bad hive", "HKLM", "HKCR"},
      {"empty registry",
       "<key path=\"k\" clean=\"0\"><value name=\"v\" type=\"REG_SZ\"/></key>",
       ""},
      {"clean not a number", "clean=\"0\"", "clean=\"x\""},
      {"clean beyond 32 bits", "clean=\"0\"", "clean=\"2147483648\""},
      {"key without path", "path=\"k\" ", ""},
      {"value without type", " type=\"REG_SZ\"", ""},
      {"value without name", "name=\"v\" ", ""},
      {"unknown shortcut type", "SC_DEST_MENU", "SC_DEST_STARTUP"},
      {"desktop type in lower case", "SC_DEST_MENU", "sc_dest_desktop"},
      {"common desktop type in lower case", "SC_DEST_MENU",
       "sc_dest_common_desktop"},
      {"menu type in lower case", "SC_DEST_MENU", "sc_dest_menu"},
      {"common menu type in lower case", "SC_DEST_MENU",
       "sc_dest_common_menu"},
      {"quick launch type in lower case", "SC_DEST_MENU",
       "sc_dest_quick_launch"},
      {"registry after shortcut", "<registry",
       "<shortcut type=\"SC_DEST_MENU\">s</shortcut><registry"},
      {"empty components",
       "<component><name>n</name><path>p</path></component>", ""},
      {"component without name", "<name>n</name>", ""},
      {"component without path", "<path>p</path>", ""},
      {"element after components", "</components>", "</components>" + files},
  };
  InstallLog loaded;
  ASSERT_TRUE(LoadText(valid, &loaded));
  const std::string before = Saved(FullLog());
  for (const auto& test_case : kCases) {
    SCOPED_TRACE(test_case.rule);
    std::string document = valid;
    ASSERT_NE(std::string::npos, document.find(test_case.find));
    base::ReplaceSubstringsAfterOffset(&document, 0, test_case.find,
                                       test_case.replace, true);
    InstallLog log = FullLog();
    EXPECT_FALSE(LoadText(document, &log));
    EXPECT_EQ(before, Saved(log));
  }
  InstallLog missing;
  EXPECT_FALSE(
      InstallLogSerializer().Load(&missing, file().Append(L"none.xml")));

  // Only the prefixes that hold the whole root element load.
  const std::string golden = ReadText(GoldenFile());
  const size_t root_end = golden.rfind('>') + 1;
  for (size_t length = 0; length < golden.size(); ++length) {
    InstallLog log;
    EXPECT_EQ(length >= root_end, LoadText(golden.substr(0, length), &log))
        << "prefix of " << length << " bytes";
  }
}

// What the reading steps accept besides the written form, in one document.
// The lists are emptied first, components appended, fields the document
// sets overwritten and the others kept.
TEST_F(InstallLogSerializerTest, LoadAcceptsTheLenientForms) {
  InstallLog log;
  log.version = "0";
  log.app_id = "kept";
  log.files = {FilePath(L"stale")};
  log.root_files = {FilePath(L"stale")};
  log.hklm_keys = {{0, "stale", {}}};
  log.hkcu_keys = {{0, "stale", {}}};
  log.components = {{"kept", FilePath(L"C:\\kept")}};
  log.last_band_check = base::Time();
  const base::Time before = base::Time::Now();
  ASSERT_TRUE(LoadText(
      "<?xml version=\"1.0\"?>\n<!-- note -->"
      "<install_log version=\"2\" copy_only=\"true\" all_users=\"1\" "
      "pinned=\"True\">"
      "<path subfolder=\" \tsub\xE3\x80\x80\">\n  C:\\A B<!-- x -->\\ C </path>"
      "<files><file>\r\n\tf</file></files>"
      "<registry hive=\"HKCU\"><key path=\"a\" clean=\"-1\"/></registry>"
      "<?pi ignored?>"
      "<registry hive=\"HKCU\"><key path=\"b\" clean=\"+2\">"
      "<value name=\"v\" type=\"REG_BINARY\"> \n 61,<![CDATA[62]]>\n "
      "</value></key></registry>"
      "<shortcut type=\"SC_DEST_MENU\">\n menu </shortcut>"
      "<shortcut type=\"SC_DEST_DESKTOP\">first</shortcut>"
      "<shortcut type=\"SC_DEST_COMMON_DESKTOP\">second</shortcut>"
      "<components><component><name> n "
      "</name><path> p\t</path><extra/></component>"
      "<component><name>  </name><path>q</path></component>"
      "</components></install_log>",
      &log));
  EXPECT_LE(before.ToInternalValue(), log.last_band_check.ToInternalValue());
  InstallLog expected;
  expected.version = "2";
  // Only "True" is true: copy_only stays false, all_users becomes false.
  expected.all_users = false;
  expected.pinned = true;
  expected.app_id = "kept";
  expected.last_band_check = log.last_band_check;
  expected.subfolder = FilePath(L"sub");
  expected.path = FilePath(L"C:\\A B\\ C");
  expected.files = {FilePath(L"f")};
  expected.hkcu_keys = {{-1, "a", {}},
                        {2, "b", {{"REG_BINARY", "v", "61,62"}}}};
  expected.desktop_shortcut = FilePath(L"second");
  expected.start_menu_shortcut = FilePath(L"menu");
  // Names are not trimmed, even one of blanks alone.
  expected.components = {{"kept", FilePath(L"C:\\kept")},
                         {" n ", FilePath(L"p")},
                         {"  ", FilePath(L"q")}};
  const std::string saved = Saved(log);
  EXPECT_EQ(Saved(expected), saved);
  // Installed for one user, the desktop and menu shortcuts keep their
  // per-user names.
  EXPECT_NE(std::string::npos, saved.find("type=\"SC_DEST_DESKTOP\""));
  EXPECT_NE(std::string::npos, saved.find("type=\"SC_DEST_MENU\""));
}

// Every attribute and the file list are written even when empty, as a log
// always lists what it installed; the reader then refuses the document. The
// other lists are left out when empty.
TEST_F(InstallLogSerializerTest, EmptyFileListIsWrittenAndRefused) {
  InstallLog log;
  log.path = FilePath(L"C:\\Velto");
  log.last_band_check = base::Time();
  ASSERT_TRUE(InstallLogSerializer().Save(log, file()));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n"
      "<install_log version=\"\" copy_only=\"False\" all_users=\"True\" "
      "pinned=\"False\" app_id=\"\" last_band_check=\"0\">\n"
      " <path subfolder=\"\">C:\\Velto</path>\n"
      " <files />\n"
      "</install_log>\n",
      ReadText(file()));
  InstallLog loaded;
  EXPECT_FALSE(InstallLogSerializer().Load(&loaded, file()));
}

TEST_F(InstallLogSerializerTest, SaveWritesWholeLogOrNothing) {
  InstallLog previous = FullLog();
  previous.files.resize(1);
  ASSERT_TRUE(InstallLogSerializer().Save(previous, file()));
  const std::string previous_text = ReadText(file());
  auto names = [this] {
    std::vector<std::wstring> names;
    base::FileEnumerator enumerator(FilePath(folder_.path()),
                                    base::FileEnumerator::FILES);
    for (FilePath path = enumerator.Next(); !path.empty();
         path = enumerator.Next())
      names.push_back(path.BaseName().value());
    return names;
  };

  // Each step of a save as it fails on a full disk or in a crash; a write
  // gets half its bytes out first, and reports that as an error or, as a
  // short write, as success.
  internal::SaveFunctions failing[5];
  failing[0].create_replacement = [](const FilePath&, base::ReplacementFile*) {
    return false;
  };
  failing[1].write_file = [](HANDLE file, const void* data, DWORD size,
                             DWORD* written, OVERLAPPED* overlapped) -> BOOL {
    ::WriteFile(file, data, size / 2, written, overlapped);
    return FALSE;
  };
  failing[2].write_file = [](HANDLE file, const void* data, DWORD size,
                             DWORD* written, OVERLAPPED* overlapped) -> BOOL {
    return ::WriteFile(file, data, size / 2, written, overlapped);
  };
  failing[3].flush_file_buffers = [](HANDLE) -> BOOL { return FALSE; };
  failing[4].replace_target = [](base::ReplacementFile*) { return false; };
  for (const internal::SaveFunctions& functions : failing) {
    internal::ScopedSaveFunctionsForTesting fail(functions);
    EXPECT_FALSE(InstallLogSerializer().Save(FullLog(), file()))
        << "step " << &functions - failing;
  }
  // Texts that cannot be converted: nothing is written either.
  InstallLog bad_utf8 = FullLog();
  bad_utf8.version = "1.\xC0\xAF";
  EXPECT_FALSE(InstallLogSerializer().Save(bad_utf8, file()));
  InstallLog lone_surrogate = FullLog();
  lone_surrogate.files.push_back(FilePath(std::wstring(L"C:\\a") + L'\xD800'));
  EXPECT_FALSE(InstallLogSerializer().Save(lone_surrogate, file()));

  EXPECT_EQ(previous_text, ReadText(file()));
  EXPECT_EQ(std::vector<std::wstring>{L"log.xml"}, names())
      << "a temporary file was left behind";

  // A swap that loses the old log half-way leaves the new one beside it. It
  // is then the only log there is, and stays while no log stands in its
  // place: through a next save that fails too (a full disk), and one that
  // succeeds; the save after that clears it away. (When base::ReplaceFile
  // loses a target is for the important-file writer's tests to show.)
  internal::SaveFunctions losing;
  // As base::ReplacementFile::ReplaceTarget leaves such a swap.
  losing.replace_target = [](base::ReplacementFile* replacement) {
    base::DeleteFileOrTree(replacement->target(), false);
    replacement->Keep();
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return false;
  };
  {
    internal::ScopedSaveFunctionsForTesting lose(losing);
    EXPECT_FALSE(InstallLogSerializer().Save(FullLog(), file()));
  }
  std::vector<std::wstring> left = names();
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ(0u, left[0].find(L"log.xml.")) << left[0];
  const FilePath kept = FilePath(folder_.path()).Append(left[0]);
  EXPECT_EQ(ReadText(GoldenFile()), ReadText(kept));
  {
    internal::ScopedSaveFunctionsForTesting full_disk(failing[1]);
    EXPECT_FALSE(InstallLogSerializer().Save(previous, file()));
  }
  EXPECT_EQ(left, names());
  EXPECT_EQ(ReadText(GoldenFile()), ReadText(kept));
  ASSERT_TRUE(InstallLogSerializer().Save(previous, file()));
  EXPECT_EQ(previous_text, ReadText(file()));
  EXPECT_EQ(ReadText(GoldenFile()), ReadText(kept));
  ASSERT_TRUE(InstallLogSerializer().Save(FullLog(), file()));
  EXPECT_EQ(std::vector<std::wstring>{L"log.xml"}, names());
}

// Two savers of one log, one of them spelling its name in capitals, lose no
// save to each other: neither deletes the other's temporary file while it
// is written, and the log ends whole.
TEST_F(InstallLogSerializerTest, ConcurrentSavesLoseNothing) {
  InstallLog log = FullLog();
  ASSERT_TRUE(InstallLogSerializer().Save(log, file()));
  const FilePath paths[] = {file(),
                            FilePath(folder_.path()).Append(L"LOG.XML")};
  int failures[2] = {0, 0};
  testing_support::RunOnThreadsTogether(2, [&](int saver) {
    for (int i = 0; i < 100; ++i) {
      if (!InstallLogSerializer().Save(log, paths[saver])) ++failures[saver];
    }
  });
  EXPECT_EQ(0, failures[0]);
  EXPECT_EQ(0, failures[1]);
  EXPECT_EQ(ReadText(GoldenFile()), ReadText(file()));
}

// Another process reads the log throughout 300 saves and never finds it
// missing or cut short; while it holds the file open, a save only waits.
TEST_F(InstallLogSerializerTest, ReaderNeverFindsTheLogMissingWhileSaving) {
  InstallLog log = FullLog();
  ASSERT_TRUE(InstallLogSerializer().Save(log, file()));
  const std::wstring events =
      L"Local\\install_log_reader_" + std::to_wstring(::GetCurrentProcessId());
  base::ScopedHandle ready(
      ::CreateEventW(nullptr, TRUE, FALSE, (events + L"_ready").c_str()));
  base::ScopedHandle stop(
      ::CreateEventW(nullptr, TRUE, FALSE, (events + L"_stop").c_str()));
  ASSERT_TRUE(ready.IsValid() && stop.IsValid());
  testing_support::ChildResult reader;
  std::thread reading([&] {
    reader = testing_support::RunChildProcess(
        L"\"" + testing_support::SelfFolder() +
        L"\\install_log_reader_child.exe\" \"" + file().value() + L"\" " +
        events + L"_ready " + events + L"_stop");
  });
  const bool reading_started =
      ::WaitForSingleObject(ready.Get(), 30000) == WAIT_OBJECT_0;
  int saved = 0;
  for (int i = 0; reading_started && i < 300; ++i) {
    log.version = std::to_string(i);
    log.files.resize(1 + i % 3);  // lengths that differ
    saved += InstallLogSerializer().Save(log, file());
  }
  ::SetEvent(stop.Get());
  reading.join();
  ASSERT_TRUE(reading_started) << reader.output;
  EXPECT_EQ(0u, reader.exit_code) << reader.output;
  EXPECT_EQ(300, saved);
}

}  // namespace
}  // namespace installer
