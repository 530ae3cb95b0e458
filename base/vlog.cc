#include "base/vlog.h"

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"

namespace logging {

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// The name that module patterns see: "dir/foo-inl.h" gives "foo".
base::StringPiece GetModule(base::StringPiece file) {
  const size_t last_separator = file.find_last_of("\\/");
  if (last_separator != base::StringPiece::npos)
    file.remove_prefix(last_separator + 1);
  const size_t extension = file.rfind('.');
  if (extension != base::StringPiece::npos)
    file = file.substr(0, extension);
  static const char kInlineSuffix[] = "-inl";
  if (file.ends_with(kInlineSuffix))
    file.remove_suffix(sizeof(kInlineSuffix) - 1);
  return file;
}

}  // namespace

VlogInfo::VmodulePattern::VmodulePattern(const std::string& pattern)
    : pattern(pattern), vlog_level(0), match_target(MATCH_MODULE) {
  if (pattern.find_first_of("\\/") != std::string::npos)
    match_target = MATCH_FILE;
}

VlogInfo::VlogInfo(const std::string& v_switch,
                   const std::string& vmodule_switch,
                   int* min_log_level)
    : min_log_level_(min_log_level) {
  int level = 0;
  if (!v_switch.empty() && base::StringToInt(v_switch, &level))
    *min_log_level_ = -level;

  base::StringPairs pairs;
  // A malformed pair still yields an entry; it is kept like the others.
  base::SplitStringIntoKeyValuePairs(vmodule_switch, '=', ',', &pairs);
  for (const auto& pair : pairs) {
    VmodulePattern pattern(pair.first);
    // A partly numeric level keeps its leading digits ("3x" is 3).
    base::StringToInt(pair.second, &pattern.vlog_level);
    vmodule_levels_.push_back(pattern);
  }
}

VlogInfo::~VlogInfo() = default;

int VlogInfo::GetVlogLevel(base::StringPiece file) const {
  if (!vmodule_levels_.empty()) {
    const base::StringPiece module = GetModule(file);
    for (const VmodulePattern& pattern : vmodule_levels_) {
      const base::StringPiece target =
          pattern.match_target == VmodulePattern::MATCH_FILE ? file : module;
      if (MatchVlogPattern(target, pattern.pattern))
        return pattern.vlog_level;
    }
  }
  return GetMaxVlogLevel();
}

int VlogInfo::GetMaxVlogLevel() const {
  return -*min_log_level_;
}

bool MatchVlogPattern(base::StringPiece text, base::StringPiece pattern) {
  // Greedy scan that returns to the last "*" on a mismatch: linear in
  // practice and never recursive, whatever the pattern.
  size_t t = 0;
  size_t p = 0;
  size_t star = base::StringPiece::npos;
  size_t text_after_star = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      text_after_star = t;
      continue;
    }
    if (p < pattern.size() &&
        (pattern[p] == '?' || pattern[p] == text[t] ||
         (IsSeparator(pattern[p]) && IsSeparator(text[t])))) {
      ++p;
      ++t;
      continue;
    }
    if (star == base::StringPiece::npos)
      return false;
    // Let the last "*" swallow one more character and try again.
    p = star + 1;
    t = ++text_after_star;
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

}  // namespace logging
