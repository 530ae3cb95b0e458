#include "base/win/registry.h"

#include <stdint.h>
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
  return std::vector<uint8_t>(static_cast<const uint8_t*>(data),
                              static_cast<const uint8_t*>(data) + size);
}

std::vector<uint8_t> WideBytes(const std::wstring& text, bool with_nul) {
  return Bytes(text.c_str(), (text.size() + (with_nul ? 1 : 0)) * 2);
}

class RegKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        ERROR_SUCCESS,
        key_.Open(HKEY_CURRENT_USER, sandbox_.path().c_str(), KEY_ALL_ACCESS));
  }

  std::wstring SubkeyPath(const wchar_t* name) const {
    return sandbox_.path() + L"\\" + name;
  }

  RegistrySandbox sandbox_;
  RegKey key_;
};

TEST_F(RegKeyTest, OpenCreateCloseAndMove) {
  // The constructor creates for writing (and opens for reading, see below).
  const std::wstring path = SubkeyPath(L"made");
  RegKey made(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE);
  ASSERT_EQ(ERROR_SUCCESS, made.WriteValue(L"where", L"child"));
  ASSERT_EQ(ERROR_SUCCESS, made.WriteValue(L"empty", L""));
  // A null root records only the view.
  RegKey no_root(nullptr, L"Software", KEY_WRITE | KEY_WOW64_32KEY);
  EXPECT_FALSE(no_root.Valid());
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), no_root.wow64access());

  // A failed open or create keeps the earlier key.
  const HKEY before = key_.Handle();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            key_.Open(HKEY_CURRENT_USER, SubkeyPath(L"missing").c_str(),
                      KEY_READ | KEY_WOW64_64KEY));
  EXPECT_NE(ERROR_SUCCESS, key_.Create(nullptr, L"anything", KEY_ALL_ACCESS));
  EXPECT_EQ(before, key_.Handle());
  EXPECT_EQ(0u, key_.wow64access());

  // A successful one replaces it.
  ASSERT_EQ(ERROR_SUCCESS, key_.Open(HKEY_CURRENT_USER, path.c_str(),
                                     KEY_READ | KEY_WOW64_64KEY));
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), key_.wow64access());
  std::wstring value;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"where", &value));
  EXPECT_EQ(L"child", value);
  // Written as a string with its terminator; Wine would add a missing one to
  // a string that is not empty, so the empty one shows it.
  DWORD type = REG_NONE, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(key_.Handle(), L"empty", nullptr,
                                              &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(sizeof(L""), size);

  RegKey moved(std::move(key_));
  EXPECT_FALSE(key_.Valid());
  EXPECT_EQ(ERROR_SUCCESS, moved.ReadValue(L"where", &value));
  moved.Close();
  EXPECT_FALSE(moved.Valid());
  EXPECT_EQ(0u, moved.wow64access());
}

// A registry that hands out a stored value as it is, without adding a
// terminator, as Windows does when the value fills the buffer exactly.
struct RawValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  DWORD capacity_asked = 0;
};
RawValue g_raw_value;

LONG WINAPI QueryRawValue(HKEY, const wchar_t*, DWORD*, DWORD* type, BYTE* data,
                          DWORD* size) {
  g_raw_value.capacity_asked = *size;
  *type = g_raw_value.type;
  *size = static_cast<DWORD>(g_raw_value.data.size());  // Never too large.
  memcpy(data, g_raw_value.data.data(), *size);
  return ERROR_SUCCESS;
}

