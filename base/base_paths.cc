#include "base/base_paths.h"

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"

namespace base {

namespace {

// The folder of |key|'s answer. An inner failure gives the empty path, which
// PathService::Get treats as failure; DirName alone would turn it into ".".
FilePath DirNameOfKey(int key) {
  FilePath inner;
  if (!PathService::Get(key, &inner))
    return FilePath();
  return inner.DirName();
}

}  // namespace

bool PathProvider(int key, FilePath* result) {
  switch (key) {
    case PathKey::ExeDirectory:
      *result = DirNameOfKey(PathKey::ExeFile);
      return true;
    case PathKey::ModuleDirectory:
      *result = DirNameOfKey(PathKey::ModuleFile);
      return true;
    case PathKey::TempDirectory:
      return GetTempDir(result);
    case PathKey::HomeDirectory:
      *result = GetHomeDir();
      return true;
    case PathKey::TestData: {
      FilePath source_root;
      if (!PathService::Get(PathKey::SourceRoot, &source_root))
        return false;
      FilePath test_data =
          source_root.Append(L"base").Append(L"test").Append(L"data");
      if (!PathExists(test_data))
        return false;
      *result = test_data;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace base
