#include "desktop/windows/installer/service/utils.h"

#include <string.h>

#include <algorithm>

#include "base/files/file_path.h"
#include "base/path_service.h"
#include "base/win/scoped_handle.h"
#include "base/win/shortcut.h"
#include "base/win/well_known_sid.h"
#include "base/win/windows_version.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using base::FilePath;

// The smallest header IsExecutable64Bit reads: "MZ", the offset of the PE
// header at byte 60, then "PE\0\0" and the machine field.
std::string MakePeHeader(uint16_t machine) {
  std::string bytes(64, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  const uint32_t offset = 64;
  memcpy(&bytes[60], &offset, sizeof(offset));
  bytes.append("PE\0\0", 4);
  bytes.append(reinterpret_cast<const char*>(&machine), sizeof(machine));
  return bytes;
}

TEST(UtilsTest, IsExecutable64Bit) {
  bool is64 = false;
  EXPECT_TRUE(IsExecutable64Bit(FilePath(testing_support::SelfPath()), &is64));
  EXPECT_TRUE(is64);

  testing_support::ScopedTestFolder folder;
  const FilePath image(folder.path() + L"\\image.exe");
  const std::string x86 = MakePeHeader(IMAGE_FILE_MACHINE_I386);
  ASSERT_TRUE(testing_support::WriteFileForTest(image.value(), x86));
  is64 = true;
  EXPECT_TRUE(IsExecutable64Bit(image, &is64));
  EXPECT_FALSE(is64);
  // Any machine but 32-bit x86 counts as 64-bit.
  ASSERT_TRUE(testing_support::WriteFileForTest(
      image.value(), MakePeHeader(IMAGE_FILE_MACHINE_ARM64)));
  EXPECT_TRUE(IsExecutable64Bit(image, &is64));
  EXPECT_TRUE(is64);

  // Every cut of the header, down to an empty file, is too short.
  for (size_t length = 0; length < x86.size(); ++length) {
    ASSERT_TRUE(testing_support::WriteFileForTest(image.value(),
                                                  x86.substr(0, length)));
    EXPECT_FALSE(IsExecutable64Bit(image, &is64)) << length;
  }

  // Offsets that point past the end, or wrap around, answer false.
  for (uint32_t offset : {66u, 0xFFFFFFFCu, 0xFFFFFFFFu}) {
    std::string lying = x86;
    memcpy(&lying[60], &offset, sizeof(offset));
    ASSERT_TRUE(testing_support::WriteFileForTest(image.value(), lying));
    EXPECT_FALSE(IsExecutable64Bit(image, &is64)) << offset;
  }
  std::string not_mz = x86;
  not_mz[0] = 'X';
  ASSERT_TRUE(testing_support::WriteFileForTest(image.value(), not_mz));
  EXPECT_FALSE(IsExecutable64Bit(image, &is64));
  EXPECT_FALSE(
      IsExecutable64Bit(FilePath(folder.path() + L"\\missing.exe"), &is64));
}

TEST(UtilsTest, KernelObjectChannelProductAndUserNames) {
  EXPECT_EQ(L"Global\\Velto/Installer/C:/Program Files/Velto",
            GetKernelObjectName(L"C:\\Program Files\\Velto", L"Velto/Installer",
                                true));
  EXPECT_EQ(L"Local\\Velto/Single/UI/x/y",
            GetKernelObjectName(L"x\\y", L"Velto\\Single/UI", false));
  EXPECT_EQ("Developer", GetCurrentChannelName());
  const char* const kChannels[] = {"developer", "Nightly", "Developer",
                                   "Next",      "Stable",  "developer"};
  for (int32_t channel = 0; channel < 6; ++channel)
    EXPECT_EQ(kChannels[channel], GetChannelName(channel)) << channel;
  EXPECT_EQ(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
            GetUninstallRegistryKey());
  // From the standard product settings the test executable carries.
  EXPECT_EQ(L"Software\\Velto Software", GetProductRegistryKey());
  EXPECT_EQ("velto.exe", GetExecutableName());

  std::wstring name, sam_name;
  ASSERT_TRUE(GetCurrentUserName(&name));
  EXPECT_FALSE(name.empty());
  ASSERT_TRUE(GetUserNameWithFormat(&sam_name, NameSamCompatible));
  // "DOMAIN\user": the logon name follows the last backslash, and nothing
  // trails it.
  EXPECT_EQ(name, sam_name.substr(sam_name.rfind(L'\\') + 1)) << sam_name;
}

// Stands in for the system's answer: the process token is a filtered one
// whose linked token has Administrators for deny only.
HANDLE g_linked_token = nullptr;
HANDLE g_handed_out = nullptr;
BOOL WINAPI GetFilteredTokenInformation(HANDLE token,
                                        TOKEN_INFORMATION_CLASS info_class,
                                        void* info, DWORD size,
                                        DWORD* returned) {
  if (info_class == TokenElevationType) {
    *static_cast<TOKEN_ELEVATION_TYPE*>(info) = TokenElevationTypeLimited;
    *returned = sizeof(TOKEN_ELEVATION_TYPE);
    return TRUE;
  }
  if (info_class == TokenLinkedToken) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), g_linked_token,
                           ::GetCurrentProcess(), &copy, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
      return FALSE;
    }
    static_cast<TOKEN_LINKED_TOKEN*>(info)->LinkedToken = copy;
    g_handed_out = copy;
    *returned = sizeof(TOKEN_LINKED_TOKEN);
    return TRUE;
  }
  return ::GetTokenInformation(token, info_class, info, size, returned);
}

