#include "base/json/json_writer.h"

#include <stdint.h>
#include <string.h>

#include <charconv>
#include <cmath>

#include "base/json/json_output.h"
#include "base/json/string_escape.h"
#include "base/logging.h"

namespace base {

namespace {

using internal::JsonOutput;

// "00" to "99", for writing integers two digits at a time.
struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text() {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kDigitPairs;

void AppendInteger(int value, JsonOutput* output) {
  // Least significant digits first; the magnitude as unsigned, so INT_MIN
  // converts too.
  char buffer[12];
  char* end = buffer + sizeof(buffer);
  char* p = end;
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value)
                                 : static_cast<uint32_t>(value);
  while (magnitude >= 100) {
    p -= 2;
    memcpy(p, kDigitPairs.text + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    p -= 2;
    memcpy(p, kDigitPairs.text + 2 * magnitude, 2);
  } else {
    *--p = static_cast<char>('0' + magnitude);
  }
  if (value < 0)
    *--p = '-';
  output->Append(p, static_cast<size_t>(end - p));
}

// The shortest text that reads back to |value| in the number-text layout
// (plain for decimal exponents from -4 to 5 places past the digits, else one
// digit, a point and a two- or three-digit exponent), with a "0" before a
// leading point and ".0" after a text that would read back as an integer.
void AppendDouble(double value, JsonOutput* output) {
  // A sign, "0.", three zeros, 17 digits and ".0" at most; 32 is plenty.
  char* out = output->Reserve(32);
  if (std::signbit(value))
    *out++ = '-';
  double magnitude = std::fabs(value);
  if (magnitude == 0.0) {
    memcpy(out, "0.0", 3);
    output->SetCursor(out + 3);
    return;
  }
  // Shortest round-trip digits as d.ddde[+-]XX; a double never holds NaN
  // or an infinity.
  char scientific[32];
  char* scientific_end =
      std::to_chars(scientific, scientific + sizeof(scientific), magnitude,
                    std::chars_format::scientific)
          .ptr;
  const char* e = scientific_end[-4] == 'e' ? scientific_end - 4
                                             : scientific_end - 5;
  int exponent = 0;
  for (const char* d = e + 2; d < scientific_end; ++d)
    exponent = exponent * 10 + (*d - '0');
  if (e[1] == '-')
    exponent = -exponent;
  // value = 0.d1d2...dn x 10^point
  int point = exponent + 1;
  int count = e == scientific + 1 ? 1 : static_cast<int>(e - scientific) - 1;
  if (point <= -4 || point > count + 5) {
    size_t length = static_cast<size_t>(scientific_end - scientific);
    memcpy(out, scientific, length);
    output->SetCursor(out + length);
    return;
  }
  // The digits without the point.
  char digits[17];
  digits[0] = scientific[0];
  memcpy(digits + 1, scientific + 2, static_cast<size_t>(count - 1));
  if (point <= 0) {
    *out++ = '0';
    *out++ = '.';
    memset(out, '0', static_cast<size_t>(-point));
    out += -point;
    memcpy(out, digits, static_cast<size_t>(count));
    out += count;
  } else if (point < count) {
    memcpy(out, digits, static_cast<size_t>(point));
    out += point;
    *out++ = '.';
    memcpy(out, digits + point, static_cast<size_t>(count - point));
    out += count - point;
  } else {
    memcpy(out, digits, static_cast<size_t>(count));
    out += count;
    memset(out, '0', static_cast<size_t>(point - count));
    out += point - count;
    *out++ = '.';
    *out++ = '0';
  }
  output->SetCursor(out);
}

}  // namespace

// static
bool JSONWriter::Write(const Value& value, std::string* json) {
  return WriteWithOptions(value, 0, json);
}

// static
bool JSONWriter::WriteWithOptions(const Value& value,
                                  int options,
                                  std::string* json) {
  json->clear();
  json->reserve(1024);
  JsonOutput output(json, 1024);
  BuildJSONString(value, &output);
  output.Finish();
  return true;
}

// static
void JSONWriter::BuildJSONString(const Value& value, JsonOutput* output) {
  switch (value.type_) {
    case Value::TYPE_NULL:
      output->Append("null", 4);
      return;
    case Value::TYPE_BOOLEAN:
      if (value.boolean_value_)
        output->Append("true", 4);
      else
        output->Append("false", 5);
      return;
    case Value::TYPE_INTEGER:
      AppendInteger(value.integer_value_, output);
      return;
    case Value::TYPE_DOUBLE:
      AppendDouble(value.double_value_, output);
      return;
    case Value::TYPE_STRING:
      // A replaced character does not fail the write; the text stays
      // readable.
      internal::EscapeJSONStringTo(value.string_view(), output);
      return;
    case Value::TYPE_DICTIONARY: {
      const auto& entries =
          static_cast<const DictionaryValue&>(value).dictionary_;
      output->Append('{');
      bool first = true;
      for (const DictionaryValue::Entry& entry : entries) {
        if (!first)
          output->Append(',');
        first = false;
        internal::EscapeJSONStringTo(entry.first.view(), output);
        output->Append(':');
        BuildJSONString(*entry.second, output);
      }
      output->Append('}');
      return;
    }
    case Value::TYPE_LIST: {
      const auto& elements = static_cast<const ListValue&>(value).list_;
      output->Append('[');
      bool first = true;
      for (const std::unique_ptr<Value>& element : elements) {
        if (!first)
          output->Append(',');
        first = false;
        BuildJSONString(*element, output);
      }
      output->Append(']');
      return;
    }
    case Value::TYPE_BINARY:
      // Nothing creates binary values.
      return;
  }
}

}  // namespace base
