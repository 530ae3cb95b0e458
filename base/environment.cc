#include "base/environment.h"

#include <memory>
#include <vector>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"

namespace base {

namespace {

bool GetVarExact(StringPiece variable_name, std::string* result) {
  const std::wstring name = UTF8ToWide(variable_name);
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
    return ::SetEnvironmentVariableW(UTF8ToWide(variable_name).c_str(),
                                     UTF8ToWide(new_value).c_str()) != FALSE;
  }

  bool UnSetVar(StringPiece variable_name) override {
    return ::SetEnvironmentVariableW(UTF8ToWide(variable_name).c_str(),
                                     nullptr) != FALSE;
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
