#include "desktop/windows/installer/service/install_log_serializer.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_piece.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversion_utils.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/windows_types.h"

namespace installer {

namespace {

// Element and attribute names.
constexpr char kInstallLogElement[] = "install_log";
constexpr char kPathElement[] = "path";
constexpr char kFilesElement[] = "files";
constexpr char kFileElement[] = "file";
constexpr char kRootFilesElement[] = "root_files";
constexpr char kRegistryElement[] = "registry";
constexpr char kKeyElement[] = "key";
constexpr char kValueElement[] = "value";
constexpr char kShortcutElement[] = "shortcut";
constexpr char kComponentsElement[] = "components";
constexpr char kComponentElement[] = "component";
constexpr char kNameElement[] = "name";

constexpr char kVersionAttribute[] = "version";
constexpr char kCopyOnlyAttribute[] = "copy_only";
constexpr char kAllUsersAttribute[] = "all_users";
constexpr char kPinnedAttribute[] = "pinned";
constexpr char kAppIdAttribute[] = "app_id";
constexpr char kLastBandCheckAttribute[] = "last_band_check";
constexpr char kSubfolderAttribute[] = "subfolder";
constexpr char kHiveAttribute[] = "hive";
constexpr char kPathAttribute[] = "path";
constexpr char kCleanAttribute[] = "clean";
constexpr char kNameAttribute[] = "name";
constexpr char kTypeAttribute[] = "type";

constexpr char kTrue[] = "True";
constexpr char kFalse[] = "False";
constexpr char kHklm[] = "HKLM";
constexpr char kHkcu[] = "HKCU";

constexpr char kDesktopShortcut[] = "SC_DEST_DESKTOP";
constexpr char kCommonDesktopShortcut[] = "SC_DEST_COMMON_DESKTOP";
constexpr char kMenuShortcut[] = "SC_DEST_MENU";
constexpr char kCommonMenuShortcut[] = "SC_DEST_COMMON_MENU";
constexpr char kQuickLaunchShortcut[] = "SC_DEST_QUICK_LAUNCH";

// Whitespace-only text is kept where it is an element's only content, so a
// component name of spaces survives; the indentation between elements is
// dropped. As a fragment, text outside the root element is kept rather than
// skipped, so that SingleRootElement can refuse it.
constexpr unsigned int kParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_fragment;

// ---- Reading ----

bool IsNamed(pugi::xml_node element, const char* name) {
  return strcmp(element.name(), name) == 0;
}

pugi::xml_node FirstChildElement(pugi::xml_node node) {
  pugi::xml_node child = node.first_child();
  while (child && child.type() != pugi::node_element)
    child = child.next_sibling();
  return child;
}

pugi::xml_node NextSiblingElement(pugi::xml_node node) {
  pugi::xml_node sibling = node.next_sibling();
  while (sibling && sibling.type() != pugi::node_element)
    sibling = sibling.next_sibling();
  return sibling;
}

// The text of every text and CDATA node below |element|, in document order.
// Walks without recursion: the nesting depth is the document's to choose.
std::string ElementText(pugi::xml_node element) {
  std::string text;
  pugi::xml_node node = element.first_child();
  while (node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
      text += node.value();
    if (node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node != element && !node.next_sibling()) node = node.parent();
    if (node == element) break;
    node = node.next_sibling();
  }
  return text;
}

base::FilePath PathText(const char* utf8) {
  std::wstring path;
  base::TrimWideString(base::UTF8ToWide(utf8), base::kWhitespaceWide, &path);
  return base::FilePath(path);
}

std::string TrimASCIIWhitespace(const std::string& text) {
  size_t begin = text.find_first_not_of(base::kWhitespaceASCII);
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(base::kWhitespaceASCII);
  return text.substr(begin, end - begin + 1);
}

// Reads the `file` children of |list| into |paths|; there must be one at
// least.
bool ReadFileList(pugi::xml_node list, std::vector<base::FilePath>* paths) {
  pugi::xml_node file = FirstChildElement(list);
  if (!file) return false;
  for (; file; file = NextSiblingElement(file)) {
    if (!IsNamed(file, kFileElement)) return false;
    paths->push_back(PathText(ElementText(file).c_str()));
  }
  return true;
}

bool ReadKey(pugi::xml_node element, InstallLogKey* key) {
  if (!IsNamed(element, kKeyElement)) return false;
  pugi::xml_attribute path = element.attribute(kPathAttribute);
  pugi::xml_attribute clean = element.attribute(kCleanAttribute);
  if (!path || !clean || !base::StringToInt(clean.value(), &key->clean_mode))
    return false;
  key->key_path = path.value();
  for (pugi::xml_node child = FirstChildElement(element); child;
       child = NextSiblingElement(child)) {
    pugi::xml_attribute name = child.attribute(kNameAttribute);
    pugi::xml_attribute type = child.attribute(kTypeAttribute);
    if (!IsNamed(child, kValueElement) || !name || !type) return false;
    InstallLogValue value;
    value.name = name.value();
    value.type_name = type.value();
    value.data = TrimASCIIWhitespace(ElementText(child));
    key->values.push_back(std::move(value));
  }
  return true;
}

bool ReadRegistry(pugi::xml_node registry, InstallLog* log) {
  pugi::xml_attribute hive = registry.attribute(kHiveAttribute);
  InstallLogRegistry* keys = nullptr;
  if (hive && strcmp(hive.value(), kHklm) == 0)
    keys = &log->hklm_keys;
  else if (hive && strcmp(hive.value(), kHkcu) == 0)
    keys = &log->hkcu_keys;
  else
    return false;
  pugi::xml_node element = FirstChildElement(registry);
  if (!element) return false;
  for (; element; element = NextSiblingElement(element)) {
    InstallLogKey key;
    if (!ReadKey(element, &key)) return false;
    keys->push_back(std::move(key));
  }
  return true;
}

bool ReadShortcut(pugi::xml_node shortcut, InstallLog* log) {
  pugi::xml_attribute type = shortcut.attribute(kTypeAttribute);
  if (!type) return false;
  base::FilePath* field = nullptr;
  if (strcmp(type.value(), kDesktopShortcut) == 0 ||
      strcmp(type.value(), kCommonDesktopShortcut) == 0) {
    field = &log->desktop_shortcut;
  } else if (strcmp(type.value(), kMenuShortcut) == 0 ||
             strcmp(type.value(), kCommonMenuShortcut) == 0) {
    field = &log->start_menu_shortcut;
  } else if (strcmp(type.value(), kQuickLaunchShortcut) == 0) {
    field = &log->quick_launch_shortcut;
  } else {
    return false;
  }
  *field = PathText(ElementText(shortcut).c_str());
  return true;
}

bool ReadComponents(pugi::xml_node components, InstallLog* log) {
  pugi::xml_node component = FirstChildElement(components);
  if (!component) return false;
  for (; component; component = NextSiblingElement(component)) {
    if (!IsNamed(component, kComponentElement)) return false;
    pugi::xml_node name = FirstChildElement(component);
    if (!name || !IsNamed(name, kNameElement)) return false;
    pugi::xml_node path = NextSiblingElement(name);
    if (!path || !IsNamed(path, kPathElement)) return false;
    log->components.emplace_back(ElementText(name),
                                 PathText(ElementText(path).c_str()));
  }
  return true;
}

// A well-formed document has exactly one element and no text at its top
// level; the parser itself lets both pass.
pugi::xml_node SingleRootElement(const pugi::xml_document& document) {
  pugi::xml_node root;
  for (pugi::xml_node node = document.first_child(); node;
       node = node.next_sibling()) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
      return pugi::xml_node();
    if (node.type() == pugi::node_element) {
      if (root) return pugi::xml_node();
      root = node;
    }
  }
  return root;
}

// ---- Writing ----

// Turns the record's texts into what the document can carry: checks that
// each is valid Unicode and drops the characters XML 1.0 has no place for,
// counting them. The first invalid text is remembered for the message.
class TextCleaner {
 public:
  std::string Clean(base::StringPiece utf8, const char* what) {
    std::string clean;
    clean.reserve(utf8.size());
    size_t index = 0;
    while (index < utf8.size()) {
      const unsigned char lead = static_cast<unsigned char>(utf8[index]);
      if (lead < 0x80) {
        if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r')
          ++dropped_;
        else
          clean += static_cast<char>(lead);
        ++index;
        continue;
      }
      const size_t start = index;
      const int32_t code_point = base::ReadUnicodeCharacterUTF8(
          utf8.data(), &index, utf8.size(), lead);
      if (code_point < 0) {
        Fail(what);
        return std::string();
      }
      if (code_point == 0xFFFE || code_point == 0xFFFF)
        ++dropped_;
      else
        clean.append(utf8.data() + start, index - start);
    }
    return clean;
  }

