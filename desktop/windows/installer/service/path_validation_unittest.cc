#include "desktop/windows/installer/service/path_validation.h"

#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"

namespace installer {
namespace {

// A path of |length| characters: "C:" and ten-character components.
std::wstring PathOfLength(size_t length) {
  std::wstring path = L"C:";
  while (path.size() < length) path += (path.size() % 10 == 2) ? L'\\' : L'a';
  path.back() = L'a';
  return path;
}

TEST(PathValidationTest, Table) {
  // Within the length, components still count.
  std::wstring device = PathOfLength(259);
  device.replace(device.size() - 4, 4, L"\\CON");
  // Shares need a server, a share and a separator after each; devices count
  // in any case and with any extension, but only the listed ones.
  const std::wstring kValid[] = {L"C:",
                                 L"C:/Program Files/Velto",
                                 L"Velto\\Application",
                                 PathOfLength(247),
                                 L"\\\\server\\share\\",
                                 L"//server/share/Velto",
                                 L"C:\\Velto 1.0\\x",
                                 L"C:\\.hidden",
                                 L"C:\\COM5",
                                 L"C:\\LPT4.txt",
                                 L"C:\\CONx"};
  std::vector<std::wstring> invalid = {L"",
                                       PathOfLength(260),
                                       device,
                                       L"\\\\server\\share",
                                       L"//server/share",
                                       L"\\\\\\share\\",
                                       L"\\\\ser*ver\\share\\",
                                       L"C:\\ Velto",
                                       L"C:\\Velto \\x",
                                       L"C:\\Velto.",
                                       L"C:\\CON",
                                       L"C:\\x\\con\\y",
                                       L"C:\\com1.txt",
                                       L"C:\\Com1.tar.gz"};
  for (const wchar_t* name : {L"aux", L"Com2", L"COM3", L"com4", L"LPT1",
                              L"lpt2", L"LPT3", L"prn", L"Nul"}) {
    invalid.push_back(std::wstring(L"C:\\") + name + L".log");
  }
  // Characters no component may hold.
  for (wchar_t c : std::wstring(L"?\"<>*|:\x1f\0", 9))
    invalid.push_back(std::wstring(L"C:\\a") + c + L"b");
  for (bool folder : {false, true}) {
    for (const std::wstring& path : kValid)
      EXPECT_TRUE(IsValidWin32Path(path, folder)) << path;
    for (const std::wstring& path : invalid)
      EXPECT_FALSE(IsValidWin32Path(path, folder)) << path;
    // The short limit is for folders.
    for (size_t length : {248u, 259u})
      EXPECT_NE(folder, IsValidWin32Path(PathOfLength(length), folder));
  }
}

// Every spelling of a drive or share root is refused; what passes comes
// back in one spelling.
TEST(PathValidationTest, NormalizeFolderBelowRoot) {
  // Each path and what it becomes; null: refused.
  const std::pair<std::wstring, const wchar_t*> cases[] = {
      {L"c:/Profiles//x/", L"c:\\Profiles\\x"},
      {L"C:\\a\\.\\b\\..\\c", L"C:\\a\\c"},
      {L"C:\\..\\..\\a", L"C:\\a"},
      {L"C:\\a..b\\...x", L"C:\\a..b\\...x"},
      {L"\\??\\C:\\a", L"C:\\a"},
      {L"//srv/share/a/b/..", L"\\\\srv\\share\\a"},
      {L"\\\\.\\unc\\srv\\share\\a\\.", L"\\\\srv\\share\\a"},
      {L"C:\\Velto.Data\\a.b", L"C:\\Velto.Data\\a.b"},
      // Roots, however written.
      {L"C:\\", nullptr},
      {L"C:", nullptr},
      {L"C:\\a\\..", nullptr},
      {L"\\\\srv\\share\\", nullptr},
      {L"\\\\srv\\\\a", nullptr},
      {L"\\\\..\\share\\a", nullptr},
      // Relative, other namespaces, and what the system might read apart.
      {L"C:a\\b", nullptr},
      {L"\\a\\b", nullptr},
      {L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\a", nullptr},
      {L"C:\\a\\. .\\b", nullptr},
      {std::wstring(L"C:\\a\0b", 6), nullptr},
      // Names the system reads as another: it drops trailing dots, and
      // blanks from the last component, so "users." is "users"; behind
      // "\\?\" the name is literal, and without the prefix an alias.
      {L"C:\\users.", nullptr},
      {L"C:\\users ", nullptr},
      {L"C:\\users. .", nullptr},
      {L"C:\\a.. \\b", nullptr},
      {L"\\\\?\\C:\\users.", nullptr},
      {L"\\??\\C:\\users.\\x", nullptr},
      {L"\\\\.\\C:\\users ", nullptr},
      {L"\\\\?\\UNC\\srv\\share\\a.", nullptr},
      {L"//srv/share/a /b", nullptr},
      {L"\\\\srv.\\share\\a", nullptr},
      {L"\\\\srv\\share \\a", nullptr},
      // A stream name: "::$INDEX_ALLOCATION" opens the folder itself.
      {L"C:\\users::$INDEX_ALLOCATION", nullptr},
      {L"C:\\users:$I30:$INDEX_ALLOCATION\\x", nullptr},
  };
  for (const auto& [path, expected] : cases) {
    std::wstring normalized = L"unchanged";
    EXPECT_EQ(expected != nullptr, NormalizeFolderBelowRoot(path, &normalized))
        << path;
    EXPECT_EQ(expected ? expected : L"unchanged", normalized) << path;
  }
}

}  // namespace
}  // namespace installer
