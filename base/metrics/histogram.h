// Histograms with bucketed ranges: exponential (Histogram) and linear
// (LinearHistogram). Each factory returns the one histogram of that name,
// made on the first call and kept until the process ends; call sites with a
// fixed name keep it in a static of their own.
//
//   static HistogramBase* failures = LinearHistogram::FactoryGet(
//       "ImportantFile.TempFileFailures", 1, 6, 7);
//   failures->Add(kFailedWriting);
//
// The ranges are clamped to what a histogram can hold: the minimum is at
// least 1, the maximum at most 0x7FFFFFFE, and there are at most 16383
// buckets. A later request for the same name gets the existing histogram,
// whatever ranges it asks for.
#ifndef BASE_METRICS_HISTOGRAM_H_
#define BASE_METRICS_HISTOGRAM_H_

#include <stdint.h>

#include <string>

#include "base/metrics/histogram_base.h"

namespace base {

class TimeDelta;

class Histogram : public HistogramBase {
 public:
  static constexpr int32_t kMaxRangeLimit = 0x7FFFFFFE;
  static constexpr uint32_t kMaxBucketCount = 16383;
  // The bucket count and flags of FactoryTimeGet.
  static constexpr uint32_t kTimeBucketCount = 50;

  // An exponential histogram of samples between |minimum| and |maximum|.
  static HistogramBase* FactoryGet(const std::string& name, int32_t minimum,
                                   int32_t maximum, uint32_t bucket_count,
                                   int32_t flags);

  // An exponential histogram of milliseconds between |minimum| and
  // |maximum|, with 50 buckets, targeted at the metrics upload. Add the
  // time with Add(delta.InMilliseconds()).
  static HistogramBase* FactoryTimeGet(const std::string& name,
                                       TimeDelta minimum, TimeDelta maximum);

  Type GetHistogramType() const override { return HISTOGRAM; }

  int32_t declared_min() const { return declared_min_; }
  int32_t declared_max() const { return declared_max_; }
  uint32_t bucket_count() const { return bucket_count_; }

 protected:
  Histogram(const std::string& name, int32_t minimum, int32_t maximum,
            uint32_t bucket_count, int32_t flags);

 private:
  const int32_t declared_min_;
  const int32_t declared_max_;
  const uint32_t bucket_count_;
};

class LinearHistogram : public Histogram {
 public:
  // A histogram with linear buckets, targeted at the metrics upload. The
  // minimum is always 1. For an enumeration of N values pass maximum N and
  // N + 1 buckets.
  static HistogramBase* FactoryGet(const std::string& name, int32_t minimum,
                                   int32_t maximum, uint32_t bucket_count);

  Type GetHistogramType() const override { return LINEAR_HISTOGRAM; }

 private:
  LinearHistogram(const std::string& name, int32_t maximum,
                  uint32_t bucket_count);
};

}  // namespace base

#endif  // BASE_METRICS_HISTOGRAM_H_
