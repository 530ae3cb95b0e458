// PathService: the one way well-known folders are found. A caller asks for a
// key of base_paths.h and gets a path; shell folder ids stay inside the
// providers.
//
//   base::FilePath pins;
//   if (!base::PathService::Get(base::PathKey::TaskbarPins, &pins))
//     return false;
//
// Answers come from a fixed chain of providers (the Windows provider, then
// the base provider), are cached for the life of the process, and may be
// overridden by the program. An override clears the whole cache, so keys
// derived from the overridden one are computed again; an answer whose
// computation overlapped an override is handed out but not cached. Every
// answer is non-empty and never climbs with "..". Any thread may call; the
// process-wide state is made on first use and never destroyed.
#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/base_paths.h"
#include "base/files/file_path.h"

namespace base {

class PathService {
 public:
  PathService() = delete;

  // Stores the folder of |key| in |*result|. PathKey::CurrentDirectory is
  // read afresh every time; other keys are cached once answered. Fails for a
  // key that no provider answers or whose answer is empty.
  static bool Get(int key, FilePath* result);

  // Makes |key| answer |path| from now on. With |create|, a missing |path|
  // is created with its parents first (false when that fails). Unless
  // |is_absolute|, |path| is made absolute against the current directory.
  // Overrides cannot be removed.
  static bool Override(int key, const FilePath& path, bool is_absolute,
                       bool create);
};

}  // namespace base

#endif  // BASE_PATH_SERVICE_H_
