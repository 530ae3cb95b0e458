// A file or folder path: one UTF-16 string handled with the Windows path
// rules. FilePath does no input or output; every operation is string work
// (only CompareIgnoreCase asks the system to upper-case characters).
//
// Both "\\" and "/" separate components; "\\" is the one this class writes.
// Operations keep the separators they find, so "C:/a" stays "C:/a" until
// NormalizePathSeparators(). Every constructor and every operation that
// builds a new value cuts the text at its first NUL, so a value never holds a
// NUL. Building operations return a new path and leave this one unchanged.
//
//   FilePath dir(L"C:\\Program Files\\Velto");
//   FilePath prefs = dir.Append(L"installer_prefs.json");
//   prefs.Extension();           // L".json"
//   prefs.DirName() == dir;      // true
//   dir.IsParent(prefs);         // true
//
// Registry key paths use the same operations (parent key = DirName, subkey =
// Append). A FilePath is a plain value: copy it freely, share it read-only.
#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <stddef.h>

#include <string>
#include <vector>

#include "base/strings/string_piece.h"

namespace base {

class FilePath {
 public:
  typedef std::wstring StringType;
  typedef wchar_t CharType;

  // Every character that separates components; kSeparators[0] is the one
  // this class writes.
  static const CharType kSeparators[];
  static const size_t kSeparatorsLength;
  static const CharType kCurrentDirectory[];  // L"."
  static const CharType kParentDirectory[];   // L".."
  static const CharType kExtensionSeparator;  // L'.'

  FilePath();
  FilePath(const FilePath& that);
  // |path| up to its first NUL.
  explicit FilePath(StringPiece16 path);
  ~FilePath();
  FilePath& operator=(const FilePath& that);

  // Drive letters compare without regard to ASCII case ("c:\\a" == "C:\\a");
  // everything else compares exactly.
  bool operator==(const FilePath& that) const;
  bool operator!=(const FilePath& that) const;

  const StringType& value() const { return path_; }
  bool empty() const { return path_.empty(); }
  void clear() { path_.clear(); }

  static bool IsSeparator(CharType character);

  // The components from the root down: "C:/a/b" gives "C:", "/", "a", "b";
  // "//srv/share" gives "//", "srv", "share"; "a/b" gives "a", "b".
  void GetComponents(std::vector<StringType>* components) const;

  // True when |child| lies below this path (never for the path itself).
  // Only a drive letter compares without regard to case.
  bool IsParent(const FilePath& child) const;

  // When this path is a parent of |child|, appends the components of |child|
  // below it to |*path| (if |path| is not null). "C:/a" and "C:/a/b/c" append
  // "b\\c". Returns whether this path is a parent of |child|.
  bool AppendRelativePath(const FilePath& child, FilePath* path) const;

  // The folder holding this path: "C:/a/b" gives "C:/a", "C:/a" gives "C:/",
  // "C:a" gives "C:", "//srv" gives "//", and a bare name gives ".".
  FilePath DirName() const;

  // The last component: "C:/a/b/" gives "b", "C:/" gives "/", "C:" gives "".
  FilePath BaseName() const;

  // The extension of the base name with its dot: ".txt", or ".tar.gz" for
  // the double extensions; empty when there is none.
  StringType Extension() const;

  // This path without Extension(); unchanged when there is none.
  FilePath RemoveExtension() const;

  // "a.txt" with suffix "_1" gives "a_1.txt". An empty |suffix| gives this
  // path; a base name that is empty, ".", ".." or a root gives the empty path.
  FilePath InsertBeforeExtension(StringPiece16 suffix) const;
  FilePath InsertBeforeExtensionASCII(StringPiece suffix) const;

  // Adds |extension| (with or without its dot) after the existing one:
  // "a" or "a." with "txt" gives "a.txt". An empty extension or "." gives
  // this path; a special base name (as above) gives the empty path.
  FilePath AddExtension(StringPiece16 extension) const;

  // Replaces the extension: "a.tar.gz" with "zip" gives "a.zip"; an empty
  // extension or "." removes it. A special base name gives the empty path.
  FilePath ReplaceExtension(StringPiece16 extension) const;

  // Adds |component| after one backslash. Trailing separators of this path
  // are dropped first; "." plus "x" gives "x"; a bare drive "C:" plus "x"
  // gives the drive-relative "C:x". An empty component gives this path
  // without its trailing separators.
  FilePath Append(StringPiece16 component) const;
  FilePath AppendPath(const FilePath& component) const;
  // |component| is ASCII, widened character by character.
  FilePath AppendASCII(StringPiece component) const;

  // "C:\\..." and "\\\\server\\..." are absolute; "C:a", "\\a" and "a" are not.
  bool IsAbsolute() const;

  // Drops trailing separators, keeping a root ("C:\\", "\\") and a leading
  // pair of separators ("\\\\") whole.
  FilePath StripTrailingSeparators() const;

  // True when some component is ".." (also padded with dots or whitespace,
  // which Windows ignores), so the path may climb out of its folder.
  bool ReferencesParent() const;

  std::string AsUTF8Unsafe() const;
  // The value narrowed when it is all ASCII; otherwise the empty string.
  std::string MaybeAsASCII() const;
  static FilePath FromUTF8Unsafe(StringPiece utf8);
  static FilePath FromUTF16Unsafe(StringPiece16 utf16);

  // Every "/" becomes "\\".
  FilePath NormalizePathSeparators() const;

  // Compares one UTF-16 unit at a time after upper-casing each with the
  // system's rules (CharUpperW). Returns -1, 0 or 1; a prefix sorts first.
  static int CompareIgnoreCase(StringPiece16 string1, StringPiece16 string2);

 private:
  void StripTrailingSeparatorsInternal();

  StringType path_;
};

}  // namespace base

#endif  // BASE_FILES_FILE_PATH_H_