  std::string CleanPath(const base::FilePath& path, const char* what) {
    std::string utf8;
    if (!base::WideToUTF8(path.value().data(), path.value().size(), &utf8)) {
      Fail(what);
      return std::string();
    }
    return Clean(utf8, what);
  }

  const char* failure() const { return failure_; }
  size_t dropped() const { return dropped_; }

 private:
  void Fail(const char* what) {
    if (!failure_) failure_ = what;
  }

  const char* failure_ = nullptr;
  size_t dropped_ = 0;
};

void SetText(pugi::xml_node element, const std::string& text) {
  // An element without text is written as an empty-element tag.
  if (!text.empty()) element.text().set(text.c_str());
}

void AddAttribute(pugi::xml_node element, const char* name,
                  const std::string& value) {
  element.append_attribute(name).set_value(value.c_str());
}

void AddFileList(pugi::xml_node parent, const char* name,
                 const std::vector<base::FilePath>& paths,
                 TextCleaner* cleaner) {
  pugi::xml_node list = parent.append_child(name);
  for (const base::FilePath& path : paths)
    SetText(list.append_child(kFileElement),
            cleaner->CleanPath(path, "a file path"));
}

void AddRegistry(pugi::xml_node parent, const char* hive,
                 const InstallLogRegistry& keys, TextCleaner* cleaner) {
  if (keys.empty()) return;
  pugi::xml_node registry = parent.append_child(kRegistryElement);
  AddAttribute(registry, kHiveAttribute, hive);
  for (const InstallLogKey& key : keys) {
    pugi::xml_node key_element = registry.append_child(kKeyElement);
    AddAttribute(key_element, kPathAttribute,
                 cleaner->Clean(key.key_path, "a registry key path"));
    AddAttribute(key_element, kCleanAttribute,
                 base::IntToString(key.clean_mode));
    for (const InstallLogValue& value : key.values) {
      pugi::xml_node value_element = key_element.append_child(kValueElement);
      AddAttribute(value_element, kNameAttribute,
                   cleaner->Clean(value.name, "a registry value name"));
      AddAttribute(value_element, kTypeAttribute,
                   cleaner->Clean(value.type_name, "a registry type name"));
      SetText(value_element, cleaner->Clean(value.data, "registry value data"));
    }
  }
}

void AddShortcut(pugi::xml_node parent, const char* type,
                 const base::FilePath& path, TextCleaner* cleaner) {
  if (path.empty()) return;
  pugi::xml_node shortcut = parent.append_child(kShortcutElement);
  AddAttribute(shortcut, kTypeAttribute, type);
  SetText(shortcut, cleaner->CleanPath(path, "a shortcut path"));
}

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string* text) : text_(text) {}
  void write(const void* data, size_t size) override {
    text_->append(static_cast<const char*>(data), size);
  }

 private:
  std::string* text_;
};

