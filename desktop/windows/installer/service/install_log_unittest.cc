#include "desktop/windows/installer/service/install_log.h"

#include <gtest/gtest.h>

#include "base/time/time.h"

namespace installer {
namespace {

// A fresh record describes an installation for all users that is neither a
// copy nor pinned, last checked when it was made.
TEST(InstallLogTest, Defaults) {
  const base::Time before = base::Time::Now();
  const InstallLog log;
  const base::Time after = base::Time::Now();
  EXPECT_FALSE(log.copy_only);
  EXPECT_TRUE(log.all_users);
  EXPECT_FALSE(log.pinned);
  EXPECT_LE(before, log.last_band_check);
  EXPECT_LE(log.last_band_check, after);
  EXPECT_TRUE(log.app_id.empty() && log.version.empty());
  EXPECT_TRUE(log.path.empty() && log.subfolder.empty());
  EXPECT_TRUE(log.files.empty() && log.components.empty());
}

}  // namespace
}  // namespace installer
