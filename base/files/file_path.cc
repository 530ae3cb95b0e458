#include "base/files/file_path.h"

#include <algorithm>
#include <mutex>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"

namespace base {

typedef FilePath::StringType StringType;
typedef FilePath::CharType CharType;

const CharType FilePath::kSeparators[] = L"\\/";
const size_t FilePath::kSeparatorsLength =
    sizeof(kSeparators) / sizeof(CharType) - 1;
const CharType FilePath::kCurrentDirectory[] = L".";
const CharType FilePath::kParentDirectory[] = L"..";
const CharType FilePath::kExtensionSeparator = L'.';

namespace {

const CharType kCommonDoubleExtension[] = L"user.js";
const char* const kCommonDoubleExtensionSuffixes[] = {"gz", "z", "bz2", "bz"};
// The middle part of "name.tar.gz" may be this long at most.
const size_t kMaxDoubleExtensionMiddle = 4;

StringType CutAtNul(StringPiece16 text) {
  size_t nul = text.find(L'\0');
  return StringType(text.data(),
                    nul == StringPiece16::npos ? text.size() : nul);
}

bool IsAsciiLetter(CharType c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

CharType ToLowerAscii(CharType c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<CharType>(c + (L'a' - L'A'))
                                  : c;
}

bool EqualsIgnoreAsciiCase(StringPiece16 a, StringPiece16 b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
  }
  return true;
}

bool EqualsIgnoreAsciiCase(StringPiece16 a, StringPiece b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerAscii(a[i]) != ToLowerAscii(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Index of the ":" of a leading drive letter ("C:"), or npos.
size_t FindDriveLetter(StringPiece16 path) {
  if (path.size() >= 2 && path[1] == L':' && IsAsciiLetter(path[0])) return 1;
  return StringType::npos;
}

bool HasDriveLetter(StringPiece16 path) {
  return FindDriveLetter(path) != StringType::npos;
}

bool EqualDriveLetterCaseInsensitive(StringPiece16 a, StringPiece16 b) {
  if (!HasDriveLetter(a) || !HasDriveLetter(b)) return a == b;
  if (!EqualsIgnoreAsciiCase(a.substr(0, 2), b.substr(0, 2))) return false;
  return a.substr(2) == b.substr(2);
}

bool AreAllSeparators(const StringType& text) {
  return !text.empty() &&
         text.find_first_not_of(FilePath::kSeparators) == StringType::npos;
}

// A base name the extension operations refuse: empty, ".", "..", or a root
// made only of separators (so "C:/" never turns into "C:/.txt").
bool IsEmptyOrSpecialCase(const StringType& base_name) {
  return base_name.empty() || base_name == FilePath::kCurrentDirectory ||
         base_name == FilePath::kParentDirectory || AreAllSeparators(base_name);
}

// Where the extension of |path| starts (its dot), or npos.
size_t ExtensionSeparatorPosition(const StringType& path) {
  if (path == FilePath::kCurrentDirectory || path == FilePath::kParentDirectory)
    return StringType::npos;

  const size_t last_dot = path.rfind(FilePath::kExtensionSeparator);
  if (last_dot == StringType::npos || last_dot == 0) return last_dot;

  const size_t penultimate_dot =
      path.rfind(FilePath::kExtensionSeparator, last_dot - 1);
  const size_t last_separator = path.find_last_of(FilePath::kSeparators);
  if (penultimate_dot == StringType::npos ||
      (last_separator != StringType::npos &&
       penultimate_dot < last_separator)) {
    return last_dot;
  }

  if (EqualsIgnoreAsciiCase(StringPiece16(path).substr(penultimate_dot + 1),
                            kCommonDoubleExtension)) {
    return penultimate_dot;
  }

  const StringPiece16 last_extension = StringPiece16(path).substr(last_dot + 1);
  for (const char* suffix : kCommonDoubleExtensionSuffixes) {
    if (EqualsIgnoreAsciiCase(last_extension, suffix)) {
      const size_t middle_length = last_dot - penultimate_dot - 1;
      if (middle_length >= 1 && middle_length <= kMaxDoubleExtensionMiddle)
        return penultimate_dot;
    }
  }
  return last_dot;
}

StringType WidenAscii(StringPiece text) {
  StringType wide;
  wide.reserve(text.size());
  for (char c : text) wide.push_back(static_cast<unsigned char>(c));
  return wide;
}

typedef LPWSTR(WINAPI* CharUpperFunction)(LPWSTR);

// Taken from user32 at run time rather than imported, so that path handling
// alone does not tie a module to user32. A process that has not loaded user32
// yet gets it loaded here once and kept, instead of stopping.
CharUpperFunction GetCharUpper() {
  static CharUpperFunction char_upper = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) {
      user32 = ::LoadLibraryExW(L"user32.dll", nullptr,
                                LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (user32) {
      char_upper = reinterpret_cast<CharUpperFunction>(
          reinterpret_cast<void*>(::GetProcAddress(user32, "CharUpperW")));
    }
  });
  CHECK(char_upper) << "CharUpperW not found in user32.dll";
  return char_upper;
}

CharType UpperCase(CharUpperFunction char_upper, CharType c) {
  // With the high word zero, CharUpperW converts the one character held in
  // the low word and returns it the same way.
  ULONG_PTR value = reinterpret_cast<ULONG_PTR>(
      char_upper(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c))));
  return static_cast<CharType>(value & 0xFFFF);
}

}  // namespace

