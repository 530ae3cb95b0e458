#include "base/features/command_line_feature_reader.h"

#include <string>
#include <utility>

#include "base/command_line.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

const wchar_t kOn[] = L"on";
const wchar_t kOff[] = L"off";

constexpr int kEntryEnabled = 1;
constexpr int kEntryDisabled = 2;

}  // namespace

CommandLineFeatureReader::CommandLineFeatureReader(
    const CommandLine* command_line)
    : command_line_(command_line) {}

void CommandLineFeatureReader::ReadFeatures(
    std::vector<FeatureOverride>* overrides) {
  const StringPiece prefix(kFeatureSwitchPrefix);
  for (const auto& entry : command_line_->GetSwitches()) {
    const std::string& switch_name = entry.first;
    if (!StringPiece(switch_name).starts_with(prefix)) continue;
    std::string name = switch_name.substr(prefix.size());

    // The value is compared as it is: reading a value outside ASCII as empty
    // would silently turn the feature on.
    const std::wstring& value = entry.second;
    if (value.empty() || value == kOn) {
      overrides->push_back({std::move(name), true});
    } else if (value == kOff) {
      overrides->push_back({std::move(name), false});
    } else {
      LOG(WARNING) << switch_name << " has unhandled value: \""
                   << WideToUTF8(value) << "\" did you mean \"on\" or "
                   << "\"off\"? Using default setting.";
    }
  }
}

ListFeatureReader::ListFeatureReader(const ListValue* list) : list_(list) {}

void ListFeatureReader::ReadFeatures(std::vector<FeatureOverride>* overrides) {
  for (const auto& element : *list_) {
    StringPiece text;
    if (!element->GetAsString(&text)) continue;
    FeatureOverride entry;
    if (ParseFeatureEntry(text, &entry)) overrides->push_back(std::move(entry));
  }
}

bool ParseFeatureEntry(StringPiece text, FeatureOverride* out) {
  std::vector<StringPiece> parts =
      SplitStringPiece(text, '@', TRIM_WHITESPACE, SPLIT_WANT_ALL);
  if (parts.size() != 2) return false;
  int state = 0;
  if (!StringToInt(parts[1], &state)) return false;
  if (state != kEntryEnabled && state != kEntryDisabled) return false;
  out->name = parts[0].as_string();
  out->enabled = state == kEntryEnabled;
  return true;
}

}  // namespace base
