#include "base/json/json_parser.h"

#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <emmintrin.h>

#include <algorithm>
#include <utility>

#include "base/json/json_utf8.h"
#include "base/logging.h"
#include "base/strings/number_text.h"
#include "base/strings/stringprintf.h"

namespace base {

namespace {

// Bytes that a string copies as they are: ASCII except the quote and the
// backslash. Control characters are allowed, as they always were.
struct PlainStringBytes {
  bool table[256];
  constexpr PlainStringBytes() : table() {
    for (int i = 0; i < 0x80; ++i)
      table[i] = i != '"' && i != '\\';
  }
};
constexpr PlainStringBytes kPlainStringBytes;

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The value of one hexadecimal digit, or -1.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads exactly |count| hexadecimal digits at |p|, each checked on its own,
// so no sign, space or "0x" slips through as a library parser would allow.
bool ReadHexDigits(const char* p, int count, uint32_t* value) {
  uint32_t result = 0;
  for (int i = 0; i < count; ++i) {
    int digit = HexDigitValue(p[i]);
    if (digit < 0)
      return false;
    result = (result << 4) | static_cast<uint32_t>(digit);
  }
  *value = result;
  return true;
}

// The byte order of keys (the std::string order), compared eight bytes at a
// time inline: the library compare calls memcmp for every pair.
inline bool KeyLess(std::string_view a, std::string_view b) {
  size_t common = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  for (; i + 8 <= common; i += 8) {
    uint64_t x;
    uint64_t y;
    memcpy(&x, a.data() + i, 8);
    memcpy(&y, b.data() + i, 8);
    if (x != y)
      return __builtin_bswap64(x) < __builtin_bswap64(y);
  }
  for (; i < common; ++i) {
    if (a[i] != b[i])
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
  }
  return a.size() < b.size();
}

// Dictionaries up to this size are sorted in place by insertion, which
// needs no buffer; larger ones take a stable merge sort.
constexpr size_t kInsertionSortLimit = 64;

// Converts the number text [begin, end), which the grammar has validated and
// which has a fraction or an exponent or does not fit 32 bits, to a double,
// straight from the input. False when the value overflows a double.
bool ConvertDouble(const char* begin, const char* end, double* result) {
  const char* stop = nullptr;
  bool range_error = false;
  double value = StringToDoubleInRange(begin, end, &stop, &range_error);
  if (stop != end)
    return false;  // The grammar above makes this unreachable.
  // The conversion flags subnormal results as out of range, yet the writer
  // produces them (5e-324): accept any finite non-zero result. A value that
  // overflows to infinity, or one that vanishes to zero, still fails.
  if (range_error && (!isfinite(value) || value == 0.0))
    return false;
  *result = value;
  return true;
}

}  // namespace

JSONParser::JSONParser(int options) : options_(options) {}

JSONParser::~JSONParser() = default;

std::unique_ptr<Value> JSONParser::Parse(StringPiece input) {
  start_ = input.data();
  pos_ = start_;
  end_ = start_ + input.size();
  depth_ = 0;
  line_ = 1;
  line_start_ = 0;
  error_code_ = JSONReader::JSON_NO_ERROR;
  error_line_ = 0;
  error_column_ = 0;

  if (input.size() >= 3 && static_cast<unsigned char>(pos_[0]) == 0xEF &&
      static_cast<unsigned char>(pos_[1]) == 0xBB &&
      static_cast<unsigned char>(pos_[2]) == 0xBF) {
    pos_ += 3;
  }

  // Chunks the arena leaves behind live on with the values in them.
  internal::ValueArena arena(input.size());
  arena_ = &arena;
  std::unique_ptr<Value> root = ParseToken(GetNextToken());
  // The stacks hold the pieces of a failed parse.
  element_stack_.clear();
  entry_stack_.clear();
  decoded_keys_.clear();
  arena_ = nullptr;
  if (!root)
    return nullptr;

  if (GetNextToken() == T_END_OF_INPUT)
    return root;
  // One stray byte after the root has always been tolerated.
  if (pos_ < end_) {
    ++pos_;
    if (GetNextToken() == T_END_OF_INPUT)
      return root;
  }
  ReportError(JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT, pos_, 1);
  return nullptr;
}

std::string JSONParser::GetErrorMessage() const {
  std::string text = JSONReader::ErrorCodeToString(error_code_);
  if (error_line_ == 0 && error_column_ == 0)
    return text;
  return StringPrintf("Line: %i, column: %i, %s", error_line_, error_column_,
                      text.c_str());
}

JSONParser::Token JSONParser::GetNextToken() {
  // Compact text has no whitespace between tokens: skip the call then.
  if (pos_ < end_ &&
      (static_cast<unsigned char>(*pos_) <= ' ' || *pos_ == '/')) {
    EatWhitespaceAndComments();
  }
  if (pos_ >= end_)
    return T_END_OF_INPUT;
  switch (*pos_) {
    case '{':
      return T_OBJECT_BEGIN;
    case '}':
      return T_OBJECT_END;
    case '[':
      return T_ARRAY_BEGIN;
    case ']':
      return T_ARRAY_END;
    case '"':
      return T_STRING;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      return T_NUMBER;
    case 't':
      return T_BOOL_TRUE;
    case 'f':
      return T_BOOL_FALSE;
    case 'n':
      return T_NULL;
    case ',':
      return T_LIST_SEPARATOR;
    case ':':
      return T_OBJECT_PAIR_SEPARATOR;
    default:
      return T_INVALID_TOKEN;
  }
}

void JSONParser::EatWhitespaceAndComments() {
  const __m128i spaces = _mm_set1_epi8(' ');
  const __m128i tabs = _mm_set1_epi8('\t');
  const __m128i line_feeds = _mm_set1_epi8('\n');
  const __m128i returns = _mm_set1_epi8('\r');
  while (pos_ < end_) {
    // Indentation comes in runs: sixteen bytes at a time, counting the line
    // breaks of the run at once, never past the end of input.
    while (end_ - pos_ >= 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos_));
      __m128i lf = _mm_cmpeq_epi8(bytes, line_feeds);
      __m128i cr = _mm_cmpeq_epi8(bytes, returns);
      __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(bytes, spaces),
                                   _mm_cmpeq_epi8(bytes, tabs));
      unsigned white = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(blank, _mm_or_si128(lf, cr))));
      unsigned other = ~white & 0xFFFFu;
      unsigned run = other ? static_cast<unsigned>(__builtin_ctz(other)) : 16;
      unsigned in_run = (1u << run) - 1;
      unsigned lf_mask = static_cast<unsigned>(_mm_movemask_epi8(lf)) & in_run;
      unsigned cr_mask = static_cast<unsigned>(_mm_movemask_epi8(cr)) & in_run;
      if (lf_mask | cr_mask) {
        // CR LF counts as one line break, also across two steps.
        unsigned after_cr =
            (cr_mask << 1) | (pos_ > start_ && pos_[-1] == '\r' ? 1u : 0u);
        line_ += __builtin_popcount(cr_mask) +
                 __builtin_popcount(lf_mask & ~after_cr);
        line_start_ = static_cast<int>(pos_ - start_) + 31 -
                      __builtin_clz(lf_mask | cr_mask);
      }
      pos_ += run;
      if (run < 16)
        break;
    }
    if (pos_ >= end_)
      return;
    switch (*pos_) {
      case '\r':
      case '\n':
        // CR LF counts as one line break.
        if (!(*pos_ == '\n' && pos_ > start_ && pos_[-1] == '\r'))
          ++line_;
        line_start_ = static_cast<int>(pos_ - start_);
        ++pos_;
        break;
      case ' ':
      case '\t':
        ++pos_;
        break;
      case '/': {
        if (end_ - pos_ < 2) {
          pos_ = end_;  // A final '/' is consumed.
          return;
        }
        if (pos_[1] == '/') {
          // The line break itself is left to count as whitespace.
          pos_ += 2;
          while (pos_ < end_ && *pos_ != '\n' && *pos_ != '\r')
            ++pos_;
        } else if (pos_[1] == '*') {
          // Search after the opener, so that "/*/" does not close itself.
          const char* p = pos_ + 2;
          while (p + 1 < end_ && !(p[0] == '*' && p[1] == '/'))
            ++p;
          pos_ = p + 1 < end_ ? p + 2 : end_;
        } else {
          // A lone '/' is skipped and the next byte taken as a token.
          ++pos_;
          return;
        }
        break;
      }
      default:
        return;
    }
  }
}

