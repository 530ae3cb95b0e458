// The in-memory form of every JSON document: preference files, product
// settings, experiment states and reports. A tree of values is built by the
// JSON reader or by code, addressed by dotted key paths, and written back by
// the JSON writer.
//
// Every value has exactly one owner: a dictionary entry, a list slot or a
// std::unique_ptr of its user. Containers destroy their children with them.
//
//   DictionaryValue settings;
//   settings.SetInteger("window.width", 640);   // creates "window" on the way
//   int width = 0;
//   if (settings.GetInteger("window.width", &width)) ...
//
// Values are not thread-safe; a tree belongs to one sequence at a time.
#ifndef BASE_JSON_VALUES_H_
#define BASE_JSON_VALUES_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <utility>

#include "base/json/value_key.h"
#include "base/json/value_vector.h"
#include "base/strings/string16.h"
#include "base/strings/string_piece.h"

namespace base {

class DictionaryValue;
class JSONParser;
class JSONWriter;
class ListValue;

// One JSON value: null, boolean, integer (32-bit), double or UTF-8 string.
// Dictionaries and lists derive from it. A double value never holds NaN or an
// infinity: whatever creates one stores 0.0 in its place.
class Value {
 public:
  enum Type : int32_t {
    TYPE_NULL = 0,
    TYPE_BOOLEAN = 1,
    TYPE_INTEGER = 2,
    TYPE_DOUBLE = 3,
    TYPE_STRING = 4,
    TYPE_BINARY = 5,  // Part of the enumeration; nothing creates one.
    TYPE_DICTIONARY = 6,
    TYPE_LIST = 7,
  };

  // A null value.
  Value();
  explicit Value(bool value);
  explicit Value(int value);
  // NaN and the infinities become 0.0.
  explicit Value(double value);
  // UTF-8 text.
  explicit Value(StringPiece value);
  explicit Value(const char* value);
  explicit Value(const std::string& value);
  explicit Value(std::string&& value);
  // UTF-16 text, stored converted to UTF-8.
  explicit Value(const string16& value);

  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;

  virtual ~Value();

  // Values live in value blocks (base/json/value_arena.h), so that the JSON
  // reader can place a whole tree in a few large chunks while each value
  // keeps its single owner.
  static void* operator new(size_t size);
  static void operator delete(void* block);

  static std::unique_ptr<Value> CreateNullValue();

  Type GetType() const { return type_; }
  bool IsType(Type type) const { return type_ == type; }

  // Each accessor answers whether the value is of the fitting type and, when
  // |out| is not null, stores the payload there.
  virtual bool GetAsBoolean(bool* out) const;
  virtual bool GetAsInteger(int* out) const;
  // True for doubles and for integers, which are converted.
  virtual bool GetAsDouble(double* out) const;
  // A view of the stored UTF-8 bytes, valid while the value lives unchanged.
  virtual bool GetAsString(StringPiece* out) const;
  virtual bool GetAsString(const Value** out) const;
  virtual bool GetAsString(string16* out) const;
  virtual bool GetAsString(std::string* out) const;
  // Always false: no binary value exists in this system.
  virtual bool GetAsBinary(const Value** out) const;
  virtual bool GetAsList(ListValue** out);
  virtual bool GetAsList(const ListValue** out) const;
  virtual bool GetAsDictionary(DictionaryValue** out);
  virtual bool GetAsDictionary(const DictionaryValue** out) const;

  // A new owned copy of the whole subtree.
  virtual Value* DeepCopy() const;
  // Same types and same contents; an integer 1 and a double 1.0 differ.
  virtual bool Equals(const Value* other) const;

  std::unique_ptr<Value> CreateDeepCopy() const;

  // Null-safe comparison of two values.
  static bool Equals(const Value* a, const Value* b);

 protected:
  explicit Value(Type type);

  // Destroys the children of a dictionary or list, and theirs, returning
  // their blocks through |releaser| (see value_arena.h); the container is
  // left empty. Does nothing for other types.
  void ReleaseChildren(internal::ValueBlockReleaser* releaser);

 private:
  friend class JSONParser;
  friend class JSONWriter;

  // A string value that takes over |data|, a value block holding |size|
  // bytes (null when empty).
  Value(char* data, uint32_t size);

