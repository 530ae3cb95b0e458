// Random GUID text for names that must not collide, such as a temporary name
// given to a firewall rule before it is removed.
//
//   std::string name = GenerateGUID();  // "1b4e28ba-2fa1-41d2-883f-0016d3cca427"
#ifndef BASE_GUID_H_
#define BASE_GUID_H_

#include <string>

namespace base {

// A random version-4 GUID (RFC 4122 section 4.4): 36 lower-case characters,
// "4" at index 14 and one of "89ab" at index 19.
std::string GenerateGUID();

}  // namespace base

#endif  // BASE_GUID_H_
