// The release channel of this build, numbered 1 Nightly, 2 Developer,
// 3 Next, 4 Stable. Registry rows, channel names, the profile folder and
// the experiments' stream table depend on it.
#ifndef BASE_BUILD_CHANNEL_H_
#define BASE_BUILD_CHANNEL_H_

#include <stdint.h>

namespace base {

// Always 2: this is the Developer build.
inline int32_t GetBuildChannel() { return 2; }

}  // namespace base

#endif  // BASE_BUILD_CHANNEL_H_
