// "$1".."$9" substitution, declared in string_util.h.

#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/strings/string_util.h"

namespace base {

namespace {

// One placeholder occurrence: which substitution and where it landed.
struct ReplacementOffset {
  uintptr_t parameter;
  size_t offset;
};

bool CompareParameter(const ReplacementOffset& element, uintptr_t parameter) {
  return element.parameter < parameter;
}

template <typename StringT, typename PieceT>
StringT DoReplaceStringPlaceholders(PieceT format,
                                    const std::vector<StringT>& substitutions,
                                    std::vector<size_t>* offsets) {
  size_t reserve = format.size();
  for (const StringT& substitution : substitutions)
    reserve += substitution.size();
  StringT formatted;
  formatted.reserve(reserve);

  std::vector<ReplacementOffset> replacements;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '$') {
      formatted.push_back(format[i]);
      continue;
    }
    if (i + 1 == format.size()) break;  // A final lone '$' is dropped.
    ++i;
    if (format[i] == '$') {
      // A run of n '$' gives n - 1; the character after the run is read
      // afresh, so "$$1" gives "$1".
      while (i < format.size() && format[i] == '$') {
        formatted.push_back('$');
        ++i;
      }
      --i;
      continue;
    }
    if (format[i] < '1' || format[i] > '9')
      continue;  // "$0" and '$' before a non-digit vanish.

    const uintptr_t index = static_cast<uintptr_t>(format[i] - '1');
    if (offsets) {
      // Inserted at the lower bound: for equal indexes the later occurrence
      // ends up first.
      ReplacementOffset replacement = {index, formatted.size()};
      replacements.insert(
          std::lower_bound(replacements.begin(), replacements.end(), index,
                           &CompareParameter),
          replacement);
    }
    if (index < substitutions.size()) formatted.append(substitutions[index]);
  }

  if (offsets) {
    for (const ReplacementOffset& replacement : replacements)
      offsets->push_back(replacement.offset);
  }
  return formatted;
}

}  // namespace

std::string ReplaceStringPlaceholders(
    StringPiece format, const std::vector<std::string>& substitutions,
    std::vector<size_t>* offsets) {
  return DoReplaceStringPlaceholders(format, substitutions, offsets);
}

std::wstring ReplaceWideStringPlaceholders(
    StringPiece16 format, const std::vector<std::wstring>& substitutions,
    std::vector<size_t>* offsets) {
  return DoReplaceStringPlaceholders(format, substitutions, offsets);
}

}  // namespace base
