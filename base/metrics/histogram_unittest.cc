#include "base/metrics/histogram.h"

#include <stdint.h>

#include <gtest/gtest.h>

#include "base/metrics/histogram_test_util.h"
#include "base/metrics/sparse_histogram.h"
#include "base/time/time.h"
#include "testing/run_together.h"

namespace base {
namespace {

const Histogram* AsBucketed(HistogramBase* histogram) {
  return static_cast<const Histogram*>(histogram);
}

// Every factory clamps the range to [1, 0x7FFFFFFE] and the bucket count to
// 16383, and marks the histogram for upload.
TEST(HistogramTest, FactoriesClampRanges) {
  constexpr int32_t kUma = HistogramBase::kUmaTargetedHistogramFlag;
  const struct {
    HistogramBase* histogram;
    HistogramBase::Type type;
    int32_t minimum, maximum;
    uint32_t buckets;
  } kCases[] = {
      {Histogram::FactoryGet("Test.Clamp.ZeroMinimum", 0, 100, 10, kUma),
       HistogramBase::HISTOGRAM, 1, 100, 10},
      {Histogram::FactoryGet("Test.Clamp.LargestMaximum", 1, 0x7FFFFFFF, 50,
                             kUma),
       HistogramBase::HISTOGRAM, 1, 0x7FFFFFFE, 50},
      {Histogram::FactoryGet("Test.Clamp.Buckets", 1, 100000, 20000, kUma),
       HistogramBase::HISTOGRAM, 1, 100000, 16383},
      {LinearHistogram::FactoryGet("Test.Linear.Enumeration", 0, 6, 7),
       HistogramBase::LINEAR_HISTOGRAM, 1, 6, 7},
      // Milliseconds, with the default 50 buckets.
      {Histogram::FactoryTimeGet("Test.Time.Delay",
                                 TimeDelta::FromMilliseconds(1),
                                 TimeDelta::FromMilliseconds(10000)),
       HistogramBase::HISTOGRAM, 1, 10000, 50},
  };
  for (const auto& c : kCases) {
    ASSERT_NE(nullptr, c.histogram);
    SCOPED_TRACE(c.histogram->histogram_name());
    EXPECT_EQ(c.type, c.histogram->GetHistogramType());
    EXPECT_EQ(c.minimum, AsBucketed(c.histogram)->declared_min());
    EXPECT_EQ(c.maximum, AsBucketed(c.histogram)->declared_max());
    EXPECT_EQ(c.buckets, AsBucketed(c.histogram)->bucket_count());
    EXPECT_EQ(kUma, c.histogram->flags());
  }
}

// One histogram per name, which another type may not take.
TEST(HistogramDeathTest, OneHistogramPerName) {
  HistogramBase* first =
      Histogram::FactoryGet("Test.Identity.Same", 1, 100, 10, 0);
  // Another request for the name keeps the first histogram and its ranges.
  HistogramBase* second =
      Histogram::FactoryGet("Test.Identity.Same", 5, 50, 20, 1);
  EXPECT_EQ(first, second);
  EXPECT_EQ(100, AsBucketed(second)->declared_max());
  EXPECT_NE(first, Histogram::FactoryGet("Test.Identity.Other", 1, 100, 10, 0));

  first->Add(3);
  second->Add(3);
  EXPECT_EQ(2, GetHistogramSampleCount("Test.Identity.Same", 3));
  EXPECT_EQ(0, GetHistogramTotalCount("Test.Identity.Other"));
  EXPECT_DEATH(SparseHistogram::FactoryGet("Test.Identity.Same", 0),
               "another type");
}

// Racing first uses make one histogram; a sparse one keeps exact samples.
TEST(HistogramTest, ConcurrentFirstUseMakesOneHistogram) {
  constexpr int kThreads = 8;
  HistogramBase* seen[kThreads] = {};
  testing_support::RunOnThreadsTogether(kThreads, [&seen](int t) {
    seen[t] = SparseHistogram::FactoryGet("Test.Concurrent.Sparse",
                                          HistogramBase::kNoFlags);
    for (int i = 0; i < 1000; ++i) seen[t]->Add(t);
  });
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[0], seen[t]);
    EXPECT_EQ(1000, GetHistogramSampleCount("Test.Concurrent.Sparse", t));
  }
  EXPECT_EQ(kThreads * 1000, GetHistogramTotalCount("Test.Concurrent.Sparse"));
  EXPECT_EQ(HistogramBase::SPARSE_HISTOGRAM, seen[0]->GetHistogramType());
  seen[0]->Add(INT32_MIN);
  EXPECT_EQ(1, GetHistogramSampleCount("Test.Concurrent.Sparse", INT32_MIN));
  EXPECT_EQ(0, GetHistogramSampleCount("Test.Concurrent.Sparse", kThreads));
  EXPECT_EQ(0, GetHistogramTotalCount("Test.Sparse.NeverMade"));
}

}  // namespace
}  // namespace base
