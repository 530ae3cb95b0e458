#include "base/json/values.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

// The invariant of every double value: no NaN and no infinity.
double SanitizeDouble(double value) {
  return isfinite(value) ? value : 0.0;
}

}  // namespace

// Value ---------------------------------------------------------------------

namespace {

// A value block holding a copy of |text|; null for the empty text.
char* CopyToValueBlock(StringPiece text) {
  // No text can reach 4 GB: the heap refuses requests of 2 GB.
  CHECK_LT(text.size(), size_t{0xFFFFFFFFu});
  if (text.empty())
    return nullptr;
  char* data = static_cast<char*>(internal::AllocateValueBlock(text.size()));
  memcpy(data, text.data(), text.size());
  return data;
}

}  // namespace

// static
void* Value::operator new(size_t size) {
  return internal::AllocateValueBlock(size);
}

// static
void Value::operator delete(void* block) {
  internal::FreeValueBlock(block);
}

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
    : type_(TYPE_STRING),
      string_size_(static_cast<uint32_t>(value.size())),
      string_data_(CopyToValueBlock(value)) {}

Value::Value(const char* value) : Value(StringPiece(value)) {}

Value::Value(const std::string& value) : Value(StringPiece(value)) {}

Value::Value(std::string&& value) : Value(StringPiece(value)) {}

Value::Value(const string16& value) : Value(StringPiece(UTF16ToUTF8(value))) {}

Value::Value(char* data, uint32_t size)
    : type_(TYPE_STRING), string_size_(size), string_data_(data) {}

Value::~Value() {
  if (type_ == TYPE_STRING)
    internal::FreeValueBlock(string_data_);
}

void Value::ReleaseChildren(internal::ValueBlockReleaser* releaser) {
  // The whole tree below goes through one releaser, so a parsed tree
  // returns its blocks with one update per chunk instead of one per block.
  auto release = [releaser](std::unique_ptr<Value>* slot) {
    Value* child = slot->release();
    if (!child)
      return;
    child->ReleaseChildren(releaser);
    if (child->type_ == TYPE_STRING) {
      releaser->Free(child->string_data_);
      child->string_data_ = nullptr;
    }
    child->~Value();
    releaser->Free(child);
  };
  if (type_ == TYPE_DICTIONARY) {
    auto& entries = static_cast<DictionaryValue*>(this)->dictionary_;
    for (DictionaryValue::Entry& entry : entries) {
      release(&entry.second);
      releaser->Free(entry.first.ReleaseBlock());
    }
    releaser->Free(entries.ReleaseBuffer());
  } else if (type_ == TYPE_LIST) {
    auto& elements = static_cast<ListValue*>(this)->list_;
    for (std::unique_ptr<Value>& element : elements)
      release(&element);
    releaser->Free(elements.ReleaseBuffer());
  }
}

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
    *out = string_view();
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
    *out = UTF8ToUTF16(string_view());
  return true;
}

