#include "desktop/windows/installer/service/wmi.h"

#include <gtest/gtest.h>

#include "base/process/process.h"
#include "base/win/scoped_variant.h"
#include "testing/child_process.h"

namespace installer {
namespace {

using Microsoft::WRL::ComPtr;

TEST(WmiVariantToUint32Test, AcceptsBothIntegerTypesOnly) {
  struct Case {
    VARTYPE type;
    uint32_t bits;
    bool accepted;
  } const cases[] = {
      {VT_I4, 0xffffffffu, true},  // -1: the bits of the unsigned value
      {VT_UI4, 0xfffffffeu, true},
      {VT_EMPTY, 0u, false},
      {VT_UI8, 5u, false},
  };
  for (const Case& c : cases) {
    VARIANT value = {};
    value.vt = c.type;
    value.ullVal = c.bits;
    uint32_t result = 12345;
    EXPECT_EQ(c.accepted, internal::WmiVariantToUint32(value, &result))
        << "type " << c.type;
    EXPECT_EQ(c.accepted ? c.bits : 12345u, result) << "type " << c.type;
  }
}

// Run by ParametersAndLaunch as the process that WMI starts: it waits to be
// ended.
TEST(WmiChild, DISABLED_WaitToBeEnded) { ::Sleep(60000); }

// The parameters need a known class, method and parameter (the known ones
// are the launch's); the launch starts a real process.
TEST(WmiTest, ParametersAndLaunch) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ComPtr<IWbemServices> services;
  ASSERT_TRUE(ConnectToWmi(true, &services));
  ASSERT_TRUE(services);

  ComPtr<IWbemClassObject> params;
  EXPECT_FALSE(CreateWmiMethodParameters(services.Get(), L"Velto_NoSuchClass",
                                         L"Create", &params));
  EXPECT_FALSE(CreateWmiMethodParameters(services.Get(), L"Win32_Process",
                                         L"NoSuchMethod", &params));
  EXPECT_FALSE(params);

  ASSERT_TRUE(CreateWmiMethodParameters(services.Get(), L"Win32_Process",
                                        L"Create", &params));
  base::win::ScopedVariant text(L"child.exe");
  EXPECT_FALSE(SetWmiParameter(params.Get(), L"NoSuchParameter", text.get()));

  const std::wstring self = testing_support::SelfPath();
  DWORD process_id = 0;
  ASSERT_TRUE(LaunchProcessViaWmi(
      L"\"" + self +
          L"\" --gtest_also_run_disabled_tests"
          L" --gtest_filter=WmiChild.DISABLED_WaitToBeEnded",
      &process_id));
  const DWORD process_id_before = process_id;

  const base::Process child = base::Process::Open(process_id);
  ASSERT_TRUE(child.IsValid()) << ::GetLastError();
  wchar_t image[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  ASSERT_TRUE(::QueryFullProcessImageNameW(child.Handle(), 0, image, &length));
  EXPECT_EQ(CSTR_EQUAL, ::CompareStringOrdinal(image, static_cast<int>(length),
                                               self.c_str(), -1, TRUE));
  EXPECT_TRUE(::TerminateProcess(child.Handle(), 7));
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.Handle(), 10000));

  // The id is optional, and a refused command leaves it alone.
  EXPECT_TRUE(LaunchProcessViaWmi(L"cmd.exe /c exit 0", nullptr));
  EXPECT_FALSE(LaunchProcessViaWmi(
      L"C:\\velto-no-such-folder\\no-such-program.exe", &process_id));
  EXPECT_EQ(process_id, process_id_before);
  ::CoUninitialize();
}

}  // namespace
}  // namespace installer
