#include "base/metrics/histogram_base.h"

#include <utility>

#include "base/logging.h"

namespace base {
namespace {

// Every histogram of the process by name. Never destroyed: call sites keep
// pointers in statics of their own.
struct HistogramRegistry {
  Lock lock;
  std::map<std::string, std::unique_ptr<HistogramBase>> histograms;
};

HistogramRegistry& GetRegistry() {
  static HistogramRegistry* registry = new HistogramRegistry();
  return *registry;
}

}  // namespace

HistogramBase::HistogramBase(const std::string& name, int32_t flags)
    : name_(name), flags_(flags) {}

HistogramBase::~HistogramBase() = default;

void HistogramBase::Add(int32_t sample) {
  AutoLock hold(lock_);
  ++samples_[sample];
}

int64_t HistogramBase::GetSampleCount(int32_t value) const {
  AutoLock hold(lock_);
  auto it = samples_.find(value);
  return it == samples_.end() ? 0 : it->second;
}

int64_t HistogramBase::TotalCount() const {
  AutoLock hold(lock_);
  int64_t total = 0;
  for (const auto& sample : samples_) total += sample.second;
  return total;
}

namespace internal {

HistogramBase* FindHistogram(const std::string& name) {
  HistogramRegistry& registry = GetRegistry();
  AutoLock hold(registry.lock);
  auto it = registry.histograms.find(name);
  return it == registry.histograms.end() ? nullptr : it->second.get();
}

HistogramBase* GetOrCreateHistogramImpl(
    const std::string& name, HistogramBase::Type type,
    std::unique_ptr<HistogramBase> (*make)(const void* context),
    const void* context) {
  HistogramRegistry& registry = GetRegistry();
  AutoLock hold(registry.lock);
  std::unique_ptr<HistogramBase>& slot = registry.histograms[name];
  if (!slot) slot = make(context);
  CHECK_EQ(static_cast<int>(type),
           static_cast<int>(slot->GetHistogramType()))
      << "histogram " << name << " requested as another type";
  return slot.get();
}

}  // namespace internal
}  // namespace base