  StringPiece string_view() const {
    return StringPiece(string_data_ ? string_data_ : "", string_size_);
  }

  Type type_;
  uint32_t string_size_ = 0;
  union {
    bool boolean_value_;
    int integer_value_;
    double double_value_;
    char* string_data_;  // A value block; see value_arena.h.
  };
};

// A map from UTF-8 keys to owned values, kept in byte order of the keys.
// Dotted-path operations split the path on every '.' and walk nested
// dictionaries; the *WithoutPathExpansion operations take a key as it is, so
// keys holding '.' are reachable only through them.
//
// The entries sit in one sorted array: lookups are binary searches, and a
// key inserted before others moves them, so a large dictionary is best
// built in key order. Values stay where they are: a pointer to a child
// remains valid until the child itself is removed or replaced.
class DictionaryValue : public Value {
 public:
  // The entries sorted by the byte order of their keys: one buffer for the
  // whole dictionary instead of one node per key.
  using Entry = std::pair<internal::ValueKey, std::unique_ptr<Value>>;
  using Storage = internal::ValueVector<Entry>;

  DictionaryValue();
  ~DictionaryValue() override;

  // The dictionary when |value| is one; otherwise destroys it and returns
  // null.
  static std::unique_ptr<DictionaryValue> From(std::unique_ptr<Value> value);

  bool GetAsDictionary(DictionaryValue** out) override;
  bool GetAsDictionary(const DictionaryValue** out) const override;
  DictionaryValue* DeepCopy() const override;
  bool Equals(const Value* other) const override;

  // Removes |key| (taken as it is). When |out| is given the value moves
  // there; otherwise it is destroyed. False when the key is absent.
  virtual bool RemoveWithoutPathExpansion(StringPiece key,
                                          std::unique_ptr<Value>* out);
  // Exchanges the entries of the two dictionaries in constant time.
  virtual void Swap(DictionaryValue* other);

  bool empty() const { return dictionary_.empty(); }
  size_t size() const { return dictionary_.size(); }
  void Clear() { dictionary_.clear(); }
  bool HasKey(StringPiece key) const;

  // Stores |value| at |path|. Every component but the last names a nested
  // dictionary, created (replacing whatever was there) when missing.
  void Set(StringPiece path, std::unique_ptr<Value> value);
  void Set(StringPiece path, Value* value);  // Takes ownership.
  void SetBoolean(StringPiece path, bool value);
  void SetInteger(StringPiece path, int value);
  void SetDouble(StringPiece path, double value);
  void SetString(StringPiece path, StringPiece value);
  void SetString(StringPiece path, const string16& value);

  // Inserts or replaces the entry |key|; a replaced value is destroyed.
  void SetWithoutPathExpansion(StringPiece key, std::unique_ptr<Value> value);
  void SetWithoutPathExpansion(StringPiece key, Value* value);
  void SetBooleanWithoutPathExpansion(StringPiece key, bool value);
  void SetIntegerWithoutPathExpansion(StringPiece key, int value);
  void SetDoubleWithoutPathExpansion(StringPiece key, double value);
  void SetStringWithoutPathExpansion(StringPiece key, StringPiece value);
  void SetStringWithoutPathExpansion(StringPiece key, const string16& value);

  // Path lookups. The out pointers may be null; the result says whether the
  // path exists and holds a value of the asked type.
  bool Get(StringPiece path, const Value** out) const;
  bool Get(StringPiece path, Value** out);
  bool GetBoolean(StringPiece path, bool* out) const;
  bool GetInteger(StringPiece path, int* out) const;
  bool GetDouble(StringPiece path, double* out) const;
  bool GetString(StringPiece path, std::string* out) const;
  bool GetString16(StringPiece path, string16* out) const;
  // Like GetString, but true only when every byte of the text is below 0x80.
  bool GetStringASCII(StringPiece path, std::string* out) const;
  bool GetDictionary(StringPiece path, const DictionaryValue** out) const;
  bool GetDictionary(StringPiece path, DictionaryValue** out);
  bool GetList(StringPiece path, const ListValue** out) const;
  bool GetList(StringPiece path, ListValue** out);

