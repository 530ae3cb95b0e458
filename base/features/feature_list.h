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
// The prefix of the switches that carry pinned overrides to a child.
extern const char kPinnedFeatureSwitchPrefix[];

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
  // Appends the pinned overrides this source holds; most sources hold none.
  virtual void ReadPinnedFeatures(std::vector<FeatureOverride>* /*pinned*/) {}
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

  // Passes the process-wide list's overrides to a child as
  // "with-feature:<name>" switches and its pinned ones as
  // "with-pinned-feature:<name>" switches, valued "on" or "off". The child
  // keeps the last value of a repeated switch, so it resolves as we do.
  static void AppendToCommandLine(CommandLine* command_line);

  void RegisterFeature(const std::string& name, bool enabled_by_default,
                       bool overridable);

  // Appends what |reader| holds to the overrides and the pinned overrides.
  // May be called again with another reader; later overrides win.
  void Initialize(FeatureReader* reader);

  // An override that is consulted before anything else, whether the feature
  // is registered or overridable or not. Nothing in the installer pins one
  // today, but a child reads the pins its parent passed on; the last pin of
  // a name wins.
  void PinOverride(const std::string& name, bool enabled);

  // The pinned override of |name| if any; else, for a registered feature,
  // its latest override when it is overridable, or its default. Names not
  // registered are disabled. Names compare ignoring ASCII case: a child
  // reads them from switches, whose names the command line lower-cases.
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
// "with-pinned-feature:" followed by |name|.
std::string GetPinnedFeatureSwitchName(StringPiece name);

// Asks the process-wide list.
bool IsFeatureEnabled(StringPiece name);

}  // namespace base

#endif  // BASE_FEATURES_FEATURE_LIST_H_
