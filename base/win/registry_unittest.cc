#include "base/win/registry.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/registry_sandbox.h"

namespace base {
namespace win {
namespace {

using testing_support::RegistrySandbox;

std::vector<uint8_t> Bytes(const void* data, size_t size) {
  const uint8_t* begin = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(begin, begin + size);
}

std::vector<uint8_t> WideBytes(const std::wstring& text, bool with_nul) {
  return Bytes(text.c_str(), (text.size() + (with_nul ? 1 : 0)) * 2);
}

void SetRawValue(HKEY key, const wchar_t* name, DWORD type,
                 const std::vector<uint8_t>& data) {
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegSetValueExW(key, name, 0, type, data.data(),
                             static_cast<DWORD>(data.size())));
}

class RegKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ERROR_SUCCESS, key_.Open(HKEY_CURRENT_USER,
                                       sandbox_.path().c_str(),
                                       KEY_ALL_ACCESS));
  }

  std::wstring SubkeyPath(const wchar_t* name) const {
    return sandbox_.path() + L"\\" + name;
  }

  RegistrySandbox sandbox_;
  RegKey key_;
};

TEST_F(RegKeyTest, ConstructorOpensForReadingAndCreatesForWriting) {
  std::wstring path = SubkeyPath(L"made");
  RegKey reader(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
  EXPECT_FALSE(reader.Valid()) << "KEY_READ must not create the key";

  RegKey writer(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE);
  EXPECT_TRUE(writer.Valid());
  RegKey reader_again(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
  EXPECT_TRUE(reader_again.Valid());

  RegKey all(HKEY_CURRENT_USER, SubkeyPath(L"all").c_str(), KEY_ALL_ACCESS);
  EXPECT_TRUE(all.Valid());

  // A null root records only the view.
  RegKey no_root(nullptr, L"Software", KEY_WRITE | KEY_WOW64_32KEY);
  EXPECT_FALSE(no_root.Valid());
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), no_root.wow64access());
}

TEST_F(RegKeyTest, FailedOpenOrCreateKeepsTheEarlierKey) {
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"kept", L"yes"));
  HKEY before = key_.Handle();

  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            key_.Open(HKEY_CURRENT_USER, SubkeyPath(L"missing").c_str(),
                      KEY_READ | KEY_WOW64_64KEY));
  EXPECT_NE(ERROR_SUCCESS,
            key_.Create(nullptr, L"anything", KEY_ALL_ACCESS));

  EXPECT_EQ(before, key_.Handle());
  EXPECT_EQ(0u, key_.wow64access());
  std::wstring value;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"kept", &value));
  EXPECT_EQ(L"yes", value);
}

TEST_F(RegKeyTest, SuccessfulOpenReplacesTheKeyAndCloseForgetsIt) {
  std::wstring child_path = SubkeyPath(L"child");
  RegKey child(HKEY_CURRENT_USER, child_path.c_str(), KEY_WRITE);
  ASSERT_EQ(ERROR_SUCCESS, child.WriteValue(L"where", L"child"));

  ASSERT_EQ(ERROR_SUCCESS, key_.Open(HKEY_CURRENT_USER, child_path.c_str(),
                                     KEY_READ | KEY_WOW64_64KEY));
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), key_.wow64access());
  std::wstring value;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"where", &value));
  EXPECT_EQ(L"child", value);

  key_.Close();
  EXPECT_FALSE(key_.Valid());
  EXPECT_EQ(0u, key_.wow64access());
  EXPECT_NE(ERROR_SUCCESS, key_.ReadValue(L"where", &value));
}

TEST_F(RegKeyTest, MoveTransfersOwnership) {
  HKEY handle = key_.Handle();
  RegKey moved(std::move(key_));
  EXPECT_EQ(handle, moved.Handle());
  EXPECT_FALSE(key_.Valid());
  EXPECT_EQ(ERROR_SUCCESS, moved.WriteValue(L"after_move", L"ok"));
}

struct DwordCase {
  const char* label;
  DWORD type;
  std::vector<uint8_t> data;
  LONG expected_result;
  DWORD expected_value;
};

