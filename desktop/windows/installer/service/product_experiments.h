// The installer's experiments as this product sets them: the stream-table
// masks of its product token (the product setting "user_agent_name") on the
// build channel, and the experiments' states under those masks. The tables
// and the mask tests themselves are in base/features/installer_experiments.h.
//
//   base::FeatureList* features = base::FeatureList::GetInstance();
//   RegisterInstallerExperiments(features);
//   ... initialise |features| from the preferences, then the command line ...
//   if (base::IsFeatureEnabled(base::kInstallerSupportX64Download)) ...
//
// Any thread; the product settings are read on the first call.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_EXPERIMENTS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_EXPERIMENTS_H_

#include "base/features/installer_experiments.h"

namespace base {
class FeatureList;
}

namespace installer {

// The masks of this product and build channel; 0 and 0 when the stream
// table has no row for them.
base::StreamMasks GetCurrentStreamMasks();

// Whether |row|, of the experiments or of the browser's switch table, is on
// by default, or may be overridden, under the current masks.
bool IsExperimentEnabledByDefault(const base::FeatureRow& row);
bool IsExperimentOverridable(const base::FeatureRow& row);

// Registers the four experiments with |list| under the current masks.
void RegisterInstallerExperiments(base::FeatureList* list);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_EXPERIMENTS_H_
