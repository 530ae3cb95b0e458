#include "base/path_service.h"

#include <stdint.h>

#include <unordered_map>

#include "base/base_paths_win.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"

namespace base {

namespace {

using ProviderFunction = bool (*)(int key, FilePath* result);

// One node of the provider chain; the chain is fixed at build time.
struct Provider {
  ProviderFunction func;
  const Provider* next;
  bool is_static;
};

const Provider kBaseProvider = {&PathProvider, nullptr, true};
const Provider kWindowsProvider = {&PathProviderWin, &kBaseProvider, true};

struct PathData {
  Lock lock;
  std::unordered_map<int, FilePath> cache;      // Answers of the providers.
  std::unordered_map<int, FilePath> overrides;  // Set by Override.
  const Provider* providers = &kWindowsProvider;
  bool cache_disabled = false;
  // Counts overrides. An answer computed outside the lock is cached only
  // when no override happened meanwhile: it may rest on an overridden key,
  // or the key itself may have been overridden.
  uint64_t override_generation = 0;
};

PathData& GetPathData() {
  // Never destroyed: threads may still ask while the process ends.
  static PathData* const data = new PathData();
  return *data;
}

// Looks |key| up in the cache, then in the overrides (caching what it finds
// there). Called with the lock held.
bool LockedGetFromMaps(PathData& data, int key, FilePath* result) {
  if (!data.cache_disabled) {
    auto cached = data.cache.find(key);
    if (cached != data.cache.end()) {
      *result = cached->second;
      return true;
    }
  }
  auto overridden = data.overrides.find(key);
  if (overridden == data.overrides.end())
    return false;
  if (!data.cache_disabled)
    data.cache[key] = overridden->second;
  *result = overridden->second;
  return true;
}

}  // namespace

// static
bool PathService::Get(int key, FilePath* result) {
  DCHECK(result);
  if (key == PathKey::CurrentDirectory)
    return GetCurrentDirectory(result);

  PathData& data = GetPathData();
  const Provider* provider = nullptr;
  uint64_t generation = 0;
  {
    AutoLock hold(data.lock);
    if (LockedGetFromMaps(data, key, result))
      return true;
    provider = data.providers;
    generation = data.override_generation;
  }

  // Providers ask for other keys themselves, so they run without the lock.
  FilePath path;
  for (; provider; provider = provider->next) {
    FilePath candidate;
    if (provider->func(key, &candidate)) {
      path = candidate;
      break;
    }
  }
  if (path.empty())
    return false;
  if (path.ReferencesParent()) {
    path = MakeAbsoluteFilePath(path);
    if (path.empty())
      return false;
  }

  *result = path;
  AutoLock hold(data.lock);
  if (!data.cache_disabled && data.override_generation == generation)
    data.cache[key] = path;
  return true;
}

// static
bool PathService::Override(int key, const FilePath& path, bool is_absolute,
                           bool create) {
  if (create && !PathExists(path) &&
      !CreateDirectoryAndGetError(path, nullptr)) {
    LOG(ERROR) << "Cannot create " << path.AsUTF8Unsafe() << " for path key "
               << key;
    return false;
  }
  FilePath stored = path;
  if (!is_absolute) {
    stored = MakeAbsoluteFilePath(path);
    if (stored.empty())
      return false;
  }

  PathData& data = GetPathData();
  AutoLock hold(data.lock);
  // Cached answers may have been derived from the key being overridden.
  data.cache.clear();
  ++data.override_generation;
  data.overrides[key] = stored;
  return true;
}

}  // namespace base
