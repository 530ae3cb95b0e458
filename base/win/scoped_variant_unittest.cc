#include "base/win/scoped_variant.h"

#include <utility>

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

TEST(ScopedVariantTest, HoldsAStringCopyOrNothing) {
  const wchar_t kCommandLine[] = L"setup.exe --install";
  ScopedVariant command_line(kCommandLine);
  ASSERT_EQ(VT_BSTR, command_line.type());
  EXPECT_NE(kCommandLine, command_line.get().bstrVal);
  EXPECT_STREQ(kCommandLine, command_line.get().bstrVal);

  ScopedVariant null_text(nullptr);
  EXPECT_EQ(VT_BSTR, null_text.type());
  EXPECT_EQ(nullptr, null_text.get().bstrVal);

  BSTR held = command_line.get().bstrVal;
  null_text = std::move(command_line);
  EXPECT_EQ(held, null_text.get().bstrVal);
  EXPECT_EQ(VT_EMPTY, command_line.type());

  // A value received from a COM call replaces, and frees, the one held.
  VARIANT* slot = null_text.Receive();
  EXPECT_EQ(VT_EMPTY, slot->vt);
  ScopedVariant source(L"received");
  ASSERT_EQ(S_OK, ::VariantCopy(slot, const_cast<VARIANT*>(&source.get())));
  EXPECT_STREQ(L"received", null_text.get().bstrVal);
}

}  // namespace
}  // namespace win
}  // namespace base
