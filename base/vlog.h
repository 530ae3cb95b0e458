// Per-source-file verbose levels from the "v" and "vmodule" switches.
//
//   --v=1                        every file logs VLOG(1) and below
//   --vmodule=foo=2,bar*=1       foo.cc and foo-inl.h log VLOG(2); files
//                                whose module name starts with "bar", VLOG(1)
//   --vmodule=*/installer/*=3    a pattern holding a separator is matched
//                                against the whole path given by __FILE__
//
// One VlogInfo is built by InitLogging() when either switch is given, and is
// read by every thread afterwards; it is never changed once built.
#ifndef BASE_VLOG_H_
#define BASE_VLOG_H_

#include <string>
#include <vector>

#include "base/strings/string_piece.h"

namespace logging {

class VlogInfo {
 public:
  // |v_switch| is the "v" value: a decimal level that, when valid, becomes
  // the process's minimum severity as its negative. |vmodule_switch| is the
  // "vmodule" value: "pattern=level" pairs separated by commas.
  // |min_log_level| is the process's minimum severity; it must outlive this.
  VlogInfo(const std::string& v_switch, const std::string& vmodule_switch,
           int* min_log_level);
  ~VlogInfo();
  VlogInfo(const VlogInfo&) = delete;
  VlogInfo& operator=(const VlogInfo&) = delete;

  // The verbose level in force for the source file |file| (as __FILE__
  // spells it): the level of the first pattern that matches, else the
  // global level.
  int GetVlogLevel(base::StringPiece file) const;

 private:
  struct VmodulePattern {
    enum MatchTarget { MATCH_MODULE = 0, MATCH_FILE = 1 };

    explicit VmodulePattern(const std::string& pattern);

    std::string pattern;
    int vlog_level;
    MatchTarget match_target;
  };

  int GetMaxVlogLevel() const;

  std::vector<VmodulePattern> vmodule_levels_;
  int* min_log_level_;
};

// Matches |pattern| against the whole of |text|: "*" matches any run of
// characters (none included), "?" exactly one character, "/" and "\" match
// either separator; everything else matches itself, case-sensitively.
bool MatchVlogPattern(base::StringPiece text, base::StringPiece pattern);

}  // namespace logging

#endif  // BASE_VLOG_H_
