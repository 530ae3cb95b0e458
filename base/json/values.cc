#include "base/json/values.h"

#include <math.h>

#include <utility>

#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

// The invariant of every double value: no NaN and no infinity.
double SanitizeDouble(double value) {
  return isfinite(value) ? value : 0.0;
}

}  // namespace

// Value ---------------------------------------------------------------------

Value::Value() : type_(TYPE_NULL), double_value_(0.0) {}

Value::Value(Type type) : type_(type), double_value_(0.0) {}

Value::Value(bool value) : type_(TYPE_BOOLEAN), double_value_(0.0) {
  boolean_value_ = value;
}

Value::Value(int value) : type_(TYPE_INTEGER), double_value_(0.0) {
  integer_value_ = value;
}

Value::Value(double value)
    : type_(TYPE_DOUBLE), double_value_(SanitizeDouble(value)) {}

Value::Value(StringPiece value)
    : type_(TYPE_STRING), double_value_(0.0),
      string_value_(value.data(), value.size()) {}

Value::Value(const char* value) : Value(StringPiece(value)) {}

Value::Value(const std::string& value)
    : type_(TYPE_STRING), double_value_(0.0), string_value_(value) {}

Value::Value(std::string&& value)
    : type_(TYPE_STRING), double_value_(0.0), string_value_(std::move(value)) {}

Value::Value(const string16& value)
    : type_(TYPE_STRING), double_value_(0.0),
      string_value_(UTF16ToUTF8(value)) {}

Value::~Value() = default;

// static
std::unique_ptr<Value> Value::CreateNullValue() {
  return std::make_unique<Value>();
}

bool Value::GetAsBoolean(bool* out) const {
  if (type_ != TYPE_BOOLEAN)
    return false;
  if (out)
    *out = boolean_value_;
  return true;
}

bool Value::GetAsInteger(int* out) const {
  if (type_ != TYPE_INTEGER)
    return false;
  if (out)
    *out = integer_value_;
  return true;
}

bool Value::GetAsDouble(double* out) const {
  if (type_ == TYPE_DOUBLE) {
    if (out)
      *out = double_value_;
    return true;
  }
  if (type_ == TYPE_INTEGER) {
    if (out)
      *out = static_cast<double>(integer_value_);
    return true;
  }
  return false;
}

bool Value::GetAsString(StringPiece* out) const {
  if (type_ != TYPE_STRING)
    return false;
  if (out)
    *out = StringPiece(string_value_);
  return true;
}

bool Value::GetAsString(const Value** out) const {
  if (type_ != TYPE_STRING)
    return false;
  if (out)
    *out = this;
  return true;
}

bool Value::GetAsString(string16* out) const {
  if (type_ != TYPE_STRING)
    return false;
  if (out)
    *out = UTF8ToUTF16(string_value_);
  return true;
}

bool Value::GetAsString(std::string* out) const {
  if (type_ != TYPE_STRING)
    return false;
  if (out)
    *out = string_value_;
  return true;
}

bool Value::GetAsBinary(const Value** out) const {
  return false;
}

bool Value::GetAsList(ListValue** out) {
  return false;
}

bool Value::GetAsList(const ListValue** out) const {
  return false;
}

bool Value::GetAsDictionary(DictionaryValue** out) {
  return false;
}

bool Value::GetAsDictionary(const DictionaryValue** out) const {
  return false;
}

Value* Value::DeepCopy() const {
  switch (type_) {
    case TYPE_BOOLEAN:
      return new Value(boolean_value_);
    case TYPE_INTEGER:
      return new Value(integer_value_);
    case TYPE_DOUBLE:
      return new Value(double_value_);
    case TYPE_STRING:
      return new Value(string_value_);
    default:
      // Containers override DeepCopy; binary values are never created.
      return new Value();
  }
}

bool Value::Equals(const Value* other) const {
  if (!other || other->type_ != type_)
    return false;
  switch (type_) {
    case TYPE_NULL:
      return true;
    case TYPE_BOOLEAN:
      return boolean_value_ == other->boolean_value_;
    case TYPE_INTEGER:
      return integer_value_ == other->integer_value_;
    case TYPE_DOUBLE:
      return double_value_ == other->double_value_;
    case TYPE_STRING:
      return string_value_ == other->string_value_;
    default:
      return false;
  }
}

std::unique_ptr<Value> Value::CreateDeepCopy() const {
  return std::unique_ptr<Value>(DeepCopy());
}

// static
bool Value::Equals(const Value* a, const Value* b) {
  if (!a || !b)
    return a == b;
  return a->Equals(b);
}

// DictionaryValue -----------------------------------------------------------

