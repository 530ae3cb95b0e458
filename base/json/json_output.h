// The output buffer of the JSON writer: a std::string written through a raw
// cursor, so that each piece of text costs one capacity check instead of
// one per append.
//
//   JsonOutput output(&json, 64);        // appends after json's text
//   char* out = output.Reserve(6);       // room for at least 6 bytes
//   memcpy(out, "\\u003C", 6);
//   output.Advance(6);
//   output.Finish();                     // json holds exactly the text
#ifndef BASE_JSON_JSON_OUTPUT_H_
#define BASE_JSON_JSON_OUTPUT_H_

#include <stddef.h>
#include <string.h>

#include <string>

namespace base {
namespace internal {

class JsonOutput {
 public:
  // Appends after the current text of |json|, which must not be touched
  // until Finish. |expected_size| is the room to make at first; the
  // string's spare capacity is not filled, so that many short outputs to
  // one large string stay cheap.
  JsonOutput(std::string* json, size_t expected_size)
      : json_(json), start_(json->size()) {
    json->resize(start_ + expected_size);
    SetCursor(start_);
  }
  JsonOutput(const JsonOutput&) = delete;
  JsonOutput& operator=(const JsonOutput&) = delete;
  ~JsonOutput() { Finish(); }

  // Room for at least |size| bytes at the returned cursor.
  char* Reserve(size_t size) {
    if (static_cast<size_t>(limit_ - cursor_) < size)
      Grow(size);
    return cursor_;
  }
  // Moves the cursor past |size| bytes written at Reserve's result.
  void Advance(size_t size) { cursor_ += size; }
  // Sets the cursor, which must lie in the reserved room.
  void SetCursor(char* cursor) { cursor_ = cursor; }

  void Append(const char* text, size_t size) {
    memcpy(Reserve(size), text, size);
    cursor_ += size;
  }
  void Append(char c) {
    *Reserve(1) = c;
    ++cursor_;
  }

  // Cuts the string to the text written; the output may not be used after.
  void Finish() {
    if (json_) {
      json_->resize(static_cast<size_t>(cursor_ - &(*json_)[0]));
      json_ = nullptr;
    }
  }

 private:
  void Grow(size_t size) {
    size_t used = static_cast<size_t>(cursor_ - &(*json_)[0]);
    // Doubles what this output wrote, not the whole string: the new room is
    // filled with zeros first.
    size_t room = used - start_ + 1024;
    json_->resize(used + (room > size ? room : size));
    SetCursor(used);
  }

  void SetCursor(size_t used) {
    char* data = &(*json_)[0];
    cursor_ = data + used;
    limit_ = data + json_->size();
  }

  std::string* json_;
  // The size of the string before this output.
  const size_t start_;
  char* cursor_;
  char* limit_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_JSON_JSON_OUTPUT_H_
