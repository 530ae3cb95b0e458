// The installer's four experiments and the masks that decide, per product and
// release channel, which of them are on by default and which the user may
// override.
//
// A row carries a default mask and an overridable mask. A product token and
// a release channel select a row of the stream table, which gives the masks;
// a feature is on by default when its default mask shares a bit with those
// masks' default mask, and overridable likewise. Mask bits: 0x1 the Nightly
// channel of "VLT", 0x2 its Nightly and Developer channels, 0x4 every channel
// of "VLT", 0x8 the product "KRX". A product absent from the stream table
// gets masks 0 and 0: every feature off and none overridable.
//
//   StreamMasks masks = GetStreamMasks(product_token, GetBuildChannel());
//   RegisterInstallerExperiments(FeatureList::GetInstance(), masks);
//   if (IsFeatureEnabled(kInstallerSupportX64Download)) ...
//
// The product token is a product setting, which only the installer services
// read; they offer the same calls for this product and build channel.
#ifndef BASE_FEATURES_INSTALLER_EXPERIMENTS_H_
#define BASE_FEATURES_INSTALLER_EXPERIMENTS_H_

#include <stddef.h>
#include <stdint.h>

#include "base/strings/string_piece.h"

namespace base {

class FeatureList;

extern const char kInstallerExperimentTest[];
extern const char kInstallerHideFromProgramAndFeatures[];
extern const char kInstallerPrefDefaultOverridesSupport[];
extern const char kInstallerSupportX64Download[];

// Bits of FeatureRow::platform_mask.
constexpr uint32_t kPlatformMac = 1;
constexpr uint32_t kPlatformWindows = 2;
constexpr uint32_t kPlatformLinux = 4;

// One row of the experiments table or of the browser's switch table
// (base/features/switch_table.h); both share this layout.
struct FeatureRow {
  const char* name;
  uint32_t default_mask;
  uint32_t overridable_mask;
  uint32_t browser_values[2];  // The browser's own; not read here.
  uint32_t platform_mask;      // Not read here either.
  uint32_t reserved;           // 0.
};

struct StreamMasks {
  uint32_t default_mask;
  uint32_t overridable_mask;
};

// The experiments table; |*count| gets 4.
const FeatureRow* GetInstallerExperiments(size_t* count);

// The index of the first stream-table row for |product_token| (compared
// exactly) and |channel| (1 Nightly, 2 Developer, 3 Next, 4 Stable), or -1.
int FindStreamTableRow(StringPiece product_token, int32_t channel);
// That row's masks, or 0 and 0 without one.
StreamMasks GetStreamMasks(StringPiece product_token, int32_t channel);

// Whether |row| (of either table) is on by default, or may be overridden,
// under |masks|.
bool IsExperimentEnabledByDefault(const FeatureRow& row,
                                  const StreamMasks& masks);
bool IsExperimentOverridable(const FeatureRow& row, const StreamMasks& masks);

// Registers the four experiments with |list| in table order, with their
// states under |masks|.
void RegisterInstallerExperiments(FeatureList* list, const StreamMasks& masks);

}  // namespace base

#endif  // BASE_FEATURES_INSTALLER_EXPERIMENTS_H_