TEST_F(RegKeyTest, ReadValueDWChecksTypeAndSize) {
  const DWORD number = 0x12345678;
  const uint64_t wide_number = 7;
  const std::vector<DwordCase> cases = {
      {"dword", REG_DWORD, Bytes(&number, 4), ERROR_SUCCESS, number},
      {"binary of four bytes", REG_BINARY, {1, 2, 3, 4}, ERROR_SUCCESS,
       0x04030201},
      {"qword does not fit", REG_QWORD, Bytes(&wide_number, 8),
       ERROR_MORE_DATA, 0},
      {"short binary", REG_BINARY, {1, 2, 3}, ERROR_CANTREAD, 0},
      {"four-byte string", REG_SZ, WideBytes(L"a", true), ERROR_CANTREAD, 0},
  };
  for (const DwordCase& test : cases) {
    SCOPED_TRACE(test.label);
    SetRawValue(key_.Handle(), L"value", test.type, test.data);
    DWORD out = 0xDEADBEEF;
    EXPECT_EQ(test.expected_result, key_.ReadValueDW(L"value", &out));
    EXPECT_EQ(test.expected_result == ERROR_SUCCESS ? test.expected_value
                                                    : 0xDEADBEEF,
              out);
  }
  DWORD out = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValueDW(L"missing", &out));
}

struct StringCase {
  const char* label;
  DWORD type;
  std::vector<uint8_t> data;
  LONG expected_result;
  std::wstring expected_text;  // Unused unless the read succeeds.
};

TEST_F(RegKeyTest, ReadValueHandlesEachTypeAndLength) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", L"expanded"));
  const std::wstring too_long(RegKey::kMaxStringBytes / 2, L'y');
  const DWORD number = 1;
  const std::vector<StringCase> cases = {
      {"plain", REG_SZ, WideBytes(L"C:\\Velto", true), ERROR_SUCCESS,
       L"C:\\Velto"},
      {"cut at first NUL", REG_SZ, WideBytes(std::wstring(L"ab\0cd", 5), true),
       ERROR_SUCCESS, L"ab"},
      {"without terminator", REG_SZ, WideBytes(L"abc", false), ERROR_SUCCESS,
       L"abc"},
      {"longer than the buffer", REG_SZ, WideBytes(too_long, true),
       ERROR_MORE_DATA, L""},
      {"expanded", REG_EXPAND_SZ,
       WideBytes(L"<%VELTO_REGISTRY_TEST%>", true), ERROR_SUCCESS,
       L"<expanded>"},
      {"unknown variable stays", REG_EXPAND_SZ,
       WideBytes(L"%VELTO_NO_SUCH_VARIABLE%", true), ERROR_SUCCESS,
       L"%VELTO_NO_SUCH_VARIABLE%"},
      {"multi string", REG_MULTI_SZ,
       WideBytes(std::wstring(L"a\0b\0", 4), true), ERROR_CANTREAD, L""},
      {"dword", REG_DWORD, Bytes(&number, 4), ERROR_CANTREAD, L""},
  };
  for (const StringCase& test : cases) {
    SCOPED_TRACE(test.label);
    SetRawValue(key_.Handle(), L"value", test.type, test.data);
    std::wstring out = L"untouched";
    EXPECT_EQ(test.expected_result, key_.ReadValue(L"value", &out));
    EXPECT_EQ(test.expected_result == ERROR_SUCCESS ? test.expected_text
                                                    : L"untouched",
              out);
  }
  std::wstring out;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValue(L"missing", &out));
  ::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", nullptr);
}

// A registry that hands out a stored value as it is, without adding a
// terminator, as Windows does when the value fills the buffer exactly.
struct RawValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  DWORD capacity_asked = 0;
};
RawValue g_raw_value;

LONG WINAPI QueryRawValue(HKEY, const wchar_t*, DWORD*, DWORD* type,
                          BYTE* data, DWORD* size) {
  g_raw_value.capacity_asked = *size;
  *type = g_raw_value.type;
  const DWORD stored = static_cast<DWORD>(g_raw_value.data.size());
  if (stored > *size) {
    *size = stored;
    return ERROR_MORE_DATA;
  }
  memcpy(data, g_raw_value.data.data(), stored);
  *size = stored;
  return ERROR_SUCCESS;
}

