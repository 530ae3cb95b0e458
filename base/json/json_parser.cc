#include "base/json/json_parser.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <utility>

#include "base/json/json_utf8.h"
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

// Exact powers of ten for the fast path of ConvertDouble.
constexpr double kExactPowersOfTen[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Converts the number text [begin, end), which the grammar has validated and
// which has a fraction or an exponent or does not fit 32 bits, to a double.
// False when the value overflows a double.
bool ConvertDouble(const char* begin, const char* end, double* result) {
  // Fast path: at most 15 significant digits and a power of ten that is
  // exact in a double give the correctly rounded result with one IEEE
  // multiplication or division, the same double a full conversion finds.
  const char* p = begin;
  bool negative = *p == '-';
  if (negative)
    ++p;
  uint64_t mantissa = 0;
  int digits = 0;
  int exponent = 0;
  for (; p < end && IsDigit(*p); ++p) {
    if (mantissa != 0 || *p != '0') {
      mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
      ++digits;
    }
    if (digits > 15)
      break;
  }
  if (p < end && *p == '.' && digits <= 15) {
    for (++p; p < end && IsDigit(*p); ++p) {
      if (mantissa != 0 || *p != '0') {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++digits;
      }
      --exponent;
      if (digits > 15)
        break;
    }
  }
  if (digits <= 15 && p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative_exponent = *p == '-';
    if (*p == '-' || *p == '+')
      ++p;
    int written = 0;
    for (; p < end && written < 10000; ++p)
      written = written * 10 + (*p - '0');
    exponent += negative_exponent ? -written : written;
  }
  if (p == end && digits <= 15 && exponent >= -22 && exponent <= 22) {
    double value = static_cast<double>(mantissa);
    value = exponent < 0 ? value / kExactPowersOfTen[-exponent]
                         : value * kExactPowersOfTen[exponent];
    *result = negative ? -value : value;
    return true;
  }

  // The full conversion wants a NUL-terminated text; the input has none.
  size_t length = static_cast<size_t>(end - begin);
  char stack_copy[64];
  std::string heap_copy;
  const char* text = stack_copy;
  if (length < sizeof(stack_copy)) {
    memcpy(stack_copy, begin, length);
    stack_copy[length] = '\0';
  } else {
    heap_copy.assign(begin, end);
    text = heap_copy.c_str();
  }
  int saved_errno = errno;
  errno = 0;
  char* stop = nullptr;
  double value = StringToDoubleCore(text, &stop);
  bool range_error = errno == ERANGE;
  errno = saved_errno;
  if (stop != text + length)
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

  std::unique_ptr<Value> root = ParseToken(GetNextToken());
  element_stack_.clear();  // Holds the pieces of a failed parse.
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
  EatWhitespaceAndComments();
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
  while (pos_ < end_) {
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
      return ConsumeLiteral("true", 4, std::make_unique<Value>(true));
    case T_BOOL_FALSE:
      return ConsumeLiteral("false", 5, std::make_unique<Value>(false));
    case T_NULL:
      return ConsumeLiteral("null", 4, std::make_unique<Value>());
    default:
      ReportError(JSONReader::JSON_UNEXPECTED_TOKEN, pos_, 1);
      return nullptr;
  }
}

std::unique_ptr<Value> JSONParser::ConsumeDictionary() {
  if (depth_ + 1 >= kStackMaxDepth) {
    ReportError(JSONReader::JSON_TOO_MUCH_NESTING, pos_, 1);
    return nullptr;
  }
  ++depth_;
  struct DepthRestorer {
    int* depth;
    ~DepthRestorer() { --*depth; }
  } depth_restorer{&depth_};

  auto dictionary = std::make_unique<DictionaryValue>();
  ++pos_;  // '{'
  Token token = GetNextToken();
  if (token == T_OBJECT_END) {
    ++pos_;
    return dictionary;
  }
  StringResult key;
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
      return nullptr;
    // Keys usually arrive sorted (the writer sorts them): append at the
    // end without a search then.
    StringPiece key_text = key.text();
    DictionaryValue::Storage& entries = dictionary->dictionary_;
    if (entries.empty() ||
        entries.rbegin()->first < std::string_view(key_text)) {
      entries.emplace_hint(entries.end(),
                           std::string(key_text.data(), key_text.size()),
                           std::move(value));
    } else {
      dictionary->SetWithoutPathExpansion(key_text, std::move(value));
    }

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
      return dictionary;
    } else {
      ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 0);
      return nullptr;
    }
  }
}

std::unique_ptr<Value> JSONParser::ConsumeList() {
  if (depth_ + 1 >= kStackMaxDepth) {
    ReportError(JSONReader::JSON_TOO_MUCH_NESTING, pos_, 1);
    return nullptr;
  }
  ++depth_;
  struct DepthRestorer {
    int* depth;
    ~DepthRestorer() { --*depth; }
  } depth_restorer{&depth_};

  ++pos_;  // '['
  Token token = GetNextToken();
  if (token == T_ARRAY_END) {
    ++pos_;
    return std::make_unique<ListValue>();
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
      auto list = std::make_unique<ListValue>();
      list->list_.reserve(element_stack_.size() - first_element);
      for (size_t i = first_element; i < element_stack_.size(); ++i)
        list->list_.push_back(std::move(element_stack_[i]));
      element_stack_.resize(first_element);
      return list;
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
  if (result.built)
    return std::make_unique<Value>(std::move(result.buffer));
  return std::make_unique<Value>(result.view);
}

bool JSONParser::ConsumeString(StringResult* result) {
  result->built = false;
  result->buffer.clear();
  const char* p = pos_ + 1;  // After the opening quote.
  const char* run_start = p;
  while (true) {
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
    int32_t code_point;
    size_t length = json_utf8::DecodeSequence(
        reinterpret_cast<const unsigned char*>(p),
        reinterpret_cast<const unsigned char*>(end_), &code_point);
    if (!json_utf8::IsCharacter(code_point)) {
      ReportError(JSONReader::JSON_UNSUPPORTED_ENCODING, p, 1);
      return false;
    }
    p += length;
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
      return std::make_unique<Value>(static_cast<int>(value));
  }

  double value = 0.0;
  if (!ConvertDouble(begin, number_end, &value))
    return nullptr;  // Out of range: no error code, as always.
  return std::make_unique<Value>(value);
}

std::unique_ptr<Value> JSONParser::ConsumeLiteral(
    const char* word,
    size_t length,
    std::unique_ptr<Value> value) {
  if (static_cast<size_t>(end_ - pos_) < length ||
      memcmp(pos_, word, length) != 0) {
    ReportError(JSONReader::JSON_SYNTAX_ERROR, pos_, 1);
    return nullptr;
  }
  pos_ += length;
  return value;
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