bool Value::GetAsString(std::string* out) const {
  if (type_ != TYPE_STRING)
    return false;
  if (out)
    out->assign(string_view().data(), string_size_);
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
      return new Value(string_view());
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
      return string_size_ == other->string_size_ &&
             (string_size_ == 0 ||
              memcmp(string_data_, other->string_data_, string_size_) == 0);
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

// Typed getters -------------------------------------------------------------

namespace {

// Value::GetAs* chosen by the type of |out|, so that one template serves
// every typed getter of DictionaryValue and ListValue.
bool ReadAs(const Value* value, bool* out) {
  return value->GetAsBoolean(out);
}
bool ReadAs(const Value* value, int* out) {
  return value->GetAsInteger(out);
}
bool ReadAs(const Value* value, double* out) {
  return value->GetAsDouble(out);
}
bool ReadAs(const Value* value, StringPiece* out) {
  return value->GetAsString(out);
}
bool ReadAs(const Value* value, std::string* out) {
  return value->GetAsString(out);
}
bool ReadAs(const Value* value, string16* out) {
  return value->GetAsString(out);
}
bool ReadAs(const Value* value, const DictionaryValue** out) {
  return value->GetAsDictionary(out);
}
bool ReadAs(Value* value, DictionaryValue** out) {
  return value->GetAsDictionary(out);
}
bool ReadAs(const Value* value, const ListValue** out) {
  return value->GetAsList(out);
}
bool ReadAs(Value* value, ListValue** out) {
  return value->GetAsList(out);
}

// The lookup a typed getter goes through: the const one in a const getter,
// the mutable one (which hands out a mutable child) otherwise.
template <typename Container, typename Where>
struct Lookup {
  using Function = bool (Container::*)(Where, Value**);
  using Found = Value;
};
template <typename Container, typename Where>
struct Lookup<const Container, Where> {
  using Function = bool (Container::*)(Where, const Value**) const;
  using Found = const Value;
};

// The one body of the typed getters: finds the value at |where| with |find|
// (Get by path or index, or GetWithoutPathExpansion by key) and reads it as
// the type of |out|.
template <typename Container, typename Where, typename Out>
bool GetTyped(Container* container,
              typename Lookup<Container, Where>::Function find, Where where,
              Out* out) {
  typename Lookup<Container, Where>::Found* value = nullptr;
  return (container->*find)(where, &value) && ReadAs(value, out);
}

}  // namespace

// DictionaryValue -----------------------------------------------------------

DictionaryValue::DictionaryValue() : Value(TYPE_DICTIONARY) {}

DictionaryValue::~DictionaryValue() {
  internal::ValueBlockReleaser releaser;
  ReleaseChildren(&releaser);
}

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
  copy->dictionary_.reserve(dictionary_.size());
  for (const Entry& entry : dictionary_) {
    copy->dictionary_.emplace_back(
        internal::ValueKey(entry.first.view()),
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
    if (mine->first.view() != theirs->first.view() ||
        !mine->second->Equals(theirs->second.get())) {
      return false;
    }
  }
  return mine == dictionary_.end() &&
         theirs == other_dictionary->dictionary_.end();
}

DictionaryValue::Entry* DictionaryValue::LowerBound(StringPiece key) {
  std::string_view wanted(key.data(), key.size());
  return std::lower_bound(dictionary_.begin(), dictionary_.end(), wanted,
                          [](const Entry& entry, std::string_view text) {
                            return entry.first.view() < text;
                          });
}

const DictionaryValue::Entry* DictionaryValue::Find(StringPiece key) const {
  const Entry* entry =
      const_cast<DictionaryValue*>(this)->LowerBound(key);
  if (entry == dictionary_.end() ||
      entry->first.view() != std::string_view(key.data(), key.size())) {
    return nullptr;
  }
  return entry;
}

bool DictionaryValue::RemoveWithoutPathExpansion(StringPiece key,
                                                 std::unique_ptr<Value>* out) {
  const Entry* entry = Find(key);
  if (!entry)
    return false;
  // Taken out of the entry first: destroying the value must not meet a
  // half-erased dictionary.
  std::unique_ptr<Value> value =
      std::move(const_cast<Entry*>(entry)->second);
  dictionary_.erase(entry);
  if (out)
    *out = std::move(value);
  return true;
}

void DictionaryValue::Swap(DictionaryValue* other) {
  dictionary_.swap(other->dictionary_);
}

bool DictionaryValue::HasKey(StringPiece key) const {
  return Find(key) != nullptr;
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
  Entry* entry = LowerBound(key);
  if (entry != dictionary_.end() &&
      entry->first.view() == std::string_view(key.data(), key.size())) {
    entry->second = std::move(value);
    return;
  }
  dictionary_.insert(
      entry,
      Entry(internal::ValueKey(std::string_view(key.data(), key.size())),
            std::move(value)));
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
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetInteger(StringPiece path, int* out) const {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetDouble(StringPiece path, double* out) const {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetString(StringPiece path, std::string* out) const {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetString16(StringPiece path, string16* out) const {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetStringASCII(StringPiece path,
                                     std::string* out) const {
  StringPiece text;
  if (!GetTyped(this, &DictionaryValue::Get, path, &text))
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
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetDictionary(StringPiece path, DictionaryValue** out) {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetList(StringPiece path, const ListValue** out) const {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetList(StringPiece path, ListValue** out) {
  return GetTyped(this, &DictionaryValue::Get, path, out);
}

bool DictionaryValue::GetWithoutPathExpansion(StringPiece key,
                                              const Value** out) const {
  const Entry* entry = Find(key);
  if (!entry)
    return false;
  if (out)
    *out = entry->second.get();
  return true;
}

bool DictionaryValue::GetWithoutPathExpansion(StringPiece key, Value** out) {
  const Entry* entry = Find(key);
  if (!entry)
    return false;
  if (out)
    *out = entry->second.get();
  return true;
}

bool DictionaryValue::GetBooleanWithoutPathExpansion(StringPiece key,
                                                     bool* out) const {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetIntegerWithoutPathExpansion(StringPiece key,
                                                     int* out) const {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetStringWithoutPathExpansion(StringPiece key,
                                                    std::string* out) const {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(
    StringPiece key, const DictionaryValue** out) const {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetDictionaryWithoutPathExpansion(
    StringPiece key, DictionaryValue** out) {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetListWithoutPathExpansion(
    StringPiece key, const ListValue** out) const {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
}

bool DictionaryValue::GetListWithoutPathExpansion(StringPiece key,
                                                  ListValue** out) {
  return GetTyped(this, &DictionaryValue::GetWithoutPathExpansion, key, out);
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

ListValue::~ListValue() {
  internal::ValueBlockReleaser releaser;
  ReleaseChildren(&releaser);
}

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
  std::unique_ptr<Value> value = std::move(list_[index]);
  list_.erase(list_.begin() + index);
  if (out)
    *out = std::move(value);
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
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetInteger(size_t index, int* out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetDouble(size_t index, double* out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetString(size_t index, std::string* out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetString(size_t index, string16* out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetDictionary(size_t index,
                              const DictionaryValue** out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetDictionary(size_t index, DictionaryValue** out) {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetList(size_t index, const ListValue** out) const {
  return GetTyped(this, &ListValue::Get, index, out);
}

bool ListValue::GetList(size_t index, ListValue** out) {
  return GetTyped(this, &ListValue::Get, index, out);
}

void ListValue::Append(std::unique_ptr<Value> value) {
  list_.push_back(std::move(value));
}

void ListValue::Append(Value* value) {
  list_.emplace_back(std::unique_ptr<Value>(value));
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
