// Self-checking file contents for the kill test of the important-file
// writer: each generation has its own length and byte pattern, so a file
// that mixes two generations, stops short or runs long is caught.
//
//   std::string data = MakeGeneration(7);
//   int64_t generation = CheckGeneration(data);  // 7, or -1
#ifndef BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_
#define BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_

#include <stdint.h>
#include <string.h>

#include <string>

namespace important_file_writer_test {

// A few hundred kilobytes, the generation number first; consecutive
// generations differ in length.
inline std::string MakeGeneration(uint64_t generation) {
  std::string data(
      200 * 1024 + (generation % 2) * 150 * 1024 + generation % 997, '\0');
  memcpy(&data[0], &generation, sizeof(generation));
  for (size_t i = sizeof(generation); i < data.size(); ++i)
    data[i] = static_cast<char>(generation * 131 + i * 7 + (i >> 9));
  return data;
}

// The generation that |data| holds whole, or -1.
inline int64_t CheckGeneration(const std::string& data) {
  uint64_t generation = 0;
  if (data.size() < sizeof(generation)) return -1;
  memcpy(&generation, data.data(), sizeof(generation));
  if (data != MakeGeneration(generation)) return -1;
  return static_cast<int64_t>(generation);
}

}  // namespace important_file_writer_test

#endif  // BASE_FILES_TESTDATA_IMPORTANT_FILE_WRITER_GENERATION_H_
