#include "base/metrics/histogram.h"

#include <stdint.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/metrics/histogram_test_util.h"
#include "base/metrics/sparse_histogram.h"
#include "base/time/time.h"

namespace base {
namespace {

const Histogram* AsBucketed(HistogramBase* histogram) {
  return static_cast<const Histogram*>(histogram);
}

TEST(HistogramTest, FactoryGetClampsRanges) {
  const struct {
    const char* name;
    int32_t minimum, maximum;
    uint32_t buckets;
    int32_t expected_minimum, expected_maximum;
    uint32_t expected_buckets;
  } kCases[] = {
      {"Test.Clamp.Unchanged", 1, 10000, 50, 1, 10000, 50},
      {"Test.Clamp.ZeroMinimum", 0, 100, 10, 1, 100, 10},
      {"Test.Clamp.NegativeMinimum", -7, 100, 10, 1, 100, 10},
      {"Test.Clamp.LargestMaximum", 1, 0x7FFFFFFF, 50, 1, 0x7FFFFFFE, 50},
      {"Test.Clamp.KeptMaximum", 1, 0x7FFFFFFE, 50, 1, 0x7FFFFFFE, 50},
      {"Test.Clamp.Buckets", 1, 100000, 20000, 1, 100000, 16383},
      {"Test.Clamp.KeptBuckets", 1, 100000, 16383, 1, 100000, 16383},
  };
  for (const auto& c : kCases) {
    HistogramBase* histogram =
        Histogram::FactoryGet(c.name, c.minimum, c.maximum, c.buckets,
                              HistogramBase::kUmaTargetedHistogramFlag);
    ASSERT_NE(nullptr, histogram);
    EXPECT_EQ(HistogramBase::HISTOGRAM, histogram->GetHistogramType());
    EXPECT_EQ(c.expected_minimum, AsBucketed(histogram)->declared_min())
        << c.name;
    EXPECT_EQ(c.expected_maximum, AsBucketed(histogram)->declared_max())
        << c.name;
    EXPECT_EQ(c.expected_buckets, AsBucketed(histogram)->bucket_count())
        << c.name;
    EXPECT_EQ(HistogramBase::kUmaTargetedHistogramFlag, histogram->flags());
  }
}

TEST(HistogramTest, LinearHistogramStartsAtOne) {
  HistogramBase* enumeration =
      LinearHistogram::FactoryGet("Test.Linear.Enumeration", 0, 6, 7);
  EXPECT_EQ(HistogramBase::LINEAR_HISTOGRAM, enumeration->GetHistogramType());
  EXPECT_EQ(1, AsBucketed(enumeration)->declared_min());
  EXPECT_EQ(6, AsBucketed(enumeration)->declared_max());
  EXPECT_EQ(7u, AsBucketed(enumeration)->bucket_count());
  EXPECT_EQ(HistogramBase::kUmaTargetedHistogramFlag, enumeration->flags());

  HistogramBase* wide = LinearHistogram::FactoryGet(
      "Test.Linear.Wide", 50, 0x7FFFFFFF, 100000);
  EXPECT_EQ(1, AsBucketed(wide)->declared_min());
  EXPECT_EQ(0x7FFFFFFE, AsBucketed(wide)->declared_max());
  EXPECT_EQ(16383u, AsBucketed(wide)->bucket_count());
}

TEST(HistogramTest, TimeHistogramCountsMilliseconds) {
  HistogramBase* histogram = Histogram::FactoryTimeGet(
      "Test.Time.Delay", TimeDelta::FromMilliseconds(1),
      TimeDelta::FromMilliseconds(10000));
  EXPECT_EQ(1, AsBucketed(histogram)->declared_min());
  EXPECT_EQ(10000, AsBucketed(histogram)->declared_max());
  EXPECT_EQ(50u, AsBucketed(histogram)->bucket_count());
  EXPECT_EQ(HistogramBase::kUmaTargetedHistogramFlag, histogram->flags());
}

TEST(HistogramTest, OneHistogramPerName) {
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
}

TEST(HistogramTest, ConcurrentFirstUseMakesOneHistogram) {
  constexpr int kThreads = 8;
  HistogramBase* seen[kThreads] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] {
      seen[t] = SparseHistogram::FactoryGet("Test.Concurrent.Sparse",
                                            HistogramBase::kNoFlags);
      for (int i = 0; i < 1000; ++i) seen[t]->Add(t);
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[0], seen[t]);
    EXPECT_EQ(1000, GetHistogramSampleCount("Test.Concurrent.Sparse", t));
  }
  EXPECT_EQ(kThreads * 1000, GetHistogramTotalCount("Test.Concurrent.Sparse"));
}

TEST(HistogramTest, SparseHistogramKeepsExactSamples) {
  HistogramBase* errors = SparseHistogram::FactoryGet(
      "Test.Sparse.Errors", HistogramBase::kNoFlags);
  EXPECT_EQ(HistogramBase::SPARSE_HISTOGRAM, errors->GetHistogramType());
  EXPECT_EQ(HistogramBase::kNoFlags, errors->flags());
  errors->Add(1460);
  errors->Add(-2147483647 - 1);
  errors->Add(1460);
  EXPECT_EQ(2, GetHistogramSampleCount("Test.Sparse.Errors", 1460));
  EXPECT_EQ(1, GetHistogramSampleCount("Test.Sparse.Errors", INT32_MIN));
  EXPECT_EQ(0, GetHistogramSampleCount("Test.Sparse.Errors", 1461));
  EXPECT_EQ(3, GetHistogramTotalCount("Test.Sparse.Errors"));
  EXPECT_EQ(0, GetHistogramTotalCount("Test.Sparse.NeverMade"));
}

TEST(HistogramDeathTest, NameReusedForAnotherTypeStopsTheProcess) {
  Histogram::FactoryGet("Test.Death.Bucketed", 1, 10, 5, 0);
  EXPECT_DEATH(SparseHistogram::FactoryGet("Test.Death.Bucketed", 0),
               "another type");
}

}  // namespace
}  // namespace base