// ---- Saving the file whole ----

const internal::SaveFunctions kRealSaveFunctions;

const internal::SaveFunctions* g_save_functions = &kRealSaveFunctions;

// Writes |text| from the start of |file|, just opened.
bool WriteAll(HANDLE file, const std::string& text) {
  // One write call takes less than 2 GiB.
  constexpr size_t kChunk = 1u << 30;
  const size_t size = text.size();
  for (size_t offset = 0; offset < size;) {
    const DWORD chunk = static_cast<DWORD>(std::min(size - offset, kChunk));
    DWORD written = 0;
    if (!g_save_functions->write_file(file, text.data() + offset, chunk,
                                      &written, nullptr) ||
        written != chunk) {
      return false;
    }
    offset += chunk;
  }
  return true;
}

// Writes |text| beside |path| and swaps it in with one rename, so that a
// reader never finds |path| missing or partial, and a failure or a crash at
// any point leaves the previous file whole. A failure before the swap
// deletes the temporary file when |replacement| goes; a failed swap is
// logged, and keeps the file when it lost the old log.
bool WriteFileAtomically(const base::FilePath& path, const std::string& text) {
  base::ReplacementFile replacement;
  if (!g_save_functions->create_replacement(path, &replacement)) {
    PLOG(ERROR) << "Cannot create a temporary file beside "
                << path.AsUTF8Unsafe();
    return false;
  }
  const HANDLE file = replacement.file().GetPlatformFile();
  if (!WriteAll(file, text)) {
    PLOG(ERROR) << "Cannot write " << replacement.path().AsUTF8Unsafe();
    return false;
  }
  if (!g_save_functions->flush_file_buffers(file)) {
    PLOG(ERROR) << "Cannot flush " << replacement.path().AsUTF8Unsafe();
    return false;
  }
  return g_save_functions->replace_target(&replacement);
}

}  // namespace

