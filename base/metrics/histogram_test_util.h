// Reading histograms back, for tests only. Histograms live for the whole
// process and keep counting across tests, so compare counts before and after
// the code under test.
//
//   int64_t before = GetHistogramSampleCount(kName, ERROR_SEM_TIMEOUT);
//   ... code that should count one sample ...
//   EXPECT_EQ(before + 1, GetHistogramSampleCount(kName, ERROR_SEM_TIMEOUT));
#ifndef BASE_METRICS_HISTOGRAM_TEST_UTIL_H_
#define BASE_METRICS_HISTOGRAM_TEST_UTIL_H_

#include <stdint.h>

#include <string>

namespace base {

// Samples equal to |value| in the histogram |name|; 0 when it does not exist.
int64_t GetHistogramSampleCount(const std::string& name, int32_t value);

// All samples of the histogram |name|; 0 when it does not exist.
int64_t GetHistogramTotalCount(const std::string& name);

}  // namespace base

#endif  // BASE_METRICS_HISTOGRAM_TEST_UTIL_H_