std::unique_ptr<Value> JSONParser::ParseToken(Token token) {
  switch (token) {
    case T_OBJECT_BEGIN:
      return ConsumeDictionary();
    case T_ARRAY_BEGIN:
      return ConsumeList();
    case T_STRING:
      return ConsumeStringValue();
    case T_NUMBER:
      return ConsumeNumber();
    case T_BOOL_TRUE:
      if (!ConsumeLiteral("true", 4))
        return nullptr;
      return std::unique_ptr<Value>(NewValue<Value>(true));
    case T_BOOL_FALSE:
      if (!ConsumeLiteral("false", 5))
        return nullptr;
      return std::unique_ptr<Value>(NewValue<Value>(false));
    case T_NULL:
      if (!ConsumeLiteral("null", 4))
        return nullptr;
      return std::unique_ptr<Value>(NewValue<Value>());
    default:
      ReportError(JSONReader::JSON_UNEXPECTED_TOKEN, pos_, 1);
      return nullptr;
  }
}

namespace {

// One level of container nesting, left however the container's parse ends.
class ScopedNestingLevel {
 public:
  explicit ScopedNestingLevel(int* depth) : depth_(depth) { ++*depth_; }
  ~ScopedNestingLevel() { --*depth_; }
  ScopedNestingLevel(const ScopedNestingLevel&) = delete;
  ScopedNestingLevel& operator=(const ScopedNestingLevel&) = delete;