TEST(UtilsTest, IsAdminUserJudgesFilteredTokenByItsLinkedToken) {
  EXPECT_TRUE(IsAdminUser(true));
  HANDLE process_token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(
      ::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process_token));
  base::win::ScopedHandle owned_process_token(process_token);
  base::win::ScopedSid sid = base::win::CreateAdministratorsSid();
  ASSERT_TRUE(sid.Get());
  SID_AND_ATTRIBUTES administrators = {sid.Get(), 0};
  HANDLE restricted = nullptr;
  ASSERT_TRUE(::CreateRestrictedToken(process_token, 0, 1, &administrators, 0,
                                      nullptr, 0, nullptr, &restricted));
  base::win::ScopedHandle owned_restricted(restricted);
  g_linked_token = restricted;

  internal::ScopedGetTokenInformationForTesting seam(
      &GetFilteredTokenInformation);
  EXPECT_FALSE(IsAdminUser(true));
  // The linked token handed out was closed.
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(g_handed_out, &flags));
  // Vista brought filtered tokens; before it the process token decides.
  for (base::win::WindowsVersion release :
       {base::win::VERSION_VISTA, base::win::VERSION_SERVER_2003}) {
    base::win::WindowsVersionInfo info;
    info.version = release;
    base::win::internal::ScopedWindowsVersionForTesting pinned(info);
    EXPECT_EQ(release < base::win::VERSION_VISTA, IsAdminUser(true)) << release;
  }
  EXPECT_TRUE(IsAdminUser(false));
  g_linked_token = nullptr;
}

FilePath MakeLink(const std::wstring& folder, const std::wstring& name,
                  const FilePath& target) {
  FilePath link(folder + L"\\" + name);
  base::win::ShortcutProperties properties;
  properties.set_target(target);
  EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(
      link, properties, base::win::SHORTCUT_CREATE_ALWAYS));
  return link;
}

TEST(UtilsTest, ShortcutPointsToAndTaskbarPins) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  testing_support::ScopedTestFolder folder;
  const FilePath target(folder.path() + L"\\velto.exe");
  const FilePath other(folder.path() + L"\\other.exe");
  // A second name of the target itself.
  const FilePath alias(folder.path() + L"\\alias.exe");
  ASSERT_TRUE(testing_support::WriteFileForTest(target.value(), "x"));
  ASSERT_TRUE(testing_support::WriteFileForTest(other.value(), "y"));
  ASSERT_TRUE(::CreateHardLinkW(alias.value().c_str(), target.value().c_str(),
                                nullptr));
  BY_HANDLE_FILE_INFORMATION target_information = {}, scratch = {};
  ASSERT_TRUE(GetFileIdentity(target, &target_information));
  {
    // Held by someone else without sharing, the file still answers.
    base::win::ScopedHandle held(
        ::CreateFileW(target.value().c_str(), GENERIC_READ, 0, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_TRUE(GetFileIdentity(target, &scratch));
    EXPECT_EQ(target_information.nFileIndexLow, scratch.nFileIndexLow);
  }
  EXPECT_FALSE(
      GetFileIdentity(FilePath(folder.path() + L"\\missing"), &scratch));

  const std::wstring pins_folder = folder.path() + L"\\pins";
  ASSERT_TRUE(::CreateDirectoryW(pins_folder.c_str(), nullptr));
  const FilePath by_path = MakeLink(pins_folder, L"a.lnk", target);
  const FilePath by_alias = MakeLink(pins_folder, L"b.lnk", alias);
  MakeLink(pins_folder, L"c.lnk", other);
  ASSERT_TRUE(testing_support::WriteFileForTest(pins_folder + L"\\broken.lnk",
                                                "not a link"));
  // A link, but not by name.
  ::CopyFileW(by_path.value().c_str(), (pins_folder + L"\\d.txt").c_str(),
              FALSE);

  std::wstring upper = target.value();
  std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
  EXPECT_TRUE(ShortcutPointsTo(by_path, FilePath(upper), nullptr));
  EXPECT_FALSE(ShortcutPointsTo(FilePath(pins_folder + L"\\missing.lnk"),
                                target, nullptr));

  // Another name of the same file matches only by identity; the pins show
  // the links that do not match.
  ASSERT_TRUE(base::PathService::Override(base::PathKey::TaskbarPins,
                                          FilePath(pins_folder), true, false));
  std::vector<FilePath> pins;
  FindTaskbarPinsTo(target, &target_information, &pins);
  std::vector<std::wstring> names;
  for (const FilePath& pin : pins) names.push_back(pin.value());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::wstring>{by_path.value(), by_alias.value()}),
            names);
  pins.clear();
  FindTaskbarPinsTo(target, nullptr, &pins);
  ASSERT_EQ(1u, pins.size());
  EXPECT_EQ(by_path.value(), pins[0].value());

  // A missing folder adds nothing.
  ASSERT_TRUE(base::PathService::Override(base::PathKey::TaskbarPins,
                                          FilePath(folder.path() + L"\\gone"),
                                          true, false));
  pins.clear();
  FindTaskbarPinsTo(target, &target_information, &pins);
  EXPECT_TRUE(pins.empty());
  ::CoUninitialize();
}

}  // namespace
}  // namespace installer
