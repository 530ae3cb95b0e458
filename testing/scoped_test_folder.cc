#include "testing/scoped_test_folder.h"

#include <atomic>

#include "base/win/windows_types.h"

namespace testing_support {

ScopedTestFolder::ScopedTestFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1];
  DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  std::wstring base(temp, length);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (;;) {
    path_ = base + L"\\velto_test_" + std::to_wstring(::GetCurrentProcessId()) +
            L"_" + std::to_wstring(::GetTickCount64()) + L"_" +
            std::to_wstring(counter++);
    if (::CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      ::OutputDebugStringW(L"ScopedTestFolder: cannot create folder");
      std::abort();
    }
  }
}

ScopedTestFolder::~ScopedTestFolder() { RemoveTreeForTest(path_); }

ScopedCurrentDirectoryForTest::ScopedCurrentDirectoryForTest(
    const std::wstring& folder) {
  wchar_t saved[MAX_PATH + 1];
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, saved);
  if (length == 0 || length > MAX_PATH) return;
  saved_.assign(saved, length);
  changed_ = ::SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

ScopedCurrentDirectoryForTest::~ScopedCurrentDirectoryForTest() {
  if (changed_) ::SetCurrentDirectoryW(saved_.c_str());
}

void RemoveTreeForTest(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        RemoveTreeForTest(path + L"\\" + name);
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
  }
  if (!::RemoveDirectoryW(path.c_str()) &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Wine cannot remove a directory link itself; a Unix one is unlinked
    // through the host.
    ::DeleteFileW(path.c_str());
  }
}

bool WriteFileForTest(const std::wstring& path, const std::string& contents) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, contents.data(),
                        static_cast<DWORD>(contents.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == contents.size();
}

}  // namespace testing_support
