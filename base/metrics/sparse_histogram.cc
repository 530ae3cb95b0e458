#include "base/metrics/sparse_histogram.h"

namespace base {

SparseHistogram::SparseHistogram(const std::string& name, int32_t flags)
    : HistogramBase(name, flags) {}

// static
HistogramBase* SparseHistogram::FactoryGet(const std::string& name,
                                           int32_t flags) {
  return internal::GetOrCreateHistogram(name, SPARSE_HISTOGRAM, [&] {
    return new SparseHistogram(name, flags);
  });
}

}  // namespace base
