#include "desktop/windows/installer/service/product_experiments.h"

#include "base/build_channel.h"
#include "desktop/windows/installer/service/product_settings.h"

namespace installer {

base::StreamMasks GetCurrentStreamMasks() {
  return base::GetStreamMasks(ProductSettings::GetUserAgentName(),
                              base::GetBuildChannel());
}

bool IsExperimentEnabledByDefault(const base::FeatureRow& row) {
  return base::IsExperimentEnabledByDefault(row, GetCurrentStreamMasks());
}

bool IsExperimentOverridable(const base::FeatureRow& row) {
  return base::IsExperimentOverridable(row, GetCurrentStreamMasks());
}

void RegisterInstallerExperiments(base::FeatureList* list) {
  base::RegisterInstallerExperiments(list, GetCurrentStreamMasks());
}

}  // namespace installer