 private:
  int* depth_;
};

}  // namespace

std::unique_ptr<Value> JSONParser::ConsumeDictionary() {
  if (depth_ + 1 >= kStackMaxDepth) {
    ReportError(JSONReader::JSON_TOO_MUCH_NESTING, pos_, 1);
    return nullptr;
  }
  ScopedNestingLevel nesting_level(&depth_);

  ++pos_;  // '{'
  Token token = GetNextToken();
  const size_t first_entry = entry_stack_.size();
  if (token == T_OBJECT_END) {
    ++pos_;
    return FinishDictionary(first_entry, true);
  }
  StringResult key;
  bool sorted = true;
  while (true) {
    if (token != T_STRING) {
      ReportError(JSONReader::JSON_UNQUOTED_DICTIONARY_KEY, pos_, 1);
      return nullptr;
    }
    if (!ConsumeString(&key))
      return nullptr;
    if (GetNextToken() != T_OBJECT_PAIR_SEPARATOR) {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 1);
      return nullptr;
    }
    ++pos_;  // ':'
    std::unique_ptr<Value> value = ParseToken(GetNextToken());
    if (!value)
      return nullptr;  // Parse() clears the stacks.
    std::string_view key_text(key.view.data(), key.view.size());
    if (key.built) {
      decoded_keys_.push_back(std::move(key.buffer));
      key_text = decoded_keys_.back();
    }
    if (entry_stack_.size() > first_entry &&
        !KeyLess(entry_stack_.back().key, key_text)) {
      sorted = false;
    }
    entry_stack_.push_back(PendingEntry{key_text, std::move(value)});

    token = GetNextToken();
    if (token == T_LIST_SEPARATOR) {
      ++pos_;
      token = GetNextToken();
      if (token == T_OBJECT_END) {
        ReportError(JSONReader::JSON_TRAILING_COMMA, pos_, 1);
        return nullptr;
      }
    } else if (token == T_OBJECT_END) {
      ++pos_;
      return FinishDictionary(first_entry, sorted);
    } else {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 0);
      return nullptr;
    }
  }
}