InstallLogSerializer::InstallLogSerializer() = default;
InstallLogSerializer::~InstallLogSerializer() = default;

bool InstallLogSerializer::Load(InstallLog* log, const base::FilePath& file) {
  // Read into a copy, handed over whole: a document that breaks a rule
  // half-way must not leave a record that names an installation's folder
  // and files but none of its keys.
  InstallLog loaded(*log);
  loaded.files.clear();
  loaded.root_files.clear();
  loaded.hklm_keys.clear();
  loaded.hkcu_keys.clear();
  if (!document_.load_file(file.value().c_str(), kParseOptions) ||
      !Read(&loaded)) {
    return false;
  }
  *log = std::move(loaded);
  return true;
}

bool InstallLogSerializer::Read(InstallLog* log) {
  pugi::xml_node root = SingleRootElement(document_);
  if (!root || !IsNamed(root, kInstallLogElement)) return false;

  pugi::xml_attribute version = root.attribute(kVersionAttribute);
  if (!version) return false;
  log->version = version.value();
  if (pugi::xml_attribute app_id = root.attribute(kAppIdAttribute))
    log->app_id = app_id.value();
  const struct {
    const char* name;
    bool* field;
  } kFlags[] = {{kCopyOnlyAttribute, &log->copy_only},
                {kAllUsersAttribute, &log->all_users},
                {kPinnedAttribute, &log->pinned}};
  for (const auto& flag : kFlags) {
    pugi::xml_attribute value = root.attribute(flag.name);
    if (!value) return false;
    *flag.field = strcmp(value.value(), kTrue) == 0;
  }
  if (pugi::xml_attribute check = root.attribute(kLastBandCheckAttribute)) {
    int64_t microseconds = 0;
    if (!base::StringToInt64(check.value(), &microseconds)) return false;
    log->last_band_check = base::Time::FromInternalValue(microseconds);
  } else {
    log->last_band_check = base::Time::Now();
  }

  pugi::xml_node element = FirstChildElement(root);
  if (!element || !IsNamed(element, kPathElement)) return false;
  if (pugi::xml_attribute subfolder = element.attribute(kSubfolderAttribute))
    log->subfolder = PathText(subfolder.value());
  log->path = PathText(ElementText(element).c_str());

  element = NextSiblingElement(element);
  if (!element || !IsNamed(element, kFilesElement) ||
      !ReadFileList(element, &log->files)) {
    return false;
  }

  element = NextSiblingElement(element);
  if (element && IsNamed(element, kRootFilesElement)) {
    if (!ReadFileList(element, &log->root_files)) return false;
    element = NextSiblingElement(element);
  }
  for (; element && IsNamed(element, kRegistryElement);
       element = NextSiblingElement(element)) {
    if (!ReadRegistry(element, log)) return false;
  }
  for (; element && IsNamed(element, kShortcutElement);
       element = NextSiblingElement(element)) {
    if (!ReadShortcut(element, log)) return false;
  }
  if (!element) return true;
  if (!IsNamed(element, kComponentsElement) || !ReadComponents(element, log))
    return false;
  // Nothing may follow the components.
  return !NextSiblingElement(element);
}

