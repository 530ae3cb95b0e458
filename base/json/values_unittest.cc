#include "base/json/values.h"

#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(ValuesTest, AccessorsAnswerOnlyForTheirType) {
  Value integer(7);
  double as_double = 0.0;
  EXPECT_TRUE(integer.GetAsDouble(&as_double));
  EXPECT_EQ(7.0, as_double);

  Value number(7.0);
  int as_int = 0;
  EXPECT_FALSE(number.GetAsInteger(&as_int));
  EXPECT_TRUE(number.GetAsDouble(nullptr));

  Value text("caf\xC3\xA9");
  string16 wide;
  EXPECT_TRUE(text.GetAsString(&wide));
  EXPECT_EQ(L"caf\u00E9", wide);
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

  // A string literal must not turn into a boolean.
  EXPECT_EQ(Value::TYPE_STRING, Value("x").GetType());
  EXPECT_EQ(Value::TYPE_NULL, Value::CreateNullValue()->GetType());
}

TEST(ValuesTest, DoublesNeverHoldNanOrInfinity) {
  const double kBad[] = {std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity()};
  for (double bad : kBad) {
    ListValue list;
    list.AppendDouble(bad);
    double stored = 1.0;
    ASSERT_TRUE(list.GetDouble(0, &stored));
    EXPECT_EQ(0.0, stored);

    DictionaryValue dictionary;
    dictionary.SetDoubleWithoutPathExpansion("d", bad);
    ASSERT_TRUE(dictionary.GetDouble("d", &stored));
    EXPECT_EQ(0.0, stored);
  }
}

TEST(ValuesTest, SetThroughIntegerReplacesItWithDictionary) {
  DictionaryValue root;
  root.SetInteger("a", 1);
  root.SetString("a.b", "x");
  std::string text;
  EXPECT_TRUE(root.GetString("a.b", &text));
  EXPECT_EQ("x", text);
  const DictionaryValue* a = nullptr;
  ASSERT_TRUE(root.GetDictionary("a", &a));
  EXPECT_EQ(1u, a->size());
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
  EXPECT_EQ("dotted", text);

  // Empty components are empty keys.
  root.SetInteger("", 1);
  root.SetInteger("e.", 2);
  root.SetInteger("f..g", 3);
  int value = 0;
  EXPECT_TRUE(root.GetInteger("", &value));
  EXPECT_EQ(1, value);
  EXPECT_TRUE(root.GetInteger("e.", &value));
  EXPECT_EQ(2, value);
  const DictionaryValue* f = nullptr;
  ASSERT_TRUE(root.GetDictionary("f", &f));
  EXPECT_TRUE(f->GetInteger(".g", &value));
  EXPECT_EQ(3, value);

  root.SetString("ascii", "plain");
  root.SetString("wide", "caf\xC3\xA9");
  EXPECT_TRUE(root.GetStringASCII("ascii", &text));
  EXPECT_FALSE(root.GetStringASCII("wide", &text));
  string16 wide;
  EXPECT_TRUE(root.GetString16("wide", &wide));
  EXPECT_EQ(L"caf\u00E9", wide);
}

TEST(ValuesTest, RemoveKeepsParentsAndRemovePathPrunesThem) {
  DictionaryValue removed_tree;
  removed_tree.SetInteger("a.b.c", 1);
  std::unique_ptr<Value> out;
  EXPECT_TRUE(removed_tree.Remove("a.b.c", &out));
  ASSERT_TRUE(out);
  const DictionaryValue* b = nullptr;
  ASSERT_TRUE(removed_tree.GetDictionary("a.b", &b));
  EXPECT_TRUE(b->empty());

  DictionaryValue pruned_tree;
  pruned_tree.SetInteger("a.b.c", 1);
  EXPECT_TRUE(pruned_tree.RemovePath("a.b.c", nullptr));
  EXPECT_TRUE(pruned_tree.empty());

  // A sibling keeps its dictionary alive.
  DictionaryValue partly_pruned;
  partly_pruned.SetInteger("a.b.c", 1);
  partly_pruned.SetInteger("a.d", 2);
  EXPECT_TRUE(partly_pruned.RemovePath("a.b.c", nullptr));
  EXPECT_TRUE(partly_pruned.HasKey("a"));
  EXPECT_FALSE(partly_pruned.Get("a.b", static_cast<const Value**>(nullptr)));

  EXPECT_FALSE(pruned_tree.RemovePath("missing.key", nullptr));
  EXPECT_FALSE(pruned_tree.Remove("missing", nullptr));
}

TEST(ValuesTest, ListSetPadsWithNullsAndRemoveShifts) {
  ListValue list;
  EXPECT_TRUE(list.Set(3, std::make_unique<Value>(true)));
  ASSERT_EQ(4u, list.GetSize());
  for (size_t i = 0; i < 3; ++i) {
    const Value* element = nullptr;
    ASSERT_TRUE(list.Get(i, &element));
    EXPECT_EQ(Value::TYPE_NULL, element->GetType());
  }
  EXPECT_FALSE(list.Set(0, std::unique_ptr<Value>()));

  EXPECT_TRUE(list.Set(1, std::make_unique<Value>(5)));
  std::unique_ptr<Value> out;
  EXPECT_TRUE(list.Remove(1, &out));
  EXPECT_TRUE(out->GetAsInteger(nullptr));
  EXPECT_EQ(3u, list.GetSize());
  EXPECT_TRUE(list.GetBoolean(2, nullptr));
  EXPECT_FALSE(list.Remove(3, nullptr));
}

TEST(ValuesTest, FromKeepsDictionariesOnly) {
  EXPECT_FALSE(DictionaryValue::From(std::make_unique<ListValue>()));
  EXPECT_FALSE(DictionaryValue::From(nullptr));
  EXPECT_TRUE(DictionaryValue::From(std::make_unique<DictionaryValue>()));
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
  EXPECT_TRUE(Value::Equals(copy.get(), &original));

  // An integer and a double of the same number differ.
  EXPECT_FALSE(Value(1).Equals(std::make_unique<Value>(1.0).get()));

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

TEST(ValuesTest, KeysOrderByBytesThenLength) {
  DictionaryValue dictionary;
  dictionary.SetIntegerWithoutPathExpansion("\xC3\xA9", 0);
  dictionary.SetIntegerWithoutPathExpansion("ab", 0);
  dictionary.SetIntegerWithoutPathExpansion("a", 0);
  dictionary.SetIntegerWithoutPathExpansion("B", 0);
  std::string keys;
  for (DictionaryValue::Iterator it(dictionary); !it.IsAtEnd(); it.Advance())
    keys += it.key() + "|";
  EXPECT_EQ("B|a|ab|\xC3\xA9|", keys);
}

}  // namespace
}  // namespace base