std::unique_ptr<Value> JSONParser::FinishDictionary(size_t first_entry,
                                                    bool sorted) {
  PendingEntry* begin = entry_stack_.data() + first_entry;
  PendingEntry* end = entry_stack_.data() + entry_stack_.size();
  if (!sorted) {
    // Stable, so that of equal keys the one written last comes last and
    // replaces the others, as storing them in turn would.
    if (static_cast<size_t>(end - begin) <= kInsertionSortLimit) {
      for (PendingEntry* next = begin + 1; next < end; ++next) {
        if (!KeyLess(next->key, next[-1].key))
          continue;
        PendingEntry moving = std::move(*next);
        PendingEntry* slot = next;
        do {
          *slot = std::move(slot[-1]);
          --slot;
        } while (slot != begin && KeyLess(moving.key, slot[-1].key));
        *slot = std::move(moving);
      }
    } else {
      std::stable_sort(begin, end,
                       [](const PendingEntry& a, const PendingEntry& b) {
                         return KeyLess(a.key, b.key);
                       });
    }
    PendingEntry* kept = begin;
    for (PendingEntry* entry = begin; entry != end; ++entry) {
      // Sorted: a key not below the next one equals it.
      if (entry + 1 != end && !KeyLess(entry->key, entry[1].key))
        continue;
      if (kept != entry)
        *kept = std::move(*entry);
      ++kept;
    }
    end = kept;
  }
  DictionaryValue* dictionary = NewValue<DictionaryValue>();
  size_t count = static_cast<size_t>(end - begin);
  if (count) {
    auto& entries = dictionary->dictionary_;
    entries.AdoptBuffer(
        arena_->Allocate(count * sizeof(DictionaryValue::Entry)), count);
    for (PendingEntry* entry = begin; entry != end; ++entry) {
      entries.emplace_back(internal::ValueKey(entry->key, arena_),
                           std::move(entry->value));
    }
  }
  // Also destroys the values of replaced duplicate keys.
  entry_stack_.erase(entry_stack_.begin() + first_entry, entry_stack_.end());
  return std::unique_ptr<Value>(dictionary);
}

std::unique_ptr<Value> JSONParser::ConsumeList() {
  if (depth_ + 1 >= kStackMaxDepth) {
    ReportError(JSONReader::JSON_TOO_MUCH_NESTING, pos_, 1);
    return nullptr;
  }
  ScopedNestingLevel nesting_level(&depth_);

  ++pos_;  // '['
  Token token = GetNextToken();
  if (token == T_ARRAY_END) {
    ++pos_;
    return std::unique_ptr<Value>(NewValue<ListValue>());
  }
  const size_t first_element = element_stack_.size();
  while (true) {
    std::unique_ptr<Value> element = ParseToken(token);
    if (!element)
      return nullptr;  // Parse() clears the stack.
    element_stack_.push_back(std::move(element));

    token = GetNextToken();
    if (token == T_LIST_SEPARATOR) {
      ++pos_;
      token = GetNextToken();
      if (token == T_ARRAY_END) {
        ReportError(JSONReader::JSON_TRAILING_COMMA, pos_, 1);
        return nullptr;
      }
    } else if (token == T_ARRAY_END) {
      ++pos_;
      ListValue* list = NewValue<ListValue>();
      size_t count = element_stack_.size() - first_element;
      list->list_.AdoptBuffer(
          arena_->Allocate(count * sizeof(std::unique_ptr<Value>)), count);
      for (size_t i = first_element; i < element_stack_.size(); ++i)
        list->list_.push_back(std::move(element_stack_[i]));
      element_stack_.resize(first_element);
      return std::unique_ptr<Value>(list);
    } else {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 1);
      return nullptr;
    }
  }
}

std::unique_ptr<Value> JSONParser::ConsumeStringValue() {
  StringResult result;
  if (!ConsumeString(&result))
    return nullptr;
  StringPiece text = result.text();
  // The input is below 4 GB: its length is counted in 32 bits.
  char* data = nullptr;
  if (!text.empty()) {
    data = static_cast<char*>(arena_->Allocate(text.size()));
    memcpy(data, text.data(), text.size());
  }
  return std::unique_ptr<Value>(
      NewValue<Value>(data, static_cast<uint32_t>(text.size())));
}