DictionaryValue::DictionaryValue() : Value(TYPE_DICTIONARY) {}

DictionaryValue::~DictionaryValue() = default;

// static
std::unique_ptr<DictionaryValue> DictionaryValue::From(
    std::unique_ptr<Value> value) {
  DictionaryValue* dictionary = nullptr;
  if (value && value->GetAsDictionary(&dictionary)) {
    value.release();
    return std::unique_ptr<DictionaryValue>(dictionary);
  }
  return nullptr;
}

bool DictionaryValue::GetAsDictionary(DictionaryValue** out) {
  if (out)
    *out = this;
  return true;
}

bool DictionaryValue::GetAsDictionary(const DictionaryValue** out) const {
  if (out)
    *out = this;
  return true;
}

DictionaryValue* DictionaryValue::DeepCopy() const {
  DictionaryValue* copy = new DictionaryValue;
  for (const auto& entry : dictionary_) {
    copy->dictionary_.emplace_hint(
        copy->dictionary_.end(), entry.first,
        std::unique_ptr<Value>(entry.second->DeepCopy()));
  }
  return copy;
}

bool DictionaryValue::Equals(const Value* other) const {
  const DictionaryValue* other_dictionary = nullptr;
  if (!other || !other->GetAsDictionary(&other_dictionary))
    return false;
  auto mine = dictionary_.begin();
  auto theirs = other_dictionary->dictionary_.begin();
  for (; mine != dictionary_.end() &&
         theirs != other_dictionary->dictionary_.end();
       ++mine, ++theirs) {
    if (mine->first != theirs->first ||
        !mine->second->Equals(theirs->second.get())) {
      return false;
    }
  }
  return mine == dictionary_.end() &&
         theirs == other_dictionary->dictionary_.end();
}

bool DictionaryValue::RemoveWithoutPathExpansion(StringPiece key,
                                                 std::unique_ptr<Value>* out) {
  auto it = dictionary_.find(std::string_view(key));
  if (it == dictionary_.end())
    return false;
  if (out)
    *out = std::move(it->second);
  dictionary_.erase(it);
  return true;
}

void DictionaryValue::Swap(DictionaryValue* other) {
  dictionary_.swap(other->dictionary_);
}

bool DictionaryValue::HasKey(StringPiece key) const {
  return dictionary_.count(std::string_view(key)) != 0;
}

void DictionaryValue::Set(StringPiece path, std::unique_ptr<Value> value) {
  DictionaryValue* current = this;
  for (size_t dot = path.find('.'); dot != StringPiece::npos;
       dot = path.find('.')) {
    StringPiece key = path.substr(0, dot);
    DictionaryValue* child = nullptr;
    if (!current->GetDictionaryWithoutPathExpansion(key, &child)) {
      child = new DictionaryValue;
      current->SetWithoutPathExpansion(key, child);
    }
    current = child;
    path = path.substr(dot + 1);
  }
  current->SetWithoutPathExpansion(path, std::move(value));
}

void DictionaryValue::Set(StringPiece path, Value* value) {
  Set(path, std::unique_ptr<Value>(value));
}

void DictionaryValue::SetBoolean(StringPiece path, bool value) {
  Set(path, std::make_unique<Value>(value));
}

void DictionaryValue::SetInteger(StringPiece path, int value) {
  Set(path, std::make_unique<Value>(value));
}

void DictionaryValue::SetDouble(StringPiece path, double value) {
  Set(path, std::make_unique<Value>(value));
}

void DictionaryValue::SetString(StringPiece path, StringPiece value) {
  Set(path, std::make_unique<Value>(value));
}

void DictionaryValue::SetString(StringPiece path, const string16& value) {
  Set(path, std::make_unique<Value>(value));
}

void DictionaryValue::SetWithoutPathExpansion(StringPiece key,
                                              std::unique_ptr<Value> value) {
  dictionary_[std::string(key.data(), key.size())] = std::move(value);
}

void DictionaryValue::SetWithoutPathExpansion(StringPiece key, Value* value) {
  SetWithoutPathExpansion(key, std::unique_ptr<Value>(value));
}

void DictionaryValue::SetBooleanWithoutPathExpansion(StringPiece key,
                                                     bool value) {
  SetWithoutPathExpansion(key, std::make_unique<Value>(value));
}

void DictionaryValue::SetIntegerWithoutPathExpansion(StringPiece key,
                                                     int value) {
  SetWithoutPathExpansion(key, std::make_unique<Value>(value));
}

void DictionaryValue::SetDoubleWithoutPathExpansion(StringPiece key,
                                                    double value) {
  SetWithoutPathExpansion(key, std::make_unique<Value>(value));
}

