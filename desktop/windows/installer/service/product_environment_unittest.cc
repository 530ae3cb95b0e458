#include "desktop/windows/installer/service/product_environment.h"

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

namespace installer {
namespace {

const char kVariable[] = "VELTO_PRODUCT_ENVIRONMENT_TEST";

// Names carry the product name in upper case. An absent variable reads as
// empty, whatever the value held before, and a flag takes its default; a
// present one is read as it is, and is a true flag only as "1", "yes" or
// "true" in any case, never trimmed.
TEST(ProductEnvironmentTest, NamesValuesAndFlags) {
  const std::unique_ptr<base::Environment> environment =
      CreateProcessEnvironment();
  EXPECT_EQ("VELTO_CRASH_EMAIL", GetCrashEmailVariableName());
  EXPECT_EQ("VELTO_CRASH_KEEP_LOGS", GetCrashKeepLogsVariableName());

  std::string value = "stale";
  ReadEnvironmentVariable(environment.get(), &value, kVariable);
  EXPECT_EQ("", value);
  EXPECT_TRUE(ReadEnvironmentFlag(environment.get(), kVariable, true));
  EXPECT_FALSE(ReadEnvironmentFlag(environment.get(), kVariable, false));

  const struct {
    const char* value;
    bool flag;
  } kCases[] = {
      {"1", true},   {"YeS", true},   {"TRUE", true},
      {"1 ", false}, {"yes ", false}, {"0", false},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.value);
    ASSERT_TRUE(environment->SetVar(kVariable, test.value));
    ReadEnvironmentVariable(environment.get(), &value, kVariable);
    EXPECT_EQ(test.value, value);
    // The default must not leak into the answer for a present variable.
    EXPECT_EQ(test.flag,
              ReadEnvironmentFlag(environment.get(), kVariable, !test.flag));
  }
  environment->UnSetVar(kVariable);
}

}  // namespace
}  // namespace installer