FilePath::FilePath() = default;

FilePath::FilePath(const FilePath& that) = default;

FilePath::FilePath(StringPiece16 path) : path_(CutAtNul(path)) {}

FilePath::~FilePath() = default;

FilePath& FilePath::operator=(const FilePath& that) {
  if (this != &that) path_ = that.path_;
  return *this;
}

bool FilePath::operator==(const FilePath& that) const {
  return EqualDriveLetterCaseInsensitive(path_, that.path_);
}

bool FilePath::operator!=(const FilePath& that) const {
  return !(*this == that);
}

// static
bool FilePath::IsSeparator(CharType character) {
  return character == L'\\' || character == L'/';
}

void FilePath::GetComponents(std::vector<StringType>* components) const {
  components->clear();
  if (empty()) return;

  std::vector<StringType> reversed;
  FilePath current = *this;
  for (FilePath parent = current.DirName(); parent != current;
       parent = current.DirName()) {
    StringType base = current.BaseName().value();
    if (!AreAllSeparators(base)) reversed.push_back(base);
    current = parent;
  }

  // What remains is a root ("\\", "\\\\", "C:\\"), a bare drive or ".".
  StringType root = current.BaseName().value();
  if (!root.empty() && root != kCurrentDirectory) reversed.push_back(root);
  const StringType top = current.DirName().value();
  if (HasDriveLetter(top)) reversed.push_back(top.substr(0, 2));

  components->assign(reversed.rbegin(), reversed.rend());
}

bool FilePath::IsParent(const FilePath& child) const {
  return AppendRelativePath(child, nullptr);
}

bool FilePath::AppendRelativePath(const FilePath& child, FilePath* path) const {
  std::vector<StringType> parent_components;
  std::vector<StringType> child_components;
  GetComponents(&parent_components);
  child.GetComponents(&child_components);

  // The empty path is nobody's parent: a caller checking containment in a
  // folder it failed to find must not match everything.
  if (parent_components.empty() ||
      parent_components.size() >= child_components.size()) {
    return false;
  }

  size_t index = 0;
  if (EqualDriveLetterCaseInsensitive(parent_components[0],
                                      child_components[0])) {
    index = 1;
  }
  for (; index < parent_components.size(); ++index) {
    if (parent_components[index] != child_components[index]) return false;
  }

  if (path) {
    for (; index < child_components.size(); ++index)
      *path = path->Append(child_components[index]);
  }
  return true;
}

FilePath FilePath::DirName() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();

  StringType& text = new_path.path_;
  const size_t prefix = HasDriveLetter(text) ? 2 : 0;
  const size_t last_separator = text.find_last_of(kSeparators);
  if (last_separator == StringType::npos) {
    text.resize(prefix);  // "C:a" gives "C:", "a" gives "".
  } else if (last_separator == prefix) {
    text.resize(prefix + 1);  // The root.
  } else if (last_separator == prefix + 1 && IsSeparator(text[prefix])) {
    text.resize(prefix + 2);  // A leading pair of separators.
  } else {
    text.resize(last_separator);
  }

  new_path.StripTrailingSeparatorsInternal();
  if (text.empty()) text = kCurrentDirectory;
  return new_path;
}

FilePath FilePath::BaseName() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();

  StringType& text = new_path.path_;
  if (HasDriveLetter(text)) text.erase(0, 2);

  const size_t last_separator = text.find_last_of(kSeparators);
  if (last_separator != StringType::npos && last_separator < text.size() - 1)
    text.erase(0, last_separator + 1);
  return new_path;
}

StringType FilePath::Extension() const {
  const StringType base = BaseName().value();
  const size_t dot = ExtensionSeparatorPosition(base);
  if (dot == StringType::npos) return StringType();
  return base.substr(dot);
}

FilePath FilePath::RemoveExtension() const {
  if (Extension().empty()) return *this;
  const size_t dot = ExtensionSeparatorPosition(path_);
  if (dot == StringType::npos) return *this;
  return FilePath(StringPiece16(path_).substr(0, dot));
}

FilePath FilePath::InsertBeforeExtension(StringPiece16 suffix) const {
  const StringType cut_suffix = CutAtNul(suffix);
  if (cut_suffix.empty()) return *this;
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();

  StringType result = RemoveExtension().value();
  result.append(cut_suffix);
  result.append(Extension());
  return FilePath(result);
}

