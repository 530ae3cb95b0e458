#include "base/features/feature_list.h"

#include <stdint.h>

#include <atomic>

#include "base/command_line.h"
#include "base/lazy_instance.h"
#include "base/strings/string_util.h"

namespace base {

const char kFeatureSwitchPrefix[] = "with-feature:";

namespace {

// The process-wide list lives in a holder that is never destroyed, so that
// code running during process exit still finds it.
struct FeatureListHolder {
  virtual ~FeatureListHolder() = default;
  FeatureList list;
};

std::atomic<uintptr_t> g_feature_list_state{kLazyInstanceStateNone};

// The last override of |name| in |overrides|, or null.
const FeatureOverride* FindLatest(const std::vector<FeatureOverride>& overrides,
                                  StringPiece name) {
  for (auto it = overrides.rbegin(); it != overrides.rend(); ++it) {
    if (EqualsCaseInsensitiveASCII(it->name, name)) return &*it;
  }
  return nullptr;
}

void AppendOverrideSwitches(const std::vector<FeatureOverride>& overrides,
                            CommandLine* command_line) {
  for (const FeatureOverride& entry : overrides) {
    command_line->AppendSwitchASCII(GetFeatureSwitchName(entry.name),
                                    entry.enabled ? "on" : "off");
  }
}

}  // namespace

FeatureList::FeatureList() = default;
FeatureList::~FeatureList() = default;

// static
FeatureList* FeatureList::GetInstance() {
  FeatureListHolder* holder = GetOrCreateLazyPointer<FeatureListHolder>(
      &g_feature_list_state, [] { return new FeatureListHolder(); });
  return &holder->list;
}

// static
void FeatureList::AppendToCommandLine(CommandLine* command_line) {
  const FeatureList* list = GetInstance();
  AppendOverrideSwitches(list->overrides_, command_line);
  // Pins travel as ordinary overrides: a switch that pinned in the child
  // would let anyone who types it turn on what may not be overridden.
  AppendOverrideSwitches(list->pinned_overrides_, command_line);
}

void FeatureList::RegisterFeature(const std::string& name,
                                  bool enabled_by_default, bool overridable) {
  features_.push_back({name, enabled_by_default, overridable});
}

void FeatureList::Initialize(FeatureReader* reader) {
  initialized_ = true;
  reader->ReadFeatures(&overrides_);
}

void FeatureList::PinOverride(const std::string& name, bool enabled) {
  pinned_overrides_.push_back({name, enabled});
}

bool FeatureList::IsEnabled(StringPiece name) const {
  if (const FeatureOverride* pinned = FindLatest(pinned_overrides_, name))
    return pinned->enabled;

  for (const RegisteredFeature& feature : features_) {
    if (!EqualsCaseInsensitiveASCII(feature.name, name)) continue;
    if (feature.overridable) {
      if (const FeatureOverride* entry = FindLatest(overrides_, name))
        return entry->enabled;
    }
    return feature.enabled_by_default;
  }
  return false;
}

std::string GetFeatureSwitchName(StringPiece name) {
  std::string switch_name(kFeatureSwitchPrefix);
  switch_name.append(name.data(), name.size());
  return switch_name;
}

bool IsFeatureEnabled(StringPiece name) {
  return FeatureList::GetInstance()->IsEnabled(name);
}

}  // namespace base