  bool GetWithoutPathExpansion(StringPiece key, const Value** out) const;
  bool GetWithoutPathExpansion(StringPiece key, Value** out);
  bool GetBooleanWithoutPathExpansion(StringPiece key, bool* out) const;
  bool GetIntegerWithoutPathExpansion(StringPiece key, int* out) const;
  bool GetStringWithoutPathExpansion(StringPiece key, std::string* out) const;
  bool GetDictionaryWithoutPathExpansion(StringPiece key,
                                         const DictionaryValue** out) const;
  bool GetDictionaryWithoutPathExpansion(StringPiece key,
                                         DictionaryValue** out);
  bool GetListWithoutPathExpansion(StringPiece key,
                                   const ListValue** out) const;
  bool GetListWithoutPathExpansion(StringPiece key, ListValue** out);

  // Removes at |path|, split at its last '.'. Dictionaries on the way stay,
  // even when emptied.
  bool Remove(StringPiece path, std::unique_ptr<Value>* out);
  // Removes at |path| and prunes the dictionaries on the way that the
  // removal left empty.
  bool RemovePath(StringPiece path, std::unique_ptr<Value>* out);

  // Walks the entries in key order. The dictionary must not change meanwhile.
  //
  //   for (DictionaryValue::Iterator it(dict); !it.IsAtEnd(); it.Advance())
  //     Use(it.key(), it.value());
  class Iterator {
   public:
    explicit Iterator(const DictionaryValue& target);
    bool IsAtEnd() const { return it_ == target_.dictionary_.end(); }
    void Advance() { ++it_; }
    // A copy: keys are not stored as std::string.
    std::string key() const {
      return std::string(it_->first.data(), it_->first.size());
    }
    const Value& value() const { return *it_->second; }

   private:
    const DictionaryValue& target_;
    Storage::const_iterator it_;
  };

 private:
  // Fills containers directly, at their final size.
  friend class JSONParser;
  friend class JSONWriter;
  friend class Value;

  // The entry of |key|, or the one before which it would go.
  Entry* LowerBound(StringPiece key);
  const Entry* Find(StringPiece key) const;

  Storage dictionary_;
};

// An ordered vector of owned values.
class ListValue : public Value {
 public:
  using Storage = internal::ValueVector<std::unique_ptr<Value>>;
  using const_iterator = Storage::const_iterator;

  ListValue();
  ~ListValue() override;

  bool GetAsList(ListValue** out) override;
  bool GetAsList(const ListValue** out) const override;
  ListValue* DeepCopy() const override;
  bool Equals(const Value* other) const override;

  // Takes the element at |index| out of the list; later elements move down.
  // It moves to |out| when given, else it is destroyed. False when |index|
  // is not below the size.
  virtual bool Remove(size_t index, std::unique_ptr<Value>* out);
  // Exchanges the elements of the two lists in constant time.
  virtual void Swap(ListValue* other);

  bool empty() const { return list_.empty(); }
  size_t GetSize() const { return list_.size(); }
  void Clear() { list_.clear(); }
  const_iterator begin() const { return list_.begin(); }
  const_iterator end() const { return list_.end(); }

  // Replaces the element at |index|, or pads the list with nulls up to
  // |index| and appends. False (and nothing stored) when |value| is null.
  bool Set(size_t index, std::unique_ptr<Value> value);
  bool Set(size_t index, Value* value);  // Takes ownership.

  bool Get(size_t index, const Value** out) const;
  bool Get(size_t index, Value** out);
  bool GetBoolean(size_t index, bool* out) const;
  bool GetInteger(size_t index, int* out) const;
  bool GetDouble(size_t index, double* out) const;
  bool GetString(size_t index, std::string* out) const;
  bool GetString(size_t index, string16* out) const;
  bool GetDictionary(size_t index, const DictionaryValue** out) const;
  bool GetDictionary(size_t index, DictionaryValue** out);
  bool GetList(size_t index, const ListValue** out) const;
  bool GetList(size_t index, ListValue** out);

  void Append(std::unique_ptr<Value> value);
  void Append(Value* value);  // Takes ownership.
  void AppendBoolean(bool value);
  void AppendInteger(int value);
  // NaN and the infinities are appended as 0.0.
  void AppendDouble(double value);
  void AppendString(StringPiece value);
  void AppendString(const string16& value);

 private:
  friend class JSONParser;
  friend class JSONWriter;
  friend class Value;

  Storage list_;
};

}  // namespace base

#endif  // BASE_JSON_VALUES_H_