// Each stored value read both ways, as a number and as text. Then a string
// of exactly the buffer's size without a terminator, which must end at the
// size the query returned, never past the buffer.
TEST_F(RegKeyTest, ReadValueDWAndReadValueCheckTypeAndSize) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", L"expanded"));
  // 64 references to a 100-character variable expand past the buffer.
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_REGISTRY_LONG",
                                        std::wstring(100, L'z').c_str()));
  std::wstring long_expansion;
  for (int i = 0; i < 64; ++i) long_expansion += L"%VELTO_REGISTRY_LONG%";
  // Ten give 1000 characters: with 23 more and the terminator, exactly the
  // buffer.
  std::wstring fitting_expansion;
  for (int i = 0; i < 10; ++i) fitting_expansion += L"%VELTO_REGISTRY_LONG%";
  const std::wstring too_long(RegKey::kMaxStringBytes / 2, L'y');
  const DWORD number = 0x12345678;
  const uint64_t wide_number = 7;
  const struct {
    const char* label;
    DWORD type;
    std::vector<uint8_t> data;
    LONG number_result;
    DWORD expected_number;  // When the number read succeeds.
    LONG text_result;
    std::wstring expected_text;  // When the text read succeeds.
  } cases[] = {
      {"dword", REG_DWORD, Bytes(&number, 4), 0, number, ERROR_CANTREAD},
      {"binary of four bytes", REG_BINARY, Bytes("\x01\x02\x03\x04", 4), 0,
       0x04030201, ERROR_CANTREAD},
      {"qword does not fit", REG_QWORD, Bytes(&wide_number, 8), ERROR_MORE_DATA,
       0, ERROR_CANTREAD},
      {"short binary", REG_BINARY, Bytes("\x01\x02\x03", 3), ERROR_CANTREAD, 0,
       ERROR_CANTREAD},
      {"four-byte string", REG_SZ, WideBytes(L"a", true), ERROR_CANTREAD, 0, 0,
       L"a"},
      {"cut at first NUL", REG_SZ, WideBytes(std::wstring(L"ab\0cd", 5), true),
       ERROR_MORE_DATA, 0, 0, L"ab"},
      {"longer than the buffer", REG_SZ, WideBytes(too_long, true),
       ERROR_MORE_DATA, 0, ERROR_MORE_DATA},
      {"expanded", REG_EXPAND_SZ, WideBytes(L"<%VELTO_REGISTRY_TEST%>", true),
       ERROR_MORE_DATA, 0, 0, L"<expanded>"},
      {"expansion too long", REG_EXPAND_SZ, WideBytes(long_expansion, true),
       ERROR_MORE_DATA, 0, ERROR_MORE_DATA},
      {"expansion fills the buffer", REG_EXPAND_SZ,
       WideBytes(fitting_expansion + std::wstring(23, L'y'), true),
       ERROR_MORE_DATA, 0, 0,
       std::wstring(1000, L'z') + std::wstring(23, L'y')},
      {"multi string", REG_MULTI_SZ,
       WideBytes(std::wstring(L"a\0b\0", 4), true), ERROR_MORE_DATA, 0,
       ERROR_CANTREAD},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.label);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(key_.Handle(), L"value", 0, test.type,
                               test.data.data(),
                               static_cast<DWORD>(test.data.size())));
    DWORD number_out = 0xDEADBEEF;
    EXPECT_EQ(test.number_result, key_.ReadValueDW(L"value", &number_out));
    EXPECT_EQ(test.number_result ? 0xDEADBEEF : test.expected_number,
              number_out);
    std::wstring text_out = L"untouched";
    EXPECT_EQ(test.text_result, key_.ReadValue(L"value", &text_out));
    EXPECT_EQ(test.text_result ? L"untouched" : test.expected_text, text_out);
  }
  ::SetEnvironmentVariableW(L"VELTO_REGISTRY_LONG", nullptr);

  internal::ScopedRegQueryValueForTesting raw(&QueryRawValue);
  const std::wstring full(RegKey::kMaxStringBytes / 2, L'x');
  const std::wstring tail(1003, L'x');  // After the 21-unit reference: 1024.
  const struct {
    DWORD type;
    std::wstring stored;
    std::wstring expected;
  } full_cases[] = {
      {REG_SZ, full, full},
      {REG_EXPAND_SZ, L"%VELTO_REGISTRY_TEST%" + tail, L"expanded" + tail},
  };
  for (const auto& test : full_cases) {
    g_raw_value = {test.type, WideBytes(test.stored, false)};
    std::wstring out;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"full", &out));
    EXPECT_EQ(RegKey::kMaxStringBytes, g_raw_value.capacity_asked);
    EXPECT_EQ(test.expected, out);
  }
  ::SetEnvironmentVariableW(L"VELTO_REGISTRY_TEST", nullptr);
}

// The 32-bit view of HKLM\Software is the Wow6432Node subtree.
TEST(RegKeyViewTest, ThirtyTwoBitViewLandsInWow6432Node) {
  const std::wstring name = L"VeltoRegistryTest_" +
                            std::to_wstring(::GetCurrentProcessId()) + L"_" +
                            std::to_wstring(::GetTickCount64());
  const std::wstring view_path = L"Software\\" + name;
  const std::wstring node_path = L"Software\\Wow6432Node\\" + name;
  {
    RegKey key(HKEY_LOCAL_MACHINE, view_path.c_str(),
               KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    ASSERT_TRUE(key.Valid());
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"view", L"32"));
  }

  // The 64-bit view finds it in the Wow6432Node subtree only.
  std::wstring value;
  EXPECT_EQ(ERROR_SUCCESS, RegKey(HKEY_LOCAL_MACHINE, node_path.c_str(),
                                  KEY_READ | KEY_WOW64_64KEY)
                               .ReadValue(L"view", &value));
  EXPECT_EQ(L"32", value);
  EXPECT_FALSE(
      RegKey(HKEY_LOCAL_MACHINE, view_path.c_str(), KEY_READ | KEY_WOW64_64KEY)
          .Valid());

  EXPECT_EQ(ERROR_SUCCESS,
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, view_path.c_str(),
                              KEY_WOW64_32KEY, 0));
}

}  // namespace
}  // namespace win
}  // namespace base
