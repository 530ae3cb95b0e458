#include "base/environment.h"

#include <memory>
#include <vector>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"

namespace base {

namespace {

// |text| for a system call. False for a text holding a NUL: the call would
// end it there, and so read, set or remove another variable, or store a
// value cut short.
bool ToSystemText(StringPiece text, std::wstring* wide) {
  if (text.find('\0') != StringPiece::npos)
    return false;
  *wide = UTF8ToWide(text);
  return true;
}

bool GetVarExact(StringPiece variable_name, std::string* result) {
  std::wstring name;
  if (!ToSystemText(variable_name, &name))
    return false;
  // The first call, with no buffer, gives the size including the terminator;
  // 0 means the variable does not exist (an empty one reports 1).
  DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0)
    return false;
  if (!result)
    return true;
  std::vector<wchar_t> value(size);
  DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
  // The variable may have grown or vanished between the two calls; the value
  // is then whatever fits, up to its first NUL.
  if (length >= size)
    length = size - 1;
  value[length] = L'\0';
  *result = WideToUTF8(StringPiece16(value.data()));
  return true;
}

class EnvironmentImpl : public Environment {
 public:
  bool GetVar(StringPiece variable_name, std::string* result) override {
    if (GetVarExact(variable_name, result))
      return true;
    // Callers may spell a variable in either case; try the other one.
    if (variable_name.empty())
      return false;
    const char first = variable_name[0];
    std::string alternate;
    if (first >= 'a' && first <= 'z')
      alternate = ToUpperASCII(variable_name);
    else if (first >= 'A' && first <= 'Z')
      alternate = ToLowerASCII(variable_name);
    else
      return false;
    return GetVarExact(alternate, result);
  }

  bool SetVar(StringPiece variable_name,
              const std::string& new_value) override {
    std::wstring name;
    std::wstring value;
    return ToSystemText(variable_name, &name) &&
           ToSystemText(new_value, &value) &&
           ::SetEnvironmentVariableW(name.c_str(), value.c_str()) != FALSE;
  }

  bool UnSetVar(StringPiece variable_name) override {
    std::wstring name;
    return ToSystemText(variable_name, &name) &&
           ::SetEnvironmentVariableW(name.c_str(), nullptr) != FALSE;
  }
};

}  // namespace

Environment::~Environment() = default;

// static
std::unique_ptr<Environment> Environment::Create() {
  return std::make_unique<EnvironmentImpl>();
}

bool Environment::HasVar(StringPiece variable_name) {
  return GetVar(variable_name, nullptr);
}

}  // namespace base
