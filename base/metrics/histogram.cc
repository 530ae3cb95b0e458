#include "base/metrics/histogram.h"

#include <algorithm>

#include "base/time/time.h"

namespace base {

Histogram::Histogram(const std::string& name, int32_t minimum,
                     int32_t maximum, uint32_t bucket_count, int32_t flags)
    : HistogramBase(name, flags),
      declared_min_(std::max(minimum, 1)),
      declared_max_(std::min(maximum, kMaxRangeLimit)),
      bucket_count_(std::min(bucket_count, kMaxBucketCount)) {}

// static
HistogramBase* Histogram::FactoryGet(const std::string& name, int32_t minimum,
                                     int32_t maximum, uint32_t bucket_count,
                                     int32_t flags) {
  return internal::GetOrCreateHistogram(name, HISTOGRAM, [&] {
    return new Histogram(name, minimum, maximum, bucket_count, flags);
  });
}

// static
HistogramBase* Histogram::FactoryTimeGet(const std::string& name,
                                         TimeDelta minimum,
                                         TimeDelta maximum) {
  // Milliseconds beyond the 32-bit range are clamped by the constructor.
  auto to_milliseconds = [](TimeDelta delta) {
    int64_t milliseconds = delta.InMilliseconds();
    return static_cast<int32_t>(std::min<int64_t>(
        std::max<int64_t>(milliseconds, INT32_MIN), INT32_MAX));
  };
  return FactoryGet(name, to_milliseconds(minimum), to_milliseconds(maximum),
                    kTimeBucketCount, kUmaTargetedHistogramFlag);
}

LinearHistogram::LinearHistogram(const std::string& name, int32_t maximum,
                                 uint32_t bucket_count)
    : Histogram(name, 1, maximum, bucket_count, kUmaTargetedHistogramFlag) {}

// static
HistogramBase* LinearHistogram::FactoryGet(const std::string& name,
                                           int32_t /*minimum*/,
                                           int32_t maximum,
                                           uint32_t bucket_count) {
  return internal::GetOrCreateHistogram(name, LINEAR_HISTOGRAM, [&] {
    return new LinearHistogram(name, maximum, bucket_count);
  });
}

}  // namespace base
