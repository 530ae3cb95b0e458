#include "desktop/common/autoupdate/updatechecker/globalstorage_fallback_accessor.h"

#include "base/logging.h"

namespace autoupdate {

namespace {
const char kThreadName[] = "GsTaskThread";
}  // namespace

GlobalStorageFallbackAccessor::GlobalStorageFallbackAccessor(
    const base::FilePath& path)
    : thread_(kThreadName) {
  DCHECK(!path.empty());
  // Start has logged why it failed.
  if (!thread_.Start())
    return;
  store_ = new JsonPrefStore(path, thread_.task_runner());
  store_->ReadPrefs();
}

GlobalStorageFallbackAccessor::~GlobalStorageFallbackAccessor() {
  // The last reference commits what is outstanding onto the thread, which
  // Stop then runs before the thread ends.
  store_ = nullptr;
  thread_.Stop();
}

}  // namespace autoupdate
