// The two sources of feature overrides.
//
// CommandLineFeatureReader reads switches "with-feature:<name>" whose value
// is "on", "off" or empty (on), as ordinary overrides: a feature that may
// not be overridden keeps its state whatever the command line says.
//
//   installer.exe --with-feature:installer-experiment-test=off
//
// ListFeatureReader reads the "name@state" strings (state 1 enabled,
// 2 disabled) that the installer keeps in its preferences lists
// "installer-experiments" and "all-installer-experiments".
//
// Both hold a pointer to their source, which must outlive them.
#ifndef BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
#define BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_

#include <vector>

#include "base/features/feature_list.h"
#include "base/strings/string_piece.h"

namespace base {

class CommandLine;
class ListValue;

class CommandLineFeatureReader : public FeatureReader {
 public:
  explicit CommandLineFeatureReader(const CommandLine* command_line);

  // Goes through the switches in name order. Any value other than "on",
  // "off" or empty, non-ASCII values included, is logged as a WARNING and
  // leaves the feature at its default.
  void ReadFeatures(std::vector<FeatureOverride>* overrides) override;

 private:
  const CommandLine* command_line_;
};

class ListFeatureReader : public FeatureReader {
 public:
  explicit ListFeatureReader(const ListValue* list);

  // Appends every string element that ParseFeatureEntry accepts; skips the
  // rest.
  void ReadFeatures(std::vector<FeatureOverride>* overrides) override;

 private:
  const ListValue* list_;
};

// Reads "name@state", with white space around either part ignored, into
// |out|. State 1 is enabled, 2 disabled; anything else, or any number of
// "@" but one, fails and leaves |out| unchanged.
bool ParseFeatureEntry(StringPiece text, FeatureOverride* out);

}  // namespace base

#endif  // BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
