// Named switches of experimental installer behaviour.
//
// A feature is registered with a default state and a flag that says whether
// the user may override it. Overrides come from readers: the "with-feature:"
// switches of a command line and the "name@state" entries of a preferences
// list (base/features/command_line_feature_reader.h). Readers run in turn and
// their overrides accumulate, so the last reader's word wins. Feature names
// ignore ASCII case, as command-line switch names do:
//
//   FeatureList* features = FeatureList::GetInstance();
//   RegisterInstallerExperiments(features, masks);  // installer_experiments.h
//   ListFeatureReader from_prefs(experiments_list);
//   features->Initialize(&from_prefs);
//   CommandLineFeatureReader from_switches(CommandLine::ForCurrentProcess());
//   features->Initialize(&from_switches);
//   ...
//   if (IsFeatureEnabled("installer-support-x64-download")) ...
//
// Registration and initialisation happen on the main thread at start-up;
// afterwards the list is only read, from any thread.
#ifndef BASE_FEATURES_FEATURE_LIST_H_
#define BASE_FEATURES_FEATURE_LIST_H_

#include <string>
#include <vector>

#include "base/strings/string_piece.h"

namespace base {

class CommandLine;

// The prefix of the switches that override features.
extern const char kFeatureSwitchPrefix[];

struct RegisteredFeature {
  std::string name;  // UTF-8.
  bool enabled_by_default;
  bool overridable;
};

struct FeatureOverride {
  std::string name;  // UTF-8.
  bool enabled;
};

// A source of overrides.
class FeatureReader {
 public:
  virtual ~FeatureReader() = default;
  // Appends the overrides this source holds to |overrides|, in its order.
  virtual void ReadFeatures(std::vector<FeatureOverride>* overrides) = 0;
};

class FeatureList {
 public:
  FeatureList();
  FeatureList(const FeatureList&) = delete;
  FeatureList& operator=(const FeatureList&) = delete;
  ~FeatureList();

  // The process-wide list, made by the first caller from any thread and
  // never destroyed.
  static FeatureList* GetInstance();

  // Passes the process-wide list's overrides, then its pinned overrides, to
  // a child as "with-feature:<name>" switches valued "on" or "off". The
  // child keeps the last value of a repeated switch. No command line can
  // pin: a pin reaches the child as an ordinary override, so a pin of a
  // feature that may not be overridden does not take effect there.
  static void AppendToCommandLine(CommandLine* command_line);

  void RegisterFeature(const std::string& name, bool enabled_by_default,
                       bool overridable);

  // Appends what |reader| holds to the overrides. May be called again with
  // another reader; later overrides win.
  void Initialize(FeatureReader* reader);

  // An override that is consulted before anything else, whether the feature
  // is registered or overridable or not; the last pin of a name wins.
  // Nothing in the installer pins one, and no reader does.
  void PinOverride(const std::string& name, bool enabled);

  // The pinned override of |name| if any; else, for a registered feature,
  // its latest override when it is overridable, or its default. Names not
  // registered are disabled. Names compare ignoring ASCII case: a child
  // reads them from switches, whose names the command line lower-cases, so
  // parent and child agree whatever case the parent registered.
  bool IsEnabled(StringPiece name) const;

  bool initialized() const { return initialized_; }
  const std::vector<FeatureOverride>& overrides() const { return overrides_; }

 private:
  std::vector<RegisteredFeature> features_;
  std::vector<FeatureOverride> overrides_;
  std::vector<FeatureOverride> pinned_overrides_;
  bool initialized_ = false;
};

// "with-feature:" followed by |name|.
std::string GetFeatureSwitchName(StringPiece name);

// Asks the process-wide list.
bool IsFeatureEnabled(StringPiece name);

}  // namespace base

#endif  // BASE_FEATURES_FEATURE_LIST_H_
