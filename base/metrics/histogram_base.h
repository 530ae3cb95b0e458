// The common part of every histogram: a name, flags and the samples added.
//
// Histograms are made by the factories of histogram.h and
// sparse_histogram.h, one object per name for the life of the process.
// Adding a sample is safe from any thread. The program itself never reads
// the samples back; tests do, through histogram_test_util.h.
#ifndef BASE_METRICS_HISTOGRAM_BASE_H_
#define BASE_METRICS_HISTOGRAM_BASE_H_

#include <stdint.h>

#include <map>
#include <memory>
#include <string>

#include "base/synchronization/lock.h"

namespace base {

class HistogramBase {
 public:
  enum Flags : int32_t {
    kNoFlags = 0,
    // The histogram is meant for the metrics upload.
    kUmaTargetedHistogramFlag = 0x1,
  };

  enum Type { HISTOGRAM, LINEAR_HISTOGRAM, SPARSE_HISTOGRAM };

  HistogramBase(const HistogramBase&) = delete;
  HistogramBase& operator=(const HistogramBase&) = delete;
  virtual ~HistogramBase();

  const std::string& histogram_name() const { return name_; }
  int32_t flags() const { return flags_; }
  virtual Type GetHistogramType() const = 0;

  // Records one sample.
  void Add(int32_t sample);

  // How many samples equal to |value| were added.
  int64_t GetSampleCount(int32_t value) const;
  // How many samples were added in all.
  int64_t TotalCount() const;

 protected:
  HistogramBase(const std::string& name, int32_t flags);

 private:
  const std::string name_;
  const int32_t flags_;

  mutable Lock lock_;
  std::map<int32_t, int64_t> samples_;  // guarded by lock_
};

namespace internal {

// The histogram registered under |name|, or null.
HistogramBase* FindHistogram(const std::string& name);

// The non-template part of GetOrCreateHistogram: lookup and registration
// under the registry lock. |make| runs under that lock only when needed.
HistogramBase* GetOrCreateHistogramImpl(
    const std::string& name, HistogramBase::Type type,
    std::unique_ptr<HistogramBase> (*make)(const void* context),
    const void* context);

// The histogram registered under |name|; when there is none, |factory| (a
// callable returning a new HistogramBase*) makes it and it is registered.
// Stops the process when the existing histogram is of another type than
// |type|: two call sites disagree about what the name means.
template <typename Factory>
HistogramBase* GetOrCreateHistogram(const std::string& name,
                                    HistogramBase::Type type,
                                    Factory factory) {
  return GetOrCreateHistogramImpl(
      name, type,
      [](const void* context) {
        return std::unique_ptr<HistogramBase>(
            (*static_cast<const Factory*>(context))());
      },
      &factory);
}

}  // namespace internal
}  // namespace base

#endif  // BASE_METRICS_HISTOGRAM_BASE_H_