bool JSONParser::ConsumeString(StringResult* result) {
  result->built = false;
  result->buffer.clear();
  const char* p = pos_ + 1;  // After the opening quote.
  const char* run_start = p;
  const __m128i quotes = _mm_set1_epi8('"');
  const __m128i backslashes = _mm_set1_epi8('\\');
  while (true) {
    // Sixteen bytes at a time up to the first quote, backslash or byte of
    // 0x80 or more (its top bit is the one movemask reads), never past the
    // end of input.
    while (end_ - p >= 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i special = _mm_or_si128(_mm_cmpeq_epi8(bytes, quotes),
                                     _mm_cmpeq_epi8(bytes, backslashes));
      int mask = _mm_movemask_epi8(_mm_or_si128(special, bytes));
      if (mask) {
        p += __builtin_ctz(static_cast<unsigned>(mask));
        break;
      }
      p += 16;
    }
    while (p < end_ && kPlainStringBytes.table[static_cast<unsigned char>(*p)])
      ++p;
    if (p >= end_) {
      // Also a quote that is the last byte of input.
      ReportError(JSONReader::JSON_SYNTAX_ERROR, end_, 0);
      return false;
    }
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"') {
      if (result->built)
        result->buffer.append(run_start, p);
      else
        result->view = StringPiece(run_start, static_cast<size_t>(p - run_start));
      pos_ = p + 1;
      return true;
    }
    if (c == '\\') {
      if (!result->built) {
        result->built = true;
        result->buffer.assign(run_start, p);
      } else {
        result->buffer.append(run_start, p);
      }
      if (!DecodeEscape(&p, &result->buffer))
        return false;
      run_start = p;
      continue;
    }
    // Text in other scripts runs multi-byte characters together: stay here
    // until the run ends.
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    const unsigned char* end = reinterpret_cast<const unsigned char*>(end_);
    do {
      size_t length = json_utf8::ValidMultiByteLength(u, end);
      if (!length) {
        ReportError(JSONReader::JSON_UNSUPPORTED_ENCODING,
                    reinterpret_cast<const char*>(u), 1);
        return false;
      }
      u += length;
    } while (u < end && *u >= 0x80);
    p = reinterpret_cast<const char*>(u);
  }
}

bool JSONParser::DecodeEscape(const char** position, std::string* out) {
  const char* p = *position;  // At the backslash.
  if (end_ - p < 2) {
    ReportError(JSONReader::JSON_INVALID_ESCAPE, end_, 0);
    return false;
  }
  char escaped = p[1];
  switch (escaped) {
    case '"':
    case '/':
    case '\\':
      out->push_back(escaped);
      break;
    case 'b':
      out->push_back('\b');
      break;
    case 'f':
      out->push_back('\f');
      break;
    case 'n':
      out->push_back('\n');
      break;
    case 'r':
      out->push_back('\r');
      break;
    case 't':
      out->push_back('\t');
      break;
    case 'v':
      out->push_back('\v');
      break;
    case 'x': {
      if (end_ - (p + 2) < 2) {
        ReportError(JSONReader::JSON_INVALID_ESCAPE, p + 1, 1);
        return false;
      }
      uint32_t value = 0;
      if (!ReadHexDigits(p + 2, 2, &value)) {
        ReportError(JSONReader::JSON_INVALID_ESCAPE, p + 4, -1);
        return false;
      }
      // Every value of two digits is a valid character.
      json_utf8::AppendCodePoint(value, out);
      *position = p + 4;
      return true;
    }
    case 'u': {
      const char* u = p + 1;
      if (!DecodeUnicodeEscape(&u, out))
        return false;
      *position = u;
      return true;
    }
    default:
      ReportError(JSONReader::JSON_INVALID_ESCAPE, p + 2, 0);
      return false;
  }
  *position = p + 2;
  return true;
}

