#include "base/json/values.h"

#include <initializer_list>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/json/json_test_support.h"

namespace base {
namespace {

TEST(ValuesTest, AccessorsAnswerOnlyForTheirType) {
  Value number(7.0);
  int as_int = 0;
  EXPECT_FALSE(number.GetAsInteger(&as_int));
  EXPECT_TRUE(number.GetAsDouble(nullptr));

  // The wide form is read through GetString16 below.
  Value text("caf\xC3\xA9");
  StringPiece view;
  EXPECT_TRUE(text.GetAsString(&view));
  EXPECT_EQ("caf\xC3\xA9", view.as_string());
  const Value* self = nullptr;
  EXPECT_TRUE(text.GetAsString(&self));
  EXPECT_EQ(&text, self);
  EXPECT_FALSE(text.GetAsBoolean(nullptr));
  EXPECT_FALSE(text.GetAsBinary(nullptr));

  Value from_wide(string16(L"\u00E9"));
  std::string utf8;
  EXPECT_TRUE(from_wide.GetAsString(&utf8));
  EXPECT_EQ("\xC3\xA9", utf8);

  // A null out pointer only asks whether the type fits.
  EXPECT_TRUE(Value(true).GetAsBoolean(nullptr));
  EXPECT_TRUE(Value(7).GetAsInteger(nullptr));
  EXPECT_TRUE(Value(7).GetAsDouble(nullptr));
  EXPECT_TRUE(text.GetAsString(static_cast<StringPiece*>(nullptr)));
  EXPECT_TRUE(text.GetAsString(static_cast<const Value**>(nullptr)));
  EXPECT_TRUE(text.GetAsString(static_cast<string16*>(nullptr)));
  EXPECT_TRUE(text.GetAsString(static_cast<std::string*>(nullptr)));
  ListValue list;
  EXPECT_TRUE(list.GetAsList(static_cast<ListValue**>(nullptr)));
  EXPECT_TRUE(list.GetAsList(static_cast<const ListValue**>(nullptr)));
  DictionaryValue dictionary;
  EXPECT_TRUE(
      dictionary.GetAsDictionary(static_cast<DictionaryValue**>(nullptr)));
  EXPECT_TRUE(dictionary.GetAsDictionary(
      static_cast<const DictionaryValue**>(nullptr)));

  // A string literal must not turn into a boolean.
  EXPECT_EQ(Value::TYPE_STRING, Value("x").GetType());
  EXPECT_EQ(Value::TYPE_NULL, Value::CreateNullValue()->GetType());

  EXPECT_FALSE(DictionaryValue::From(std::make_unique<ListValue>()));
  EXPECT_FALSE(DictionaryValue::From(nullptr));
  EXPECT_TRUE(DictionaryValue::From(std::make_unique<DictionaryValue>()));
}

TEST(ValuesTest, PathLookups) {
  DictionaryValue root;
  root.Set("a", std::make_unique<ListValue>());
  EXPECT_FALSE(root.Get("a.b", static_cast<const Value**>(nullptr)));

  // Dots only separate in path operations; the single-key ones keep them.
  root.SetStringWithoutPathExpansion("x.y", "dotted");
  EXPECT_FALSE(root.GetString("x.y", nullptr));
  std::string text;
  EXPECT_TRUE(root.GetStringWithoutPathExpansion("x.y", &text));

  // Empty components are empty keys, on the way in and out.
  root.SetInteger("", 1);
  root.SetInteger("e.", 2);
  root.SetInteger("f..g", 3);
  int value = 0;
  EXPECT_TRUE(root.GetInteger("f..g", &value));
  EXPECT_EQ(3, value);
  // A path through an integer replaces it with a dictionary.
  root.SetInteger("i", 1);
  root.SetString("i.j", "x");
  EXPECT_EQ(
      R"({"":1,"a":[],"e":{"":2},"f":{"":{"g":3}},"i":{"j":"x"},"x.y":"dotted"})",
      WriteJson(root));

  root.SetString("ascii", "plain");
  root.SetString("wide", "caf\xC3\xA9");
  root.SetString("edge", "\x7F\x80");
  EXPECT_TRUE(root.GetStringASCII("ascii", &text));
  EXPECT_FALSE(root.GetStringASCII("wide", &text));
  EXPECT_FALSE(root.GetStringASCII("edge", &text));
  string16 wide;
  EXPECT_TRUE(root.GetString16("wide", &wide));
  EXPECT_EQ(L"caf\u00E9", wide);
}

// Remove keeps the emptied parents; RemovePath prunes them up to the first
// that has another child.
TEST(ValuesTest, RemoveKeepsParentsAndRemovePathPrunesThem) {
  DictionaryValue tree;
  for (const char* path : {"a.b.c", "p.q.r", "s.t.u", "s.d"})
    tree.SetInteger(path, 1);
  std::unique_ptr<Value> out;
  EXPECT_TRUE(tree.Remove("a.b.c", &out));
  EXPECT_TRUE(out);
  EXPECT_TRUE(tree.RemovePath("p.q.r", nullptr));
  EXPECT_TRUE(tree.RemovePath("s.t.u", nullptr));
  EXPECT_FALSE(tree.RemovePath("missing.key", nullptr));
  EXPECT_FALSE(tree.Remove("missing", nullptr));
  EXPECT_EQ("{\"a\":{\"b\":{}},\"s\":{\"d\":1}}", WriteJson(tree));
}

TEST(ValuesTest, ListSetPadsWithNullsAndRemoveShifts) {
  ListValue list;
  EXPECT_TRUE(list.Set(3, std::make_unique<Value>(true)));
  EXPECT_EQ("[null,null,null,true]", WriteJson(list));
  EXPECT_FALSE(list.Set(0, std::unique_ptr<Value>()));

  // Taking the removed value out is checked on parsed lists.
  EXPECT_TRUE(list.Set(0, std::make_unique<Value>(5)));
  EXPECT_TRUE(list.Remove(1, nullptr));
  EXPECT_EQ("[5,null,true]", WriteJson(list));
  EXPECT_FALSE(list.Remove(3, nullptr));
  // The last element is replaced, not followed.
  EXPECT_TRUE(list.Set(2, std::make_unique<Value>(false)));
  EXPECT_EQ("[5,null,false]", WriteJson(list));
  // Lookups stop at the end.
  bool last = true;
  EXPECT_TRUE(list.GetBoolean(2, &last));
  EXPECT_FALSE(last);
  EXPECT_FALSE(list.GetBoolean(3, &last));
  Value* past_end = nullptr;
  EXPECT_FALSE(list.Get(3, &past_end));

  // A double never holds NaN or an infinity.
  list.Clear();
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    list.AppendDouble(bad);
  }
  EXPECT_EQ("[0.0,0.0,0.0]", WriteJson(list));
}

TEST(ValuesTest, EqualsAndDeepCopy) {
  DictionaryValue original;
  original.SetInteger("i", 1);
  original.SetDouble("d", 1.0);
  original.SetString("s.t", "text");
  auto list = std::make_unique<ListValue>();
  list->AppendBoolean(false);
  list->Append(Value::CreateNullValue());
  original.Set("l", std::move(list));

  std::unique_ptr<Value> copy = original.CreateDeepCopy();
  EXPECT_TRUE(original.Equals(copy.get()));

  // An integer and a double of the same number differ.
  EXPECT_FALSE(Value(1).Equals(std::make_unique<Value>(1.0).get()));

  // Within a type only the payload tells values apart (a store that took
  // "canary" for "stable" would keep the old channel); lists differ by
  // length too, dictionaries by their keys. Each value equals its copy.
  auto list_of = [](std::initializer_list<int> items) {
    auto list = std::make_unique<ListValue>();
    for (int item : items) list->AppendInteger(item);
    return list;
  };
  auto one_key = [](const char* key) {
    auto dictionary = std::make_unique<DictionaryValue>();
    dictionary->SetIntegerWithoutPathExpansion(key, 1);
    return dictionary;
  };
  struct Pair {
    std::unique_ptr<Value> a, b;
  } unequal[] = {
      {std::make_unique<Value>(true), std::make_unique<Value>(false)},
      {std::make_unique<Value>(1), std::make_unique<Value>(2)},
      {std::make_unique<Value>(1.5), std::make_unique<Value>(2.5)},
      {std::make_unique<Value>("stable"), std::make_unique<Value>("canary")},
      {list_of({1}), list_of({2})},
      {list_of({1}), list_of({1, 2})},
      {one_key("a"), one_key("b")},
  };
  for (const Pair& pair : unequal) {
    SCOPED_TRACE(WriteJson(*pair.a) + " " + WriteJson(*pair.b));
    EXPECT_FALSE(pair.a->Equals(pair.b.get()));
    EXPECT_FALSE(pair.b->Equals(pair.a.get()));
    EXPECT_TRUE(pair.a->Equals(pair.a->CreateDeepCopy().get()));
    EXPECT_TRUE(pair.b->Equals(pair.b->CreateDeepCopy().get()));
  }

  DictionaryValue* copied = nullptr;
  ASSERT_TRUE(copy->GetAsDictionary(&copied));
  copied->SetString("s.t", "other");
  EXPECT_FALSE(original.Equals(copy.get()));

  // One more key on either side breaks equality.
  std::unique_ptr<Value> longer = original.CreateDeepCopy();
  DictionaryValue* longer_dictionary = nullptr;
  longer->GetAsDictionary(&longer_dictionary);
  longer_dictionary->SetInteger("z", 0);
  EXPECT_FALSE(original.Equals(longer.get()));
  EXPECT_FALSE(longer->Equals(&original));
}

}  // namespace
}  // namespace base
