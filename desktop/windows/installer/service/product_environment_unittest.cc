#include "desktop/windows/installer/service/product_environment.h"

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

namespace installer {
namespace {

const char kVariable[] = "VELTO_PRODUCT_ENVIRONMENT_TEST";

class ProductEnvironmentTest : public testing::Test {
 protected:
  void TearDown() override { environment_->UnSetVar(kVariable); }

  std::unique_ptr<base::Environment> environment_ = CreateProcessEnvironment();
};

TEST_F(ProductEnvironmentTest, NamesCarryUpperCaseProductPrefix) {
  EXPECT_EQ("VELTO_CRASH_EMAIL", GetCrashEmailVariableName());
  EXPECT_EQ("VELTO_CRASH_KEEP_LOGS", GetCrashKeepLogsVariableName());
  EXPECT_EQ("VELTO_", MakeProductEnvironmentVariableName(""));
}

TEST_F(ProductEnvironmentTest, ReadVariableClearsWhenAbsent) {
  std::string value = "stale";
  ReadEnvironmentVariable(environment_.get(), &value, kVariable);
  EXPECT_EQ("", value);

  ASSERT_TRUE(environment_->SetVar(kVariable, "user@example.com"));
  ReadEnvironmentVariable(environment_.get(), &value, kVariable);
  EXPECT_EQ("user@example.com", value);
}

TEST_F(ProductEnvironmentTest, FlagIsTrueOnlyForOneYesOrTrue) {
  EXPECT_TRUE(ReadEnvironmentFlag(environment_.get(), kVariable, true));
  EXPECT_FALSE(ReadEnvironmentFlag(environment_.get(), kVariable, false));

  const struct {
    const char* value;
    bool flag;
  } kCases[] = {
      {"1", true},   {"YeS", true},   {"TRUE", true},
      {"1 ", false}, {"yes ", false}, {"0", false},
  };
  for (const auto& test : kCases) {
    ASSERT_TRUE(environment_->SetVar(kVariable, test.value));
    // The default must not leak into the answer for a present variable.
    EXPECT_EQ(test.flag,
              ReadEnvironmentFlag(environment_.get(), kVariable, !test.flag))
        << "\"" << test.value << "\"";
  }
}

}  // namespace
}  // namespace installer