void DictionaryValue::SetStringWithoutPathExpansion(StringPiece key,
                                                    StringPiece value) {
  SetWithoutPathExpansion(key, std::make_unique<Value>(value));
}

void DictionaryValue::SetStringWithoutPathExpansion(StringPiece key,
                                                    const string16& value) {
  SetWithoutPathExpansion(key, std::make_unique<Value>(value));
}

bool DictionaryValue::Get(StringPiece path, const Value** out) const {
  const DictionaryValue* current = this;
  for (size_t dot = path.find('.'); dot != StringPiece::npos;
       dot = path.find('.')) {
    const DictionaryValue* child = nullptr;
    if (!current->GetDictionaryWithoutPathExpansion(path.substr(0, dot),
                                                    &child)) {
      return false;
    }
    current = child;
    path = path.substr(dot + 1);
  }
  return current->GetWithoutPathExpansion(path, out);
}

bool DictionaryValue::Get(StringPiece path, Value** out) {
  const Value* value = nullptr;
  if (!static_cast<const DictionaryValue*>(this)->Get(path, &value))
    return false;
  if (out)
    *out = const_cast<Value*>(value);
  return true;
}

bool DictionaryValue::GetBoolean(StringPiece path, bool* out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsBoolean(out);
}

bool DictionaryValue::GetInteger(StringPiece path, int* out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsInteger(out);
}

bool DictionaryValue::GetDouble(StringPiece path, double* out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsDouble(out);
}

bool DictionaryValue::GetString(StringPiece path, std::string* out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsString(out);
}

bool DictionaryValue::GetString16(StringPiece path, string16* out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsString(out);
}

bool DictionaryValue::GetStringASCII(StringPiece path,
                                     std::string* out) const {
  const Value* value = nullptr;
  StringPiece text;
  if (!Get(path, &value) || !value->GetAsString(&text))
    return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  if (out)
    out->assign(text.data(), text.size());
  return true;
}

bool DictionaryValue::GetDictionary(StringPiece path,
                                    const DictionaryValue** out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsDictionary(out);
}

bool DictionaryValue::GetDictionary(StringPiece path, DictionaryValue** out) {
  Value* value = nullptr;
  return Get(path, &value) && value->GetAsDictionary(out);
}

bool DictionaryValue::GetList(StringPiece path, const ListValue** out) const {
  const Value* value = nullptr;
  return Get(path, &value) && value->GetAsList(out);
}

bool DictionaryValue::GetList(StringPiece path, ListValue** out) {
  Value* value = nullptr;
  return Get(path, &value) && value->GetAsList(out);
}

bool DictionaryValue::GetWithoutPathExpansion(StringPiece key,
                                              const Value** out) const {
  auto it = dictionary_.find(std::string_view(key));
  if (it == dictionary_.end())
    return false;
  if (out)
    *out = it->second.get();
  return true;
}

bool DictionaryValue::GetWithoutPathExpansion(StringPiece key, Value** out) {
  auto it = dictionary_.find(std::string_view(key));
  if (it == dictionary_.end())
    return false;
  if (out)
    *out = it->second.get();
  return true;
}

bool DictionaryValue::GetBooleanWithoutPathExpansion(StringPiece key,
                                                     bool* out) const {
  const Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsBoolean(out);
}

bool DictionaryValue::GetIntegerWithoutPathExpansion(StringPiece key,
                                                     int* out) const {
  const Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsInteger(out);
}

