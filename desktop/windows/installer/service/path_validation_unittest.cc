#include "desktop/windows/installer/service/path_validation.h"

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
  struct Case {
    std::wstring path;
    bool valid;
    bool valid_as_folder;  // With the short limit.
  };
  // Within the length, components still count.
  std::wstring device = PathOfLength(259);
  device.replace(device.size() - 4, 4, L"\\CON");
  const Case cases[] = {
      // Roots.
      {L"C:", true, true},
      {L"C:/Program Files/Velto", true, true},
      {L"Velto\\Application", true, true},
      {L"", false, false},
      // Lengths.
      {PathOfLength(247), true, true},
      {PathOfLength(248), true, false},
      {PathOfLength(259), true, false},
      {PathOfLength(260), false, false},
      {device, false, false},
      // Shares need a server, a share and a separator after each.
      {L"\\\\server\\share\\", true, true},
      {L"//server/share/Velto", true, true},
      {L"\\\\server\\share", false, false},
      {L"\\\\\\share\\", false, false},
      {L"\\\\ser*ver\\share\\", false, false},
      // Blanks and dots.
      {L"C:\\ Velto", false, false},
      {L"C:\\Velto \\x", false, false},
      {L"C:\\Velto.", false, false},
      {L"C:\\Velto 1.0\\x", true, true},
      {L"C:\\.hidden", true, true},
      // Devices, in any case and with any extension; only the listed ones.
      {L"C:\\CON", false, false},
      {L"C:\\x\\con\\y", false, false},
      {L"C:\\com1.txt", false, false},
      {L"C:\\Com1.tar.gz", false, false},
      {L"C:\\COM5", true, true},
      {L"C:\\CONx", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.valid, IsValidWin32Path(c.path, false)) << c.path;
    EXPECT_EQ(c.valid_as_folder, IsValidWin32Path(c.path, true)) << c.path;
  }
  // Characters no component may hold.
  for (wchar_t c : std::wstring(L"?\"<>*|:\x1f\0", 9)) {
    const std::wstring path = std::wstring(L"C:\\a") + c + L"b";
    EXPECT_FALSE(IsValidWin32Path(path, false)) << static_cast<int>(c);
    EXPECT_FALSE(IsValidWin32Path(path, true)) << static_cast<int>(c);
  }
}

// Every spelling of a drive or share root is refused; what passes comes
// back in one spelling.
TEST(PathValidationTest, NormalizeFolderBelowRoot) {
  struct Case {
    std::wstring path;
    const wchar_t* normalized;  // null: refused
  };
  const Case cases[] = {
      {L"c:/Profiles//x/", L"c:\\Profiles\\x"},
      {L"C:\\a\\.\\b\\..\\c", L"C:\\a\\c"},
      {L"C:\\..\\..\\a", L"C:\\a"},
      {L"C:\\a..b\\...x", L"C:\\a..b\\...x"},
      {L"\\??\\C:\\a", L"C:\\a"},
      {L"//srv/share/a/b/..", L"\\\\srv\\share\\a"},
      {L"\\\\.\\unc\\srv\\share\\a\\.", L"\\\\srv\\share\\a"},
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
  };
  for (const Case& c : cases) {
    std::wstring normalized = L"unchanged";
    EXPECT_EQ(c.normalized != nullptr,
              NormalizeFolderBelowRoot(c.path, &normalized))
        << c.path;
    EXPECT_EQ(c.normalized ? c.normalized : L"unchanged", normalized) << c.path;
  }
}

}  // namespace
}  // namespace installer
