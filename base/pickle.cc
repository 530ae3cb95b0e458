#include "base/pickle.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "base/logging.h"

namespace base {

namespace {

constexpr size_t kHeaderSize = sizeof(uint32_t);
constexpr size_t kInitialCapacity = 64;
constexpr size_t kCapacityUnit = 64;
constexpr size_t kPageSize = 4096;
// The largest payload the 32-bit header can describe, kept 4-aligned.
constexpr size_t kMaxPayloadSize = UINT32_MAX & ~size_t{3};

// The growth arithmetic below stays far from wrapping only with 64-bit sizes.
static_assert(sizeof(size_t) == 8, "Pickle sizes assume a 64-bit size_t");

constexpr size_t RoundUp(size_t value, size_t unit) {
  return (value + unit - 1) / unit * unit;
}

}  // namespace

Pickle::Pickle()
    : header_(static_cast<char*>(malloc(kHeaderSize + kInitialCapacity))),
      header_size_(kHeaderSize),
      capacity_after_header_(kInitialCapacity),
      write_offset_(0) {
  CHECK(header_) << "Out of memory for a pickle";
  SetHeaderPayloadSize(0);
}

Pickle::Pickle(const char* data, int length)
    : header_(nullptr),
      header_size_(0),
      capacity_after_header_(kReadOnly),
      write_offset_(0) {
  if (!data || length < static_cast<int>(kHeaderSize))
    return;
  uint32_t payload_size;
  memcpy(&payload_size, data, sizeof(payload_size));
  // Compared in unsigned 64-bit so that no first word can make the header
  // start before the data or the payload end after it.
  size_t total = static_cast<size_t>(length);
  if (payload_size > total - kHeaderSize)
    return;
  size_t header_size = total - payload_size;
  if (header_size % 4 != 0)
    return;
  // Never written: every write checks for the read-only marker first.
  header_ = const_cast<char*>(data);
  header_size_ = header_size;
  write_offset_ = payload_size;
}

Pickle::Pickle(const Pickle& other)
    : header_(nullptr),
      header_size_(0),
      capacity_after_header_(kReadOnly),
      write_offset_(0) {
  if (!other.header_)
    return;  // An empty pickle has nothing to copy.
  header_size_ = other.header_size_;
  write_offset_ = other.write_offset_;
  capacity_after_header_ = RoundUp(write_offset_, kCapacityUnit);
  header_ = static_cast<char*>(malloc(header_size_ + capacity_after_header_));
  CHECK(header_) << "Out of memory copying a pickle of " << other.size()
                 << " bytes";
  memcpy(header_, other.header_, header_size_ + write_offset_);
}

Pickle::~Pickle() {
  if (capacity_after_header_ != kReadOnly)
    free(header_);
}

bool Pickle::WriteInt(int value) {
  memcpy(ClaimBytes(sizeof(value)), &value, sizeof(value));
  return true;
}

bool Pickle::WriteString(const StringPiece& value) {
  CHECK_LE(value.size(), static_cast<size_t>(INT_MAX));
  WriteInt(static_cast<int>(value.size()));
  if (!value.empty())
    memcpy(ClaimBytes(value.size()), value.data(), value.size());
  return true;
}

bool Pickle::WriteString16(const StringPiece16& value) {
  // Longer text would have a byte count no reader accepts.
  CHECK_LE(value.size(), static_cast<size_t>(INT_MAX / sizeof(char16)));
  WriteInt(static_cast<int>(value.size()));
  size_t bytes = value.size() * sizeof(char16);
  if (bytes)
    memcpy(ClaimBytes(bytes), value.data(), bytes);
  return true;
}

char* Pickle::ClaimBytes(size_t length) {
  CHECK_NE(capacity_after_header_, kReadOnly) << "A read-only pickle written";
  CHECK_LE(length, kMaxPayloadSize - write_offset_)
      << "Pickle payload beyond the 32-bit header";
  size_t new_size = RoundUp(write_offset_ + length, 4);
  if (new_size > capacity_after_header_)
    Resize(new_size);
  char* result = header_ + header_size_ + write_offset_;
  memset(result + length, 0, new_size - write_offset_ - length);
  write_offset_ = new_size;
  SetHeaderPayloadSize(new_size);
  return result;
}

void Pickle::Resize(size_t new_payload_size) {
  size_t capacity = capacity_after_header_ * 2;
  // Past a page, stay just under whole pages so that the block with the
  // allocator's own bookkeeping does not spill into one more page.
  if (capacity > kPageSize)
    capacity = RoundUp(capacity, kPageSize) - kCapacityUnit;
  capacity = RoundUp(std::max(capacity, new_payload_size), kCapacityUnit);
  char* grown =
      static_cast<char*>(realloc(header_, header_size_ + capacity));
  CHECK(grown) << "Out of memory growing a pickle to " << capacity
               << " payload bytes";
  header_ = grown;
  capacity_after_header_ = capacity;
}

void Pickle::SetHeaderPayloadSize(size_t payload_size) {
  uint32_t word = static_cast<uint32_t>(payload_size);
  memcpy(header_, &word, sizeof(word));
}

PickleIterator::PickleIterator(const Pickle& pickle)
    : payload_(pickle.payload()),
      read_index_(0),
      end_index_(pickle.payload_size()) {}

bool PickleIterator::ReadBool(bool* result) {
  if (remaining() == 0)
    return false;
  *result = payload_[read_index_] != 0;
  read_index_ += std::min(remaining(), size_t{4});
  return true;
}

bool PickleIterator::ReadInt(int* result) {
  if (remaining() < sizeof(*result)) {
    read_index_ = end_index_;
    return false;
  }
  memcpy(result, payload_ + read_index_, sizeof(*result));
  read_index_ += sizeof(*result);
  return true;
}

bool PickleIterator::ReadString(std::string* result) {
  int length;
  if (!ReadInt(&length))
    return false;
  if (length < 0 || static_cast<size_t>(length) > remaining()) {
    read_index_ = end_index_;
    return false;
  }
  result->assign(payload_ + read_index_, static_cast<size_t>(length));
  Skip(static_cast<size_t>(length));
  return true;
}

bool PickleIterator::ReadString16(string16* result) {
  int length;
  if (!ReadInt(&length))
    return false;
  if (length < 0) {
    read_index_ = end_index_;
    return false;
  }
  if (static_cast<size_t>(length) > INT_MAX / sizeof(char16))
    return false;  // Only the length field is consumed.
  size_t bytes = static_cast<size_t>(length) * sizeof(char16);
  if (bytes > remaining()) {
    read_index_ = end_index_;
    return false;
  }
  // Received bytes need not be 2-aligned, so copy rather than cast.
  result->resize(static_cast<size_t>(length));
  if (bytes)
    memcpy(&(*result)[0], payload_ + read_index_, bytes);
  Skip(bytes);
  return true;
}

void PickleIterator::Skip(size_t length) {
  size_t padded = RoundUp(length, 4);
  read_index_ = padded > remaining() ? end_index_ : read_index_ + padded;
}

}  // namespace base