bool DictionaryValue::GetStringWithoutPathExpansion(StringPiece key,
                                                    std::string* out) const {
  const Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsString(out);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(
    StringPiece key, const DictionaryValue** out) const {
  const Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsDictionary(out);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(
    StringPiece key, DictionaryValue** out) {
  Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsDictionary(out);
}

bool DictionaryValue::GetListWithoutPathExpansion(
    StringPiece key, const ListValue** out) const {
  const Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsList(out);
}

bool DictionaryValue::GetListWithoutPathExpansion(StringPiece key,
                                                  ListValue** out) {
  Value* value = nullptr;
  return GetWithoutPathExpansion(key, &value) && value->GetAsList(out);
}

bool DictionaryValue::Remove(StringPiece path, std::unique_ptr<Value>* out) {
  size_t last_dot = path.rfind('.');
  if (last_dot == StringPiece::npos)
    return RemoveWithoutPathExpansion(path, out);
  DictionaryValue* parent = nullptr;
  if (!GetDictionary(path.substr(0, last_dot), &parent))
    return false;
  return parent->RemoveWithoutPathExpansion(path.substr(last_dot + 1), out);
}

bool DictionaryValue::RemovePath(StringPiece path,
                                 std::unique_ptr<Value>* out) {
  size_t dot = path.find('.');
  if (dot == StringPiece::npos)
    return RemoveWithoutPathExpansion(path, out);
  StringPiece key = path.substr(0, dot);
  DictionaryValue* child = nullptr;
  if (!GetDictionaryWithoutPathExpansion(key, &child))
    return false;
  bool removed = child->RemovePath(path.substr(dot + 1), out);
  if (removed && child->empty())
    RemoveWithoutPathExpansion(key, nullptr);
  return removed;
}

DictionaryValue::Iterator::Iterator(const DictionaryValue& target)
    : target_(target), it_(target.dictionary_.begin()) {}

// ListValue -----------------------------------------------------------------

ListValue::ListValue() : Value(TYPE_LIST) {}

ListValue::~ListValue() = default;

bool ListValue::GetAsList(ListValue** out) {
  if (out)
    *out = this;
  return true;
}

bool ListValue::GetAsList(const ListValue** out) const {
  if (out)
    *out = this;
  return true;
}

ListValue* ListValue::DeepCopy() const {
  ListValue* copy = new ListValue;
  copy->list_.reserve(list_.size());
  for (const auto& element : list_)
    copy->list_.emplace_back(element->DeepCopy());
  return copy;
}

bool ListValue::Equals(const Value* other) const {
  const ListValue* other_list = nullptr;
  if (!other || !other->GetAsList(&other_list))
    return false;
  if (list_.size() != other_list->list_.size())
    return false;
  for (size_t i = 0; i < list_.size(); ++i) {
    if (!list_[i]->Equals(other_list->list_[i].get()))
      return false;
  }
  return true;
}

bool ListValue::Remove(size_t index, std::unique_ptr<Value>* out) {
  if (index >= list_.size())
    return false;
  if (out)
    *out = std::move(list_[index]);
  list_.erase(list_.begin() + index);
  return true;
}

void ListValue::Swap(ListValue* other) {
  list_.swap(other->list_);
}

bool ListValue::Set(size_t index, std::unique_ptr<Value> value) {
  if (!value)
    return false;
  if (index < list_.size()) {
    list_[index] = std::move(value);
    return true;
  }
  while (list_.size() < index)
    list_.push_back(std::make_unique<Value>());
  list_.push_back(std::move(value));
  return true;
}

bool ListValue::Set(size_t index, Value* value) {
  return Set(index, std::unique_ptr<Value>(value));
}

bool ListValue::Get(size_t index, const Value** out) const {
  if (index >= list_.size())
    return false;
  if (out)
    *out = list_[index].get();
  return true;
}

bool ListValue::Get(size_t index, Value** out) {
  if (index >= list_.size())
    return false;
  if (out)
    *out = list_[index].get();
  return true;
}

bool ListValue::GetBoolean(size_t index, bool* out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsBoolean(out);
}

bool ListValue::GetInteger(size_t index, int* out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsInteger(out);
}

bool ListValue::GetDouble(size_t index, double* out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsDouble(out);
}

bool ListValue::GetString(size_t index, std::string* out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsString(out);
}

bool ListValue::GetString(size_t index, string16* out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsString(out);
}

bool ListValue::GetDictionary(size_t index,
                              const DictionaryValue** out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsDictionary(out);
}

bool ListValue::GetDictionary(size_t index, DictionaryValue** out) {
  Value* value = nullptr;
  return Get(index, &value) && value->GetAsDictionary(out);
}

bool ListValue::GetList(size_t index, const ListValue** out) const {
  const Value* value = nullptr;
  return Get(index, &value) && value->GetAsList(out);
}

bool ListValue::GetList(size_t index, ListValue** out) {
  Value* value = nullptr;
  return Get(index, &value) && value->GetAsList(out);
}

void ListValue::Append(std::unique_ptr<Value> value) {
  list_.push_back(std::move(value));
}

void ListValue::Append(Value* value) {
  list_.emplace_back(value);
}

void ListValue::AppendBoolean(bool value) {
  list_.push_back(std::make_unique<Value>(value));
}

void ListValue::AppendInteger(int value) {
  list_.push_back(std::make_unique<Value>(value));
}

void ListValue::AppendDouble(double value) {
  list_.push_back(std::make_unique<Value>(value));
}

void ListValue::AppendString(StringPiece value) {
  list_.push_back(std::make_unique<Value>(value));
}

void ListValue::AppendString(const string16& value) {
  list_.push_back(std::make_unique<Value>(value));
}

}  // namespace base
