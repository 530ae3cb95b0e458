// The browser's feature switches, of which the installer consults one: the
// crash reporter asks whether "alternative-crash-logging" is on by default
// for this product and channel.
//
//   const FeatureRow* row = FindSwitchTableEntry(kAlternativeCrashLogging);
//   if (row && IsExperimentEnabledByDefault(*row, masks)) ...
#ifndef BASE_FEATURES_SWITCH_TABLE_H_
#define BASE_FEATURES_SWITCH_TABLE_H_

#include "base/features/installer_experiments.h"
#include "base/strings/string_piece.h"

namespace base {

extern const char kAlternativeCrashLogging[];

// The row named exactly |name|, or null.
const FeatureRow* FindSwitchTableEntry(StringPiece name);

}  // namespace base

#endif  // BASE_FEATURES_SWITCH_TABLE_H_
