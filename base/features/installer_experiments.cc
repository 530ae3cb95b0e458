#include "base/features/installer_experiments.h"

#include <iterator>

#include "base/features/feature_list.h"

namespace base {

const char kInstallerExperimentTest[] = "installer-experiment-test";
const char kInstallerHideFromProgramAndFeatures[] =
    "installer-hide-from-program-and-features";
const char kInstallerPrefDefaultOverridesSupport[] =
    "installer-pref-default-overrides-support";
const char kInstallerSupportX64Download[] = "installer-support-x64-download";

namespace {

const FeatureRow kInstallerExperiments[] = {
    {kInstallerExperimentTest, 0x0, 0xFFFF, {0, 0}, kPlatformWindows, 0},
    {kInstallerHideFromProgramAndFeatures,
     0x8,
     0x0,
     {0, 0},
     kPlatformWindows,
     0},
    {kInstallerPrefDefaultOverridesSupport,
     0x7,
     0xFFFF,
     {0, 0},
     kPlatformWindows,
     0},
    {kInstallerSupportX64Download, 0x7, 0xFFFF, {0, 0}, kPlatformWindows, 0},
};

struct StreamTableRow {
  const char* product_token;
  int32_t channel;
  StreamMasks masks;
};

const StreamTableRow kStreamTable[] = {
    {"VLT", 1, {0x7, 0x7}}, {"VLT", 2, {0x6, 0x6}}, {"VLT", 3, {0x4, 0x4}},
    {"VLT", 4, {0x4, 0x4}}, {"KRX", 1, {0x8, 0x8}}, {"KRX", 2, {0x8, 0x8}},
    {"KRX", 3, {0x8, 0x8}}, {"KRX", 4, {0x8, 0x8}},
};

}  // namespace

const FeatureRow* GetInstallerExperiments(size_t* count) {
  *count = std::size(kInstallerExperiments);
  return kInstallerExperiments;
}

int FindStreamTableRow(StringPiece product_token, int32_t channel) {
  for (size_t i = 0; i < std::size(kStreamTable); ++i) {
    if (product_token == kStreamTable[i].product_token &&
        channel == kStreamTable[i].channel) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

StreamMasks GetStreamMasks(StringPiece product_token, int32_t channel) {
  int row = FindStreamTableRow(product_token, channel);
  return row < 0 ? StreamMasks{0, 0} : kStreamTable[row].masks;
}

bool IsExperimentEnabledByDefault(const FeatureRow& row,
                                  const StreamMasks& masks) {
  return (row.default_mask & masks.default_mask) != 0;
}

bool IsExperimentOverridable(const FeatureRow& row, const StreamMasks& masks) {
  return (row.overridable_mask & masks.overridable_mask) != 0;
}

void RegisterInstallerExperiments(FeatureList* list, const StreamMasks& masks) {
  for (const FeatureRow& row : kInstallerExperiments) {
    list->RegisterFeature(row.name, IsExperimentEnabledByDefault(row, masks),
                          IsExperimentOverridable(row, masks));
  }
}

}  // namespace base
