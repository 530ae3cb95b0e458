// The binary message format: a 4-byte header holding the payload size in
// bytes, then the fields in writing order, each starting on a 4-byte boundary
// of the payload with zero padding. All integers are little-endian.
//
//   field        encoding
//   int          4 bytes
//   bool         an int, 0 or 1; read back from the first byte of its slot
//   string       int length in bytes, the bytes, padding
//   string16     int length in UTF-16 units, 2 x length bytes, padding
//
// Writing a message:
//
//   Pickle message;
//   message.WriteInt(19);
//   message.WriteString("abcde");
//   Send(message.data(), message.size());   // 20 bytes
//
// Reading one received from someone else, without copying it:
//
//   Pickle received(bytes, length);          // empty when malformed
//   PickleIterator iter(received);
//   int kind;
//   std::string text;
//   if (!iter.ReadInt(&kind) || !iter.ReadString(&text)) return false;
//
// A pickle is used by one thread at a time. A pickle that wraps received
// bytes is read-only and does not own them: they must outlive it and every
// iterator over it.
#ifndef BASE_PICKLE_H_
#define BASE_PICKLE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "base/strings/string16.h"
#include "base/strings/string_piece.h"

namespace base {

class Pickle {
 public:
  // An empty writable pickle with room for 64 payload bytes.
  Pickle();

  // A read-only view of |length| received bytes at |data|. The view is
  // accepted only when the first 4 bytes hold a payload size that leaves a
  // header of a multiple of 4 bytes, at least 4 and at most |length|: the
  // payload then ends exactly at the end of the data. Anything else gives an
  // empty pickle (size() 0) whose reads all fail.
  Pickle(const char* data, int length);

  // An owned, writable copy of the header and payload. Copying an empty
  // pickle gives another empty, read-only one.
  Pickle(const Pickle& other);
  Pickle& operator=(const Pickle&) = delete;

  virtual ~Pickle();

  // Append one field each and return true. A pickle grows as needed; a
  // read-only pickle, or a size beyond what the 32-bit header and length
  // fields can describe, stops the process.
  bool WriteInt(int value);
  bool WriteString(const StringPiece& value);
  bool WriteString16(const StringPiece16& value);

  // Reserves |length| more payload bytes, zeroes the padding that follows
  // them up to the next 4-byte boundary, and returns where to write them.
  // The pointer is valid until the next write.
  char* ClaimBytes(size_t length);

  // The whole message, header included; null and 0 for an empty pickle.
  const char* data() const { return header_; }
  size_t size() const { return header_size_ + write_offset_; }

  const char* payload() const {
    return header_ ? header_ + header_size_ : nullptr;
  }
  size_t payload_size() const { return write_offset_; }

  // Payload bytes the buffer holds before it must grow; kReadOnly for a
  // pickle that wraps someone else's bytes.
  static constexpr size_t kReadOnly = static_cast<size_t>(-1);
  size_t capacity_after_header() const { return capacity_after_header_; }

 private:
  friend class PickleIterator;

  // Grows the buffer so that it holds at least |new_payload_size| bytes.
  void Resize(size_t new_payload_size);

  void SetHeaderPayloadSize(size_t payload_size);

  char* header_;
  size_t header_size_;
  size_t capacity_after_header_;
  size_t write_offset_;
};

// Reads the fields of a pickle in writing order. Each read returns false when
// its field is not there, and then leaves the iterator at the end, so every
// later read fails too. The one exception: a UTF-16 length too large to be a
// byte count consumes the length field only.
class PickleIterator {
 public:
  explicit PickleIterator(const Pickle& pickle);

  bool ReadBool(bool* result);
  bool ReadInt(int* result);
  bool ReadString(std::string* result);
  bool ReadString16(string16* result);

 private:
  // Moves past |length| bytes and their padding, or to the end when the
  // padding is missing.
  void Skip(size_t length);

  size_t remaining() const { return end_index_ - read_index_; }

  const char* payload_;
  size_t read_index_;
  size_t end_index_;
};

}  // namespace base

#endif  // BASE_PICKLE_H_