bool JSONParser::DecodeUnicodeEscape(const char** position, std::string* out) {
  const char* p = *position;  // At the 'u'.
  uint32_t unit = 0;
  if (end_ - (p + 1) < 4 || !ReadHexDigits(p + 1, 4, &unit)) {
    ReportError(JSONReader::JSON_INVALID_ESCAPE,
                end_ - (p + 1) < 4 ? end_ : p + 5, -1);
    return false;
  }
  p += 5;
  uint32_t code_point = unit;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    // A high surrogate needs its low half at once, as \uDC00..\uDFFF.
    uint32_t low = 0;
    if (end_ - p < 6 || p[0] != '\\' || p[1] != 'u' ||
        !ReadHexDigits(p + 2, 4, &low) || low < 0xDC00 || low > 0xDFFF) {
      ReportError(JSONReader::JSON_INVALID_ESCAPE,
                  end_ - p < 6 ? end_ : p + 6, -1);
      return false;
    }
    code_point = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    p += 6;
  }
  if (!json_utf8::IsCharacter(static_cast<int32_t>(code_point))) {
    ReportError(JSONReader::JSON_INVALID_ESCAPE, p, -1);
    return false;
  }
  json_utf8::AppendCodePoint(code_point, out);
  *position = p;
  return true;
}

std::unique_ptr<Value> JSONParser::ConsumeNumber() {
  const char* begin = pos_;
  const char* p = pos_;
  if (*p == '-')
    ++p;
  if (p >= end_ || !IsDigit(*p)) {
    ReportError(JSONReader::JSON_SYNTAX_ERROR, p, 1);
    return nullptr;
  }
  if (*p == '0' && p + 1 < end_ && IsDigit(p[1])) {
    ReportError(JSONReader::JSON_SYNTAX_ERROR, p + 1, 1);
    return nullptr;
  }
  const char* integer_begin = p;
  while (p < end_ && IsDigit(*p))
    ++p;
  const char* integer_end = p;
  bool integral = true;
  if (p < end_ && *p == '.') {
    integral = false;
    ++p;
    if (p >= end_ || !IsDigit(*p)) {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, p, 1);
      return nullptr;
    }
    while (p < end_ && IsDigit(*p))
      ++p;
  }
  if (p < end_ && (*p == 'e' || *p == 'E')) {
    integral = false;
    ++p;
    if (p < end_ && (*p == '+' || *p == '-'))
      ++p;
    if (p >= end_ || !IsDigit(*p)) {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, p, 1);
      return nullptr;
    }
    while (p < end_ && IsDigit(*p))
      ++p;
  }
  const char* number_end = p;
  pos_ = p;

  Token next = GetNextToken();
  if (next != T_OBJECT_END && next != T_ARRAY_END &&
      next != T_LIST_SEPARATOR && next != T_END_OF_INPUT) {
    ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 1);
    return nullptr;
  }

  // An integer text that fits 32 bits is an integer value, as the decimal
  // integer conversion would find it: digits only, no overflow.
  if (integral && integer_end - integer_begin <= 10) {
    int64_t magnitude = 0;
    for (const char* d = integer_begin; d < integer_end; ++d)
      magnitude = magnitude * 10 + (*d - '0');
    int64_t value = *begin == '-' ? -magnitude : magnitude;
    if (value >= INT32_MIN && value <= INT32_MAX)
      return std::unique_ptr<Value>(NewValue<Value>(static_cast<int>(value)));
  }

  double value = 0.0;
  if (!ConvertDouble(begin, number_end, &value))
    return nullptr;  // Out of range: no error code, as always.
  return std::unique_ptr<Value>(NewValue<Value>(value));
}

bool JSONParser::ConsumeLiteral(const char* word, size_t length) {
  if (static_cast<size_t>(end_ - pos_) < length ||
      memcmp(pos_, word, length) != 0) {
    ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 1);
    return false;
  }
  pos_ += length;
  return true;
}

void JSONParser::ReportError(JSONReader::JsonParseError code,
                             const char* position,
                             int column_adjust) {
  error_code_ = code;
  error_line_ = line_;
  error_column_ =
      static_cast<int>(position - start_) - line_start_ + column_adjust;
}

}  // namespace base
