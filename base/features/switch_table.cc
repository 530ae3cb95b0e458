#include "base/features/switch_table.h"

namespace base {

const char kAlternativeCrashLogging[] = "alternative-crash-logging";

namespace {

// The browser's other switches name features of the browser alone; the
// installer carries only the row it reads.
const FeatureRow kSwitchTable[] = {
    {kAlternativeCrashLogging, 0xFFF7, 0x10007, {0, 0}, kPlatformWindows, 0},
};

}  // namespace

const FeatureRow* FindSwitchTableEntry(StringPiece name) {
  for (const FeatureRow& row : kSwitchTable) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

}  // namespace base
