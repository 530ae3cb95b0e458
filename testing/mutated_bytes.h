// Random damage to a valid input, for fuzz tests of readers: one to four
// edits, each an overwritten or inserted piece, a removed run, a cut, a copy
// of a nearby piece or a flipped bit. Most pieces come from |tokens|, the
// bytes or words that steer the reader under test into its rarer paths; the
// others are single random bytes.
//
//   std::mt19937 random(kSeed);
//   std::string damaged = MutatedBytes(seed, {"\"", "\\u", "1e"}, &random);
#ifndef TESTING_MUTATED_BYTES_H_
#define TESTING_MUTATED_BYTES_H_

#include <random>
#include <string>
#include <vector>

namespace testing_support {

inline std::string MutatedBytes(const std::string& seed,
                                const std::vector<std::string>& tokens,
                                std::mt19937* random) {
  auto pick = [random](size_t count) {
    return count == 0 ? 0 : static_cast<size_t>((*random)() % count);
  };
  std::string bytes = seed;
  for (size_t edits = 1 + pick(4); edits > 0; --edits) {
    const size_t at = pick(bytes.size() + 1);
    const std::string piece = pick(3) == 0
                                  ? std::string(1, static_cast<char>(pick(256)))
                                  : tokens[pick(tokens.size())];
    switch (pick(6)) {
    case 0:
      bytes.replace(at, piece.size(), piece);
      break;
    case 1:
      bytes.insert(at, piece);
      break;
    case 2:
      bytes.erase(at, 1 + pick(8));
      break;
    case 3:
      bytes.resize(at);  // The end of input lands anywhere.
      break;
    case 4:
      bytes.insert(at, bytes.substr(pick(bytes.size() + 1), pick(8)));
      break;
    default:
      if (at < bytes.size())
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << pick(8)));
      break;
    }
  }
  return bytes;
}

}  // namespace testing_support

#endif  // TESTING_MUTATED_BYTES_H_