// A string of exactly the buffer's size without a terminator must end at the
// size the query returned, never past the buffer.
TEST_F(RegKeyTest, FullBufferWithoutTerminatorEndsAtTheReturnedSize) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", L"expanded"));
  internal::ScopedRegQueryValueForTesting raw(&QueryRawValue);
  const std::wstring full(RegKey::kMaxStringBytes / 2, L'x');
  const std::wstring expandable =
      L"%VELTO_REGISTRY_TEST%" + std::wstring(1003, L'x');
  ASSERT_EQ(full.size(), expandable.size());

  std::wstring out;
  g_raw_value.type = REG_SZ;
  g_raw_value.data = WideBytes(full, false);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"full", &out));
  EXPECT_EQ(RegKey::kMaxStringBytes, g_raw_value.capacity_asked);
  EXPECT_EQ(full, out);

  g_raw_value.type = REG_EXPAND_SZ;
  g_raw_value.data = WideBytes(expandable, false);
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"full_expand", &out));
  EXPECT_EQ(L"expanded" + std::wstring(1003, L'x'), out);

  // One unit more is the query's own error, passed on.
  g_raw_value.type = REG_SZ;
  g_raw_value.data = WideBytes(full + L"y", false);
  out = L"untouched";
  EXPECT_EQ(ERROR_MORE_DATA, key_.ReadValue(L"longer", &out));
  EXPECT_EQ(L"untouched", out);
  ::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", nullptr);
}

TEST_F(RegKeyTest, ExpansionLongerThanTheBufferFailsAndKeepsTheOutput) {
  // 64 references to a 100-character variable expand to 6400 characters.
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_REGISTRY_LONG",
                                        std::wstring(100, L'z').c_str()));
  std::wstring text;
  for (int i = 0; i < 64; ++i)
    text += L"%VELTO_REGISTRY_LONG%";
  SetRawValue(key_.Handle(), L"long", REG_EXPAND_SZ, WideBytes(text, true));
  std::wstring out = L"untouched";
  EXPECT_EQ(ERROR_MORE_DATA, key_.ReadValue(L"long", &out));
  EXPECT_EQ(L"untouched", out);
  ::SetEnvironmentVariableW(L"VELTO_REGISTRY_LONG", nullptr);
}

TEST_F(RegKeyTest, WriteValueStoresTerminatedStringsThatReadBack) {
  const std::wstring texts[] = {L"", L"C:\\Program Files\\Velto",
                                L"\u00e9\u4e2d\U0001F600",
                                std::wstring(1023, L'q')};
  for (const std::wstring& text : texts) {
    SCOPED_TRACE(testing::Message() << "length " << text.size());
    ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(L"text", text));

    DWORD type = REG_NONE;
    DWORD size = 0;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(key_.Handle(), L"text",
                                                nullptr, &type, nullptr,
                                                &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((text.size() + 1) * 2, size);

    std::wstring out;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"text", &out));
    EXPECT_EQ(text, out);
  }
  // The default value is reached by a null or an empty name.
  ASSERT_EQ(ERROR_SUCCESS, key_.WriteValue(nullptr, L"default"));
  std::wstring out;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"", &out));
  EXPECT_EQ(L"default", out);
}

// The 32-bit view of HKLM\Software is the Wow6432Node subtree; a key created
// through the view must be found there by a plain open.
TEST(RegKeyViewTest, ThirtyTwoBitViewLandsInWow6432Node) {
  const std::wstring name =
      L"VeltoRegistryTest_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
      std::to_wstring(::GetTickCount64());
  const std::wstring view_path = L"Software\\" + name;
  const std::wstring node_path = L"Software\\Wow6432Node\\" + name;
  {
    RegKey key(HKEY_LOCAL_MACHINE, view_path.c_str(),
               KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    ASSERT_TRUE(key.Valid());
    EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), key.wow64access());
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"view", L"32"));
  }
  {
    // Opening through the same view finds it again.
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, view_path.c_str(),
                                      KEY_READ | KEY_WOW64_32KEY));
    EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), key.wow64access());
    std::wstring value;
    EXPECT_EQ(ERROR_SUCCESS, key.ReadValue(L"view", &value));
    EXPECT_EQ(L"32", value);
  }

  HKEY raw = nullptr;
  LONG result = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, node_path.c_str(), 0,
                                KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw);
  EXPECT_EQ(ERROR_SUCCESS, result);
  if (result == ERROR_SUCCESS) {
    wchar_t data[8] = {};
    DWORD size = sizeof(data);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegQueryValueExW(raw, L"view", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data), &size));
    EXPECT_STREQ(L"32", data);
    ::RegCloseKey(raw);
  }
  // The 64-bit view does not see it under its own name.
  RegKey native(HKEY_LOCAL_MACHINE, view_path.c_str(),
                KEY_READ | KEY_WOW64_64KEY);
  EXPECT_FALSE(native.Valid());

  EXPECT_EQ(ERROR_SUCCESS,
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, view_path.c_str(),
                              KEY_WOW64_32KEY, 0));
  EXPECT_NE(ERROR_SUCCESS,
            ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, node_path.c_str(), 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw));
}

}  // namespace
}  // namespace win
}  // namespace base
