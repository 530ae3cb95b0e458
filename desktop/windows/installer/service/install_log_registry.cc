#include "desktop/windows/installer/service/install_log_registry.h"

#include <algorithm>
#include <iterator>

#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"

namespace installer {

namespace {

// Indexed by the type number; the numbers are fixed by Windows.
constexpr const char* kRegistryTypeNames[] = {
    "REG_NONE",
    "REG_SZ",
    "REG_EXPAND_SZ",
    "REG_BINARY",
    "REG_DWORD",
    "REG_DWORD_BIG_ENDIAN",
    "REG_LINK",
    "REG_MULTI_SZ",
    "REG_RESOURCE_LIST",
    "REG_FULL_RESOURCE_DESCRIPTOR",
    "REG_RESOURCE_REQUIREMENTS_LIST",
    "REG_QWORD",
};

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

std::string DataText(const uint8_t* data, uint32_t type, uint32_t size) {
  if (!data || size == 0) return std::string();
  switch (type) {
  case kRegSz:
  case kRegExpandSz: {
    // The bytes may end in a NUL (they do when written by RegOp); the text
    // stops there either way.
    const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
    const size_t capacity = size / sizeof(wchar_t);
    return base::WideToUTF8(base::StringPiece16(
        text, std::find(text, text + capacity, L'\0') - text));
  }
  case kRegBinary: {
    std::string text;
    text.reserve(size * 3);
    for (uint32_t i = 0; i < size; ++i) {
      // Through unsigned int, so a byte above 0x7F is two digits, never
      // a sign-extended "ffffffe9".
      text += base::StringPrintf(i == 0 ? "%.2x" : ",%.2x",
                                 static_cast<unsigned int>(data[i]));
    }
    return text;
  }
  case kRegDword: {
    if (size < sizeof(uint32_t)) return std::string();
    uint32_t number;
    std::copy(data, data + sizeof(number), reinterpret_cast<uint8_t*>(&number));
    return base::StringPrintf("%.8lx", static_cast<unsigned long>(number));
  }
  default:
    return std::string();
  }
}

}  // namespace

std::string RegistryTypeName(uint32_t type) {
  if (type >= std::size(kRegistryTypeNames)) return std::string();
  return kRegistryTypeNames[type];
}

void RecordRegistryValue(InstallLogRegistry* registry,
                         const std::wstring& key_path,
                         const std::wstring& value_name, const uint8_t* data,
                         uint32_t type, uint32_t size, int32_t clean_mode) {
  const std::string utf8_key_path = base::WideToUTF8(key_path);
  // From the last key back: the key just written is the likeliest match.
  auto key = std::find_if(registry->rbegin(), registry->rend(),
                          [&utf8_key_path](const InstallLogKey& candidate) {
                            return base::EqualsCaseInsensitiveASCII(
                                candidate.key_path, utf8_key_path);
                          });
  InstallLogKey* target;
  if (key != registry->rend()) {
    target = &*key;
    target->clean_mode = std::max(target->clean_mode, clean_mode);
  } else {
    registry->push_back(InstallLogKey{clean_mode, utf8_key_path, {}});
    target = &registry->back();
  }

  InstallLogValue value;
  value.type_name = RegistryTypeName(type);
  value.name = base::WideToUTF8(value_name);
  value.data = DataText(data, type, size);
  target->values.push_back(std::move(value));
}

}  // namespace installer
