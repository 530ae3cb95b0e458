// A directory link made for one test, shared by the file utility and
// enumerator tests.
//
//   ScopedDirectoryLink link(folder + L"\\link", folder + L"\\target");
//   if (!link.created()) GTEST_SKIP() << "No directory links here";
//
// Windows makes the link with CreateSymbolicLinkW. Wine accepts that call but
// makes nothing; there the link is a Unix symbolic link made by the host's
// "ln", which Wine shows with the attributes 0x410 (reparse point and
// directory) and cannot remove itself, so "rm" removes it again. (Wine's
// RemoveDirectoryW on such a link acts on the target: it fails with 145 while
// the target holds entries and removes an empty target.)
#ifndef TESTING_SCOPED_DIRECTORY_LINK_H_
#define TESTING_SCOPED_DIRECTORY_LINK_H_

#include <string>

#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"

namespace base {
namespace test {

constexpr DWORD kDirectoryLinkAttributes =
    FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;

class ScopedDirectoryLink {
 public:
  ScopedDirectoryLink(const std::wstring& link, const std::wstring& target)
      : link_(link) {
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY |
                              SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (created()) return;
    const std::wstring host_target = HostPathOf(target);
    if (host_target.empty()) return;
    host_link_ = HostPathOf(link);
    testing_support::RunChildProcess(L"Z:\\bin\\ln -s \"" + host_target +
                                     L"\" \"" + host_link_ + L"\"");
    WaitFor([this] { return created(); });
  }

  ~ScopedDirectoryLink() {
    if (host_link_.empty()) {
      if (created()) ::RemoveDirectoryW(link_.c_str());
      return;
    }
    // Always through the host: Wine cannot remove the link, and one whose
    // target is gone is invisible to it. No "-r": only the link goes.
    testing_support::RunChildProcess(L"Z:\\bin\\rm -f \"" + host_link_ + L"\"");
    // The host program may outlive the wait on it; the folder holding the
    // link is removed next.
    WaitFor([this] {
      return ::GetFileAttributesW(link_.c_str()) == INVALID_FILE_ATTRIBUTES;
    });
  }

  ScopedDirectoryLink(const ScopedDirectoryLink&) = delete;
  ScopedDirectoryLink& operator=(const ScopedDirectoryLink&) = delete;

  bool created() const {
    DWORD attributes = ::GetFileAttributesW(link_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & kDirectoryLinkAttributes) == kDirectoryLinkAttributes;
  }

 private:
  // The host path of |path| under Wine; empty elsewhere. Only the folder
  // needs to exist: the last component is converted by name.
  static std::wstring HostPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unix_file_name = reinterpret_cast<UnixFileName>(::GetProcAddress(
        ::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    const size_t separator = path.find_last_of(L'\\');
    char* folder = unix_file_name
                       ? unix_file_name(path.substr(0, separator).c_str())
                       : nullptr;
    if (!folder) return std::wstring();
    const std::wstring host = base::UTF8ToWide(folder);
    ::HeapFree(::GetProcessHeap(), 0, folder);
    return host + L"/" + path.substr(separator + 1);
  }

  // Waits up to five seconds for |done|: a host program started through Wine
  // may still be running when its process handle reports the end.
  template <typename Predicate>
  static void WaitFor(Predicate done) {
    for (int i = 0; i < 500 && !done(); ++i) ::Sleep(10);
  }

  std::wstring link_;
  std::wstring host_link_;  // Set when the host made the link.
};

}  // namespace test
}  // namespace base

#endif  // TESTING_SCOPED_DIRECTORY_LINK_H_
