// A histogram of arbitrary integer samples, kept exactly rather than in
// buckets; for codes with no fixed range, such as unexpected Win32 errors.
//
//   static HistogramBase* unknown_errors = SparseHistogram::FactoryGet(
//       "PlatformFile.UnknownErrors.Windows", HistogramBase::kNoFlags);
//   unknown_errors->Add(error);
#ifndef BASE_METRICS_SPARSE_HISTOGRAM_H_
#define BASE_METRICS_SPARSE_HISTOGRAM_H_

#include <string>

#include "base/metrics/histogram_base.h"

namespace base {

class SparseHistogram : public HistogramBase {
 public:
  // The sparse histogram |name|, made on first use, kept until the process
  // ends.
  static HistogramBase* FactoryGet(const std::string& name, int32_t flags);

  Type GetHistogramType() const override { return SPARSE_HISTOGRAM; }

 private:
  SparseHistogram(const std::string& name, int32_t flags);
};

}  // namespace base

#endif  // BASE_METRICS_SPARSE_HISTOGRAM_H_