bool InstallLogSerializer::Save(const InstallLog& log,
                                const base::FilePath& file) {
  dropped_characters_ = 0;
  TextCleaner cleaner;
  document_.reset();
  pugi::xml_node root = document_.append_child(kInstallLogElement);
  AddAttribute(root, kVersionAttribute,
               cleaner.Clean(log.version, "the version"));
  AddAttribute(root, kCopyOnlyAttribute, log.copy_only ? kTrue : kFalse);
  AddAttribute(root, kAllUsersAttribute, log.all_users ? kTrue : kFalse);
  AddAttribute(root, kPinnedAttribute, log.pinned ? kTrue : kFalse);
  AddAttribute(root, kAppIdAttribute, cleaner.Clean(log.app_id, "the app id"));
  AddAttribute(root, kLastBandCheckAttribute,
               base::Int64ToString(log.last_band_check.ToInternalValue()));

  pugi::xml_node path = root.append_child(kPathElement);
  AddAttribute(path, kSubfolderAttribute,
               cleaner.CleanPath(log.subfolder, "the subfolder"));
  SetText(path, cleaner.CleanPath(log.path, "the installation folder"));

  AddFileList(root, kFilesElement, log.files, &cleaner);
  if (!log.root_files.empty())
    AddFileList(root, kRootFilesElement, log.root_files, &cleaner);
  AddRegistry(root, kHklm, log.hklm_keys, &cleaner);
  AddRegistry(root, kHkcu, log.hkcu_keys, &cleaner);
  AddShortcut(root, log.all_users ? kCommonDesktopShortcut : kDesktopShortcut,
              log.desktop_shortcut, &cleaner);
  AddShortcut(root, log.all_users ? kCommonMenuShortcut : kMenuShortcut,
              log.start_menu_shortcut, &cleaner);
  AddShortcut(root, kQuickLaunchShortcut, log.quick_launch_shortcut, &cleaner);
  if (!log.components.empty()) {
    pugi::xml_node components = root.append_child(kComponentsElement);
    for (const auto& component : log.components) {
      pugi::xml_node element = components.append_child(kComponentElement);
      SetText(element.append_child(kNameElement),
              cleaner.Clean(component.first, "a component name"));
      SetText(element.append_child(kPathElement),
              cleaner.CleanPath(component.second, "a component path"));
    }
  }

  if (cleaner.failure()) {
    LOG(ERROR) << "Not saving the install log " << file.AsUTF8Unsafe() << ": "
               << cleaner.failure() << " is not valid Unicode";
    return false;
  }
  dropped_characters_ = cleaner.dropped();
  if (dropped_characters_ > 0) {
    LOG(WARNING) << "The install log " << file.AsUTF8Unsafe() << " leaves out "
                 << dropped_characters_
                 << " character(s) that XML cannot carry";
  }

  // The declaration, then one element per line, indented by one space per
  // level, each line ending in a line feed.
  std::string text;
  StringWriter writer(&text);
  document_.save(writer, " ", pugi::format_indent, pugi::encoding_utf8);
  return WriteFileAtomically(file, text);
}

namespace internal {

ScopedSaveFunctionsForTesting::ScopedSaveFunctionsForTesting(
    const SaveFunctions& functions)
    : functions_(functions), previous_(g_save_functions) {
  g_save_functions = &functions_;
}

ScopedSaveFunctionsForTesting::~ScopedSaveFunctionsForTesting() {
  g_save_functions = previous_;
}

}  // namespace internal

}  // namespace installer