FilePath FilePath::InsertBeforeExtensionASCII(StringPiece suffix) const {
  return InsertBeforeExtension(WidenAscii(suffix));
}

FilePath FilePath::AddExtension(StringPiece16 extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();

  const StringType cut_extension = CutAtNul(extension);
  if (cut_extension.empty() || cut_extension == kCurrentDirectory) return *this;

  StringType result = path_;
  if (cut_extension[0] != kExtensionSeparator &&
      (result.empty() || result.back() != kExtensionSeparator)) {
    result.push_back(kExtensionSeparator);
  }
  result.append(cut_extension);
  return FilePath(result);
}

FilePath FilePath::ReplaceExtension(StringPiece16 extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();

  FilePath no_extension = RemoveExtension();
  const StringType cut_extension = CutAtNul(extension);
  if (cut_extension.empty() || cut_extension == kCurrentDirectory)
    return no_extension;

  StringType result = no_extension.value();
  if (cut_extension[0] != kExtensionSeparator)
    result.push_back(kExtensionSeparator);
  result.append(cut_extension);
  return FilePath(result);
}

FilePath FilePath::Append(StringPiece16 component) const {
  const StringType cut_component = CutAtNul(component);
  if (path_ == kCurrentDirectory) return FilePath(cut_component);

  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  StringType& text = new_path.path_;
  if (!cut_component.empty()) {
    const bool bare_drive = text.size() == 2 && HasDriveLetter(text);
    if (!text.empty() && !IsSeparator(text.back()) && !bare_drive)
      text.push_back(kSeparators[0]);
    text.append(cut_component);
  }
  return new_path;
}

FilePath FilePath::AppendPath(const FilePath& component) const {
  return Append(component.value());
}

FilePath FilePath::AppendASCII(StringPiece component) const {
  return Append(WidenAscii(component));
}

bool FilePath::IsAbsolute() const {
  if (HasDriveLetter(path_)) return path_.size() > 2 && IsSeparator(path_[2]);
  return path_.size() > 1 && IsSeparator(path_[0]) && IsSeparator(path_[1]);
}

FilePath FilePath::StripTrailingSeparators() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  return new_path;
}

bool FilePath::ReferencesParent() const {
  if (path_.find(kParentDirectory) == StringType::npos) return false;

  // Windows drops trailing dots and whitespace from a component, so ". .."
  // climbs just like "..".
  std::vector<StringType> components;
  GetComponents(&components);
  for (const StringType& component : components) {
    if (component.find_first_not_of(L". \n\r\t") == StringType::npos &&
        component.find(kParentDirectory) != StringType::npos) {
      return true;
    }
  }
  return false;
}

std::string FilePath::AsUTF8Unsafe() const { return WideToUTF8(path_); }

std::string FilePath::MaybeAsASCII() const {
  if (!IsWideStringASCII(path_)) return std::string();
  return WideToASCII(path_);
}

// static
FilePath FilePath::FromUTF8Unsafe(StringPiece utf8) {
  return FilePath(UTF8ToWide(utf8));
}

// static
FilePath FilePath::FromUTF16Unsafe(StringPiece16 utf16) {
  return FilePath(utf16);
}

FilePath FilePath::NormalizePathSeparators() const {
  StringType result = path_;
  std::replace(result.begin(), result.end(), L'/', kSeparators[0]);
  return FilePath(result);
}

// static
int FilePath::CompareIgnoreCase(StringPiece16 string1, StringPiece16 string2) {
  CharUpperFunction char_upper = GetCharUpper();
  const size_t common = std::min(string1.size(), string2.size());
  for (size_t i = 0; i < common; ++i) {
    const CharType c1 = UpperCase(char_upper, string1[i]);
    const CharType c2 = UpperCase(char_upper, string2[i]);
    if (c1 < c2) return -1;
    if (c1 > c2) return 1;
  }
  if (string1.size() < string2.size()) return -1;
  if (string1.size() > string2.size()) return 1;
  return 0;
}

void FilePath::StripTrailingSeparatorsInternal() {
  // A root keeps its separator: "C:\\" and "\\" (start is just past it).
  const size_t start = HasDriveLetter(path_) ? 3 : 1;

  // A leading pair ("\\\\" or "C:\\\\") stays whole when nothing follows it,
  // but a longer run of leading separators shrinks to one.
  size_t last_stripped = StringType::npos;
  for (size_t pos = path_.size(); pos > start && IsSeparator(path_[pos - 1]);
       --pos) {
    if (pos != start + 1 || last_stripped == start + 2 ||
        !IsSeparator(path_[start - 1])) {
      path_.resize(pos - 1);
      last_stripped = pos;
    }
  }
}

}  // namespace base
