#include "base/version.h"

#include <algorithm>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"

namespace base {

namespace {

// True when any of |components| from |start| on is not 0.
bool HasNonZeroFrom(const std::vector<uint32_t>& components, size_t start) {
  for (size_t i = start; i < components.size(); ++i) {
    if (components[i] != 0)
      return true;
  }
  return false;
}

}  // namespace

Version::Version(const std::string& version_str) {
  std::vector<uint32_t> parsed;
  if (ParseVersionNumbers(version_str, &parsed))
    components_.swap(parsed);
}

Version::~Version() = default;

bool Version::IsValid() const {
  return !components_.empty();
}

int Version::CompareTo(const Version& other) const {
  return CompareVersionComponents(components_, other.components_);
}

bool ParseVersionNumbers(StringPiece version_str,
                         std::vector<uint32_t>* parsed) {
  const std::vector<StringPiece> pieces =
      SplitStringPiece(version_str, '.', KEEP_WHITESPACE, SPLIT_WANT_ALL);
  if (pieces.empty())
    return false;
  bool first = true;
  for (StringPiece piece : pieces) {
    // StringToUint takes a leading "+" as part of a clean number.
    if (!piece.empty() && piece[0] == '+')
      return false;
    unsigned int number = 0;
    if (!StringToUint(piece, &number))
      return false;
    // A leading zero is refused in the major number only.
    if (first && Uint64ToString(number) != piece.as_string())
      return false;
    first = false;
    parsed->push_back(number);
  }
  return true;
}

int CompareVersionComponents(const std::vector<uint32_t>& components1,
                             const std::vector<uint32_t>& components2) {
  const size_t common = std::min(components1.size(), components2.size());
  for (size_t i = 0; i < common; ++i) {
    if (components1[i] > components2[i])
      return 1;
    if (components1[i] < components2[i])
      return -1;
  }
  if (HasNonZeroFrom(components1, common))
    return 1;
  if (HasNonZeroFrom(components2, common))
    return -1;
  return 0;
}

}  // namespace base
