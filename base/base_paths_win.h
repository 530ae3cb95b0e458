// The provider of the Windows range of PathService keys (see base_paths.h):
// module files, system folders and shell folders; and the lookup of known
// folders for code that names a folder id itself. Shell folder ids are
// turned into paths here and nowhere else.
//
//   base::FilePath folder;
//   if (base::GetKnownFolderPath(FOLDERID_LocalAppData, 0, &folder)) ...
#ifndef BASE_BASE_PATHS_WIN_H_
#define BASE_BASE_PATHS_WIN_H_

#include "base/win/windows_types.h"

namespace base {

class FilePath;

// Answers keys 6 to 9 and 101 to 117. Returns false for a key it does not
// answer or when the system cannot say.
bool PathProviderWin(int key, FilePath* result);

// The path of the known folder |folder_id|, asked with |flags|
// (KF_FLAG_CREATE | KF_FLAG_INIT creates a missing folder). False when the
// system has no such folder or gives an empty path; |*result| is then left
// as it was.
bool GetKnownFolderPath(const GUID& folder_id, DWORD flags, FilePath* result);

namespace internal {

// The signature of SHGetKnownFolderPath.
using GetKnownFolderPathFunction = HRESULT(WINAPI*)(const GUID& folder_id,
                                                     DWORD flags,
                                                     HANDLE token,
                                                     wchar_t** path);

// For tests only: routes GetKnownFolderPath through |function| for the
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
