#include "base/metrics/histogram_test_util.h"

#include "base/metrics/histogram_base.h"

namespace base {

int64_t GetHistogramSampleCount(const std::string& name, int32_t value) {
  HistogramBase* histogram = internal::FindHistogram(name);
  return histogram ? histogram->GetSampleCount(value) : 0;
}

int64_t GetHistogramTotalCount(const std::string& name) {
  HistogramBase* histogram = internal::FindHistogram(name);
  return histogram ? histogram->TotalCount() : 0;
}

}  // namespace base
