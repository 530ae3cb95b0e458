// A dotted version number such as 58.0.3013.3, and its order.
//
//   base::Version downloaded("58.0.3013.10");
//   if (!downloaded.IsValid()) return false;
//   if (downloaded.CompareTo(base::Version("58.0.3013.3")) > 0) ...  // newer
//
// Components are unsigned 32-bit decimal numbers, most significant first.
// Missing trailing components count as 0, so 1.0 equals 1.0.0.
#ifndef BASE_VERSION_H_
#define BASE_VERSION_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/strings/string_piece.h"

namespace base {

class Version {
 public:
  // Parses |version_str|; a text that does not parse gives an invalid
  // version.
  explicit Version(const std::string& version_str);
  ~Version();

  // True when the text parsed (there is at least one component).
  bool IsValid() const;

  // -1, 0 or 1 as this version is lower than, equal to or higher than
  // |other|.
  int CompareTo(const Version& other) const;

 private:
  std::vector<uint32_t> components_;
};

// Appends the components of |version_str| to |parsed| and returns true when
// every "."-separated piece is a plain decimal number of at most 4294967295:
// no sign, no white space, no empty piece, and no leading zero in the first
// component (later ones may have them: 1.02 is 1.2). On failure |parsed| may
// hold the components read before the bad piece.
bool ParseVersionNumbers(StringPiece version_str,
                         std::vector<uint32_t>* parsed);

// -1, 0 or 1 as |components1| is lower than, equal to or higher than
// |components2|, the shorter one taken as padded with zeros.
int CompareVersionComponents(const std::vector<uint32_t>& components1,
                             const std::vector<uint32_t>& components2);

}  // namespace base

#endif  // BASE_VERSION_H_
