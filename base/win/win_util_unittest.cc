#include "base/win/win_util.h"

#include <string.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/win/scoped_propvariant.h"
#include "testing/fake_property_store.h"

namespace base {
namespace win {
namespace {

// The text is copied with its terminator (its type and characters, and the
// refusal of a null text, are the property store tests' to check).
TEST(InitPropVariantFromStringTest, CopiesTheTextWithItsTerminator) {
  const wchar_t kText[] = L"Velto.Browser";
  ScopedPropVariant value;
  ASSERT_EQ(S_OK, InitPropVariantFromString(kText, value.Receive()));
  ASSERT_NE(kText, value.get().pwszVal);
  IMalloc* allocator = nullptr;
  ASSERT_EQ(S_OK, ::CoGetMalloc(1, &allocator));
  EXPECT_EQ(sizeof(kText), allocator->GetSize(value.get().pwszVal));
  allocator->Release();
}

// Each write lands on its application-user-model property and is committed
// only after SetValue returns S_OK.
TEST(PropertyStoreTest, WritesAndCommits) {
  const struct {
    HRESULT set_value_result;
    HRESULT commit_result;
    int expected_commits;
    bool expected_result;
  } cases[] = {
      {S_OK, S_OK, 1, true},
      {S_FALSE, E_FAIL, 0, true},
      {E_FAIL, S_OK, 0, false},
      {S_OK, E_ACCESSDENIED, 1, false},
  };
  GUID format_id;  // The application user model's property set.
  ASSERT_EQ(S_OK, ::CLSIDFromString(L"{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}",
                                    &format_id));
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << test.set_value_result << " "
                                    << test.commit_result);
    for (int flag = -1; flag <= 1; ++flag) {  // -1: the app id.
      FakePropertyStore store;
      store.set_value_result = test.set_value_result;
      store.commit_result = test.commit_result;
      EXPECT_EQ(test.expected_result,
                flag < 0 ? SetAppIdForPropertyStore(&store, L"Velto.Browser")
                         : SetDualModeForPropertyStore(&store, flag == 1));
      EXPECT_EQ(test.expected_commits, store.commits);
      ASSERT_EQ(1u, store.writes.size());
      const FakePropertyStore::Write& write = store.writes[0];
      EXPECT_TRUE(::IsEqualGUID(format_id, write.key.fmtid));
      EXPECT_EQ(flag < 0 ? 5u : 11u, write.key.pid);
      EXPECT_EQ(flag < 0 ? VT_LPWSTR : VT_BOOL, write.type);
      if (flag < 0)
        EXPECT_EQ(L"Velto.Browser", write.text);
      else
        EXPECT_EQ(flag == 1 ? VARIANT_TRUE : VARIANT_FALSE, write.flag);
    }
  }
  FakePropertyStore store;
  EXPECT_FALSE(SetAppIdForPropertyStore(&store, nullptr));
  EXPECT_TRUE(store.writes.empty());
}

// What the stand-in for GetProcessMitigationPolicy saw and does.
struct PolicyCall {
  int count = 0;
  bool arguments_ok = false;
  DWORD buffer_on_entry = 0xFFFFFFFF;
  BOOL result = TRUE;
  bool writes = true;
  DWORD flags = 0;
};
PolicyCall g_policy_call;

BOOL WINAPI FakeGetProcessMitigationPolicy(HANDLE process,
                                           PROCESS_MITIGATION_POLICY policy,
                                           void* buffer, SIZE_T length) {
  ++g_policy_call.count;
  g_policy_call.arguments_ok = process == ::GetCurrentProcess() &&
                               policy == ProcessSystemCallDisablePolicy &&
                               length == sizeof(DWORD);
  ::memcpy(&g_policy_call.buffer_on_entry, buffer, sizeof(DWORD));
  if (g_policy_call.writes)
    ::memcpy(buffer, &g_policy_call.flags, sizeof(DWORD));
  return g_policy_call.result;
}

// Leaves set bits where the next call's locals will lie, so that a buffer
// the code forgets to zero does not read as zero by chance.
__attribute__((noinline)) void DirtyTheStack() {
  volatile unsigned char junk[4096];
  for (size_t i = 0; i < sizeof(junk); ++i) junk[i] = 0xFF;
}

TEST(User32AndGdi32Test, DecidedByTheWin32kPolicyFromWindows8) {
  const struct {
    const char* label;
    WindowsVersion version;
    bool function_present;
    BOOL call_result;
    bool call_writes;
    DWORD flags;  // 1 in the rows that must not ask: asking would refuse.
    bool expected_available;
  } cases[] = {
      {"before Windows 8", VERSION_WIN7, true, TRUE, true, 1, true},
      {"function missing", VERSION_WIN8, false, TRUE, true, 1, true},
      {"call fails", VERSION_WIN8, true, FALSE, true, 1, true},
      {"calls disallowed", VERSION_WIN10_TH2, true, TRUE, true, 1, false},
      {"other bits", VERSION_WIN8_1, true, TRUE, true, 0xFFFFFFFE, true},
      // Success without a write must read the zeroed buffer.
      {"no write", VERSION_WIN10, true, TRUE, false, 0, true},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.label);
    g_policy_call = PolicyCall();
    g_policy_call.result = test.call_result;
    g_policy_call.writes = test.call_writes;
    g_policy_call.flags = test.flags;
    DirtyTheStack();
    EXPECT_EQ(test.expected_available,
              internal::ComputeUser32AndGdi32Available(
                  test.version, test.function_present
                                    ? &FakeGetProcessMitigationPolicy
                                    : nullptr));
    if (g_policy_call.count) {
      EXPECT_TRUE(g_policy_call.arguments_ok);
      EXPECT_EQ(0u, g_policy_call.buffer_on_entry);
    }
  }
  EXPECT_TRUE(IsUser32AndGdi32Available());  // This process may call them.
}

}  // namespace
}  // namespace win
}  // namespace base
