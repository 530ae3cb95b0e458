#include "base/environment.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

// The system finds names in either case, so the second spelling GetVar
// tries is never needed here and has no test.
TEST(EnvironmentTest, SetGetUnsetRoundTrip) {
  std::unique_ptr<Environment> env = Environment::Create();
  std::string value = "untouched";
  EXPECT_FALSE(env->GetVar("VELTO_ENV_TEST", &value));
  EXPECT_EQ("untouched", value);
  EXPECT_FALSE(env->HasVar("VELTO_ENV_TEST"));

  // UTF-8 in names and values survives the wide system calls.
  ASSERT_TRUE(env->SetVar("VELTO_ENV_\xC3\xA9", "gr\xC3\xBC\xC3\x9F"));
  EXPECT_TRUE(env->GetVar("VELTO_ENV_\xC3\xA9", &value));
  EXPECT_EQ("gr\xC3\xBC\xC3\x9F", value);

  // An empty value still exists.
  ASSERT_TRUE(env->SetVar("VELTO_ENV_TEST", ""));
  value = "untouched";
  EXPECT_TRUE(env->GetVar("VELTO_ENV_TEST", &value));
  EXPECT_EQ("", value);
  EXPECT_TRUE(env->HasVar("VELTO_ENV_TEST"));

  // The system calls end a text at its first NUL: the call would read, set
  // or remove another variable, or store a value cut short.
  const std::string name("VELTO_ENV_TEST\0TAIL", 19);
  EXPECT_FALSE(env->SetVar(name, "changed"));
  EXPECT_FALSE(env->SetVar("VELTO_ENV_TEST", std::string("cut\0short", 9)));
  EXPECT_FALSE(env->UnSetVar(name));
  EXPECT_FALSE(env->HasVar(name));
  EXPECT_TRUE(env->GetVar("VELTO_ENV_TEST", &value));
  EXPECT_EQ("", value);

  EXPECT_TRUE(env->UnSetVar("VELTO_ENV_TEST"));
  EXPECT_FALSE(env->HasVar("VELTO_ENV_TEST"));
  EXPECT_TRUE(env->UnSetVar("VELTO_ENV_\xC3\xA9"));
}

}  // namespace
}  // namespace base
