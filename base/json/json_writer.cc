#include "base/json/json_writer.h"

#include <stdint.h>
#include <string.h>

#include "base/json/string_escape.h"
#include "base/strings/number_text.h"

namespace base {

namespace {

void AppendInteger(int value, std::string* json) {
  // Least significant digit first; the magnitude as unsigned, so INT_MIN
  // converts too.
  char buffer[12];
  char* end = buffer + sizeof(buffer);
  char* p = end;
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value)
                                 : static_cast<uint32_t>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0)
    *--p = '-';
  json->append(p, end - p);
}

// The shortest round-trip digits, with "0" before a leading point and ".0"
// when the text would otherwise read back as an integer.
void AppendJSONDouble(double value, std::string* json) {
  char buffer[kShortestDoubleBufferSize];
  const char* text = FormatShortestDouble(buffer, value);
  size_t length = strlen(text);
  if (text[0] == '-') {
    json->push_back('-');
    ++text;
    --length;
  }
  if (text[0] == '.')
    json->push_back('0');
  json->append(text, length);
  // Without a point or an exponent the text would read back as an integer.
  if (!memchr(text, '.', length) && !memchr(text, 'e', length) &&
      !memchr(text, 'E', length)) {
    json->append(".0", 2);
  }
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
  BuildJSONString(value, json);
  return true;
}

// static
void JSONWriter::BuildJSONString(const Value& value, std::string* json) {
  switch (value.GetType()) {
    case Value::TYPE_NULL:
      json->append("null", 4);
      return;
    case Value::TYPE_BOOLEAN: {
      bool boolean = false;
      value.GetAsBoolean(&boolean);
      if (boolean)
        json->append("true", 4);
      else
        json->append("false", 5);
      return;
    }
    case Value::TYPE_INTEGER: {
      int integer = 0;
      value.GetAsInteger(&integer);
      AppendInteger(integer, json);
      return;
    }
    case Value::TYPE_DOUBLE: {
      double number = 0.0;
      value.GetAsDouble(&number);
      AppendJSONDouble(number, json);
      return;
    }
    case Value::TYPE_STRING: {
      StringPiece text;
      value.GetAsString(&text);
      // A replaced character does not fail the write; the text stays
      // readable.
      EscapeJSONString(text, json);
      return;
    }
    case Value::TYPE_DICTIONARY: {
      const DictionaryValue* dictionary = nullptr;
      value.GetAsDictionary(&dictionary);
      json->push_back('{');
      bool first = true;
      for (DictionaryValue::Iterator it(*dictionary); !it.IsAtEnd();
           it.Advance()) {
        if (!first)
          json->push_back(',');
        first = false;
        EscapeJSONString(it.key(), json);
        json->push_back(':');
        BuildJSONString(it.value(), json);
      }
      json->push_back('}');
      return;
    }
    case Value::TYPE_LIST: {
      const ListValue* list = nullptr;
      value.GetAsList(&list);
      json->push_back('[');
      bool first = true;
      for (const auto& element : *list) {
        if (!first)
          json->push_back(',');
        first = false;
        BuildJSONString(*element, json);
      }
      json->push_back(']');
      return;
    }
    case Value::TYPE_BINARY:
      // Nothing creates binary values.
      return;
  }
}

}  // namespace base
