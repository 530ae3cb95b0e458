// Self-checking file contents for the kill test of the important-file
// writer: each generation has its own length and byte pattern, so a file
// that mixes two generations, stops short or runs long is caught.
//
//   std::string data = MakeGeneration(7);
//   int64_t generation = CheckGeneration(data, &why);  // 7, or -1
#ifndef BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_
#define BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_

#include <stdint.h>
#include <string.h>

#include <string>

namespace important_file_writer_test {

constexpr char kMagic[4] = {'G', 'E', 'N', '1'};
// Magic, 64-bit generation, 32-bit total length.
constexpr size_t kHeaderSize = 16;

inline char PatternByte(uint64_t generation, size_t index) {
  return static_cast<char>(generation * 131 + index * 7 + (index >> 9));
}

// A few hundred kilobytes; consecutive generations differ in length.
inline size_t GenerationLength(uint64_t generation) {
  return 200 * 1024 + (generation % 2) * 150 * 1024 + generation % 997;
}

inline std::string MakeGeneration(uint64_t generation) {
  std::string data(GenerationLength(generation), '\0');
  const uint32_t length = static_cast<uint32_t>(data.size());
  memcpy(&data[0], kMagic, sizeof(kMagic));
  memcpy(&data[4], &generation, sizeof(generation));
  memcpy(&data[12], &length, sizeof(length));
  for (size_t i = kHeaderSize; i < data.size(); ++i)
    data[i] = PatternByte(generation, i);
  return data;
}

// The generation that |data| holds whole, or -1 with the reason in |why|.
inline int64_t CheckGeneration(const std::string& data, std::string* why) {
  if (data.size() < kHeaderSize || memcmp(data.data(), kMagic, 4) != 0) {
    *why = "no header (" + std::to_string(data.size()) + " bytes)";
    return -1;
  }
  uint64_t generation = 0;
  uint32_t length = 0;
  memcpy(&generation, &data[4], sizeof(generation));
  memcpy(&length, &data[12], sizeof(length));
  if (length != data.size() || length != GenerationLength(generation)) {
    *why = "generation " + std::to_string(generation) + " has " +
           std::to_string(data.size()) + " bytes, header says " +
           std::to_string(length);
    return -1;
  }
  for (size_t i = kHeaderSize; i < data.size(); ++i) {
    if (data[i] != PatternByte(generation, i)) {
      *why = "generation " + std::to_string(generation) +
             " differs at offset " + std::to_string(i);
      return -1;
    }
  }
  return static_cast<int64_t>(generation);
}

}  // namespace important_file_writer_test

#endif  // BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_
