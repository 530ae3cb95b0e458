#include "base/little_endian.h"

#include <gtest/gtest.h>

namespace base {
namespace {

// Every byte lands in its own place, the top bit included, from an odd
// address.
TEST(LittleEndianTest, ReadsUnalignedBytesLowFirst) {
  const uint8_t bytes[] = {0x00, 0x81, 0x92, 0xA3, 0xF4};
  EXPECT_EQ(0x9281u, ReadLittleEndian16(bytes + 1));
  EXPECT_EQ(0xF4A39281u, ReadLittleEndian32(bytes + 1));
}

}  // namespace
}  // namespace base
