// The provider of the Windows range of PathService keys (see base_paths.h):
// module files, system folders and shell folders. Shell folder ids are turned
// into paths here and nowhere else.
#ifndef BASE_BASE_PATHS_WIN_H_
#define BASE_BASE_PATHS_WIN_H_

#include "base/win/windows_types.h"

namespace base {

class FilePath;

// Answers keys 6 to 9 and 101 to 117. Returns false for a key it does not
// answer or when the system cannot say.
bool PathProviderWin(int key, FilePath* result);

namespace internal {

// The signature of SHGetKnownFolderPath.
using GetKnownFolderPathFunction = HRESULT(WINAPI*)(const GUID& folder_id,
                                                     DWORD flags,
                                                     HANDLE token,
                                                     wchar_t** path);

// For tests only: routes the known-folder lookup through |function| for the
// scope's life, since some systems lack folders the tests need. The buffer
// the function returns is freed with CoTaskMemFree. Scopes nest; they must
// not overlap across threads.
class ScopedGetKnownFolderPathForTesting {
 public:
  explicit ScopedGetKnownFolderPathForTesting(
      GetKnownFolderPathFunction function);
  ~ScopedGetKnownFolderPathForTesting();
  ScopedGetKnownFolderPathForTesting(
      const ScopedGetKnownFolderPathForTesting&) = delete;
  ScopedGetKnownFolderPathForTesting& operator=(
      const ScopedGetKnownFolderPathForTesting&) = delete;

 private:
  GetKnownFolderPathFunction previous_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_BASE_PATHS_WIN_H_
