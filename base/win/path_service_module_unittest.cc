// The path service's module-file key, asked of a library that carries its own
// copy of the service (testdata/path_service_probe.cc) and is loaded from
// folders of different depths.
#include <string>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

namespace {

using ProbeFunction = int (*)(wchar_t* buffer, int size);

// |path| stays empty when the probe answers that the service failed.
struct ProbeResult {
  bool loaded = false;
  std::wstring path;
};

ProbeResult AskProbeAt(const std::wstring& copy) {
  ProbeResult result;
  const std::wstring built =
      testing_support::SelfFolder() +
      L"\\native_library_testdata\\path_service_probe.dll";
  if (!::CopyFileW(built.c_str(), copy.c_str(), TRUE)) return result;
  HMODULE probe = ::LoadLibraryW(copy.c_str());
  if (!probe) return result;
  result.loaded = true;
  auto function = reinterpret_cast<ProbeFunction>(
      ::GetProcAddress(probe, "PathServiceProbeModuleFile"));
  wchar_t buffer[1024] = {};
  if (function && function(buffer, 1024)) result.path = buffer;
  ::FreeLibrary(probe);
  return result;
}

TEST(PathServiceModuleTest, ModuleFileIsTheLibraryItself) {
  testing_support::ScopedTestFolder folder;
  const std::wstring copy = folder.path() + L"\\probe_short.dll";
  ProbeResult result = AskProbeAt(copy);
  ASSERT_TRUE(result.loaded);
  EXPECT_EQ(0, ::lstrcmpiW(copy.c_str(), result.path.c_str()))
      << std::string(result.path.begin(), result.path.end());
}

// A name longer than the 260-character buffer comes back cut short; it must
// not pass for the module's path.
TEST(PathServiceModuleTest, ModuleFileFailsWhenItsNameDoesNotFit) {
  testing_support::ScopedTestFolder folder;
  std::wstring deep = folder.path();
  while (deep.size() < MAX_PATH + 20) {
    deep += L"\\" + std::wstring(40, L'd');
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  ProbeResult result = AskProbeAt(deep + L"\\probe_long.dll");
  if (!result.loaded)
    GTEST_SKIP() << "This system does not load libraries from long paths";
  EXPECT_EQ(L"", result.path);
}

}  // namespace
