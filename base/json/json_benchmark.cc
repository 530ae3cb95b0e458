// Parsing and writing speed of the JSON reader and writer, side by side
// with two header-only libraries on the same documents.
//
//   json_benchmark            full run, about half a minute
//   json_benchmark --smoke    tiny documents, a few seconds; fails on a
//                             document that does not survive write and read
//
// Documents: a small preference file, a number-heavy and a string-heavy one
// (multi-byte UTF-8) of about 2 MB each, and deeply nested lists and
// dictionaries. Each is generated with a fixed seed and written compactly.

#include <stdio.h>
#include <string.h>

#include <math.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
// The peer's iterators derive from the deprecated std::iterator.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#pragma GCC diagnostic pop

#include "base/json/json_reader.h"
#include "base/json/json_utf8.h"
#include "base/json/json_writer.h"
#include "base/json/values.h"

namespace {

using base::DictionaryValue;
using base::ListValue;
using base::Value;

struct Document {
  const char* name;
  std::string json;
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  int Pick(int count) { return static_cast<int>(random_() % count); }

  // Words of one script each, as real text runs: ASCII, two-, three- and
  // four-byte characters, and now and then a character that needs an
  // escape.
  std::string Text(int length, bool multi_byte) {
    static const uint32_t kScripts[] = {'a', 0x0430, 0x03B1, 0x4E00, 0xAC00,
                                        0x05D0, 0x1F600};
    std::string text;
    uint32_t script = 'a';
    for (int i = 0; i < length; ++i) {
      int choice = Pick(100);
      uint32_t code_point;
      if (choice < 12) {
        code_point = ' ';
        script = multi_byte ? kScripts[Pick(7)] : 'a';
      } else if (choice < 14 && multi_byte) {
        code_point = "\"\\\n\t"[Pick(4)];
      } else {
        code_point = script + Pick(26);
      }
      base::json_utf8::AppendCodePoint(code_point, &text);
    }
    return text;
  }

  double Number() {
    switch (Pick(4)) {
      case 0:  // A price or a coordinate: few digits.
        return Pick(2000000) / 100.0 - 5000.0;
      case 1:  // A measurement: full precision.
        return std::uniform_real_distribution<double>(-1e6, 1e6)(random_);
      case 2:  // A tiny or huge magnitude.
        return std::uniform_real_distribution<double>(1, 10)(random_) *
               pow(10.0, Pick(600) - 300);
      default:
        return Pick(1 << 30);
    }
  }

 private:
  std::mt19937 random_;
};

std::string Write(const Value& value) {
  std::string json;
  base::JSONWriter::Write(value, &json);
  return json;
}

// A preference file as a browser profile keeps it: nested sections of
// flags, counters, short strings and a few lists.
Document MakePreferences() {
  Generator generator(1);
  DictionaryValue root;
  for (int section = 0; section < 12; ++section) {
    std::string prefix = "section" + std::to_string(section) + ".";
    for (int key = 0; key < 10; ++key) {
      std::string path = prefix + "key" + std::to_string(key);
      switch (generator.Pick(5)) {
        case 0:
          root.SetBoolean(path, generator.Pick(2) == 1);
          break;
        case 1:
          root.SetInteger(path, generator.Pick(100000));
          break;
        case 2:
          root.SetDouble(path, generator.Number());
          break;
        case 3: {
          auto list = std::make_unique<ListValue>();
          for (int i = generator.Pick(5); i > 0; --i)
            list->AppendString(generator.Text(12, false));
          root.Set(path, std::move(list));
          break;
        }
        default:
          root.SetString(path, generator.Text(20, generator.Pick(4) == 0));
      }
    }
  }
  return {"preferences", Write(root)};
}

Document MakeNumbers(size_t target_size) {
  Generator generator(2);
  ListValue root;
  std::string json;
  while (true) {
    auto row = std::make_unique<ListValue>();
    for (int i = 0; i < 16; ++i) {
      if (generator.Pick(4) == 0)
        row->AppendInteger(generator.Pick(2000000) - 1000000);
      else
        row->AppendDouble(generator.Number());
    }
    root.Append(std::move(row));
    if (root.GetSize() % 256 == 0 && Write(root).size() >= target_size)
      break;
  }
  return {"numbers", Write(root)};
}

Document MakeStrings(size_t target_size) {
  Generator generator(3);
  ListValue root;
  while (true) {
    auto record = std::make_unique<DictionaryValue>();
    record->SetString("title", generator.Text(20, true));
    record->SetString("body", generator.Text(120, true));
    record->SetString("author", generator.Text(10, false));
    record->SetStringWithoutPathExpansion("tag.name", generator.Text(6, true));
    root.Append(std::move(record));
    if (root.GetSize() % 256 == 0 && Write(root).size() >= target_size)
      break;
  }
  return {"strings", Write(root)};
}

// Many chains of alternating lists and dictionaries 150 levels deep.
Document MakeDeep(int chains) {
  ListValue root;
  for (int chain = 0; chain < chains; ++chain) {
    std::unique_ptr<Value> tree = std::make_unique<Value>(chain);
    for (int depth = 0; depth < 150; ++depth) {
      if (depth % 2) {
        auto list = std::make_unique<ListValue>();
        list->Append(std::move(tree));
        list->AppendBoolean(true);
        tree = std::move(list);
      } else {
        auto dictionary = std::make_unique<DictionaryValue>();
        dictionary->SetWithoutPathExpansion("k", std::move(tree));
        tree = std::move(dictionary);
      }
    }
    root.Append(std::move(tree));
  }
  return {"deep", Write(root)};
}

// Runs |work| until |budget| has passed (at least twice) and returns the
// best seconds per run.
double BestSeconds(const std::function<void()>& work, double budget) {
  using Clock = std::chrono::steady_clock;
  double best = 1e30;
  double total = 0;
  int runs = 0;
  while (runs < 2 || total < budget) {
    Clock::time_point start = Clock::now();
    work();
    double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    best = std::min(best, seconds);
    total += seconds;
    ++runs;
  }
  return best;
}

struct Speeds {
  double ours;
  double rapidjson;
  double nlohmann;
};

constexpr unsigned kRapidJsonFlags =
    rapidjson::kParseValidateEncodingFlag | rapidjson::kParseFullPrecisionFlag;

bool Measure(const Document& document, double budget, Speeds* parse,
             Speeds* write) {
  const std::string& json = document.json;
  double megabytes = json.size() / 1e6;

  // Correctness first: every library must accept the document, and ours
  // must read back what it writes.
  std::unique_ptr<Value> ours = base::JSONReader::Read(json);
  if (!ours) {
    fprintf(stderr, "%s: the reader refused the document\n", document.name);
    return false;
  }
  std::string written = Write(*ours);
  std::unique_ptr<Value> reread = base::JSONReader::Read(written);
  if (!reread || !ours->Equals(reread.get())) {
    fprintf(stderr, "%s: write and read changed the tree\n", document.name);
    return false;
  }
  rapidjson::Document rapid;
  rapid.Parse<kRapidJsonFlags>(json.data(), json.size());
  if (rapid.HasParseError()) {
    fprintf(stderr, "%s: RapidJSON refused the document\n", document.name);
    return false;
  }
  nlohmann::json lohmann = nlohmann::json::parse(json);

  parse->ours = megabytes / BestSeconds(
                                [&] {
                                  std::unique_ptr<Value> value =
                                      base::JSONReader::Read(json);
                                },
                                budget);
  parse->rapidjson = megabytes / BestSeconds(
                                     [&] {
                                       rapidjson::Document document;
                                       document.Parse<kRapidJsonFlags>(
                                           json.data(), json.size());
                                     },
                                     budget);
  parse->nlohmann = megabytes / BestSeconds(
                                    [&] {
                                      nlohmann::json value =
                                          nlohmann::json::parse(json);
                                    },
                                    budget);

  // Every library writes the same tree, so speeds count the bytes of the
  // document, whatever length each library's own text has. RapidJSON checks
  // the UTF-8 it writes, as ours and nlohmann-json do.
  using ValidatingWriter =
      rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>,
                        rapidjson::UTF8<>, rapidjson::CrtAllocator,
                        rapidjson::kWriteValidateEncodingFlag>;
  write->ours = megabytes / BestSeconds(
                                [&] {
                                  std::string out;
                                  base::JSONWriter::Write(*ours, &out);
                                },
                                budget);
  write->rapidjson = megabytes / BestSeconds(
                                     [&] {
                                       rapidjson::StringBuffer buffer;
                                       ValidatingWriter writer(buffer);
                                       rapid.Accept(writer);
                                     },
                                     budget);
  write->nlohmann = megabytes / BestSeconds(
                                    [&] { std::string out = lohmann.dump(); },
                                    budget);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool smoke = argc > 1 && strcmp(argv[1], "--smoke") == 0;
  const size_t kLargeSize = smoke ? 100000 : 2000000;
  const double kBudget = smoke ? 0.01 : 1.0;

  std::vector<Document> documents;
  documents.push_back(MakePreferences());
  documents.push_back(MakeNumbers(kLargeSize));
  documents.push_back(MakeStrings(kLargeSize));
  documents.push_back(MakeDeep(smoke ? 20 : 400));

  printf("Speeds in MB of the document per second (best of the runs).\n");
  printf("%-12s %9s | %-26s | %-26s\n", "document", "bytes",
         "parse: ours rapid nlohmann", "write: ours rapid nlohmann");
  bool ok = true;
  std::vector<std::string> ratio_lines;
  for (const Document& document : documents) {
    Speeds parse = {};
    Speeds write = {};
    if (!Measure(document, kBudget, &parse, &write)) {
      ok = false;
      continue;
    }
    printf("%-12s %9zu | %6.1f %6.1f %6.1f       | %6.1f %6.1f %6.1f\n",
           document.name, document.json.size(), parse.ours, parse.rapidjson,
           parse.nlohmann, write.ours, write.rapidjson, write.nlohmann);
    char line[200];
    snprintf(line, sizeof(line),
             "%-12s | %10.2f %10.2f | %10.2f %10.2f", document.name,
             parse.ours / parse.rapidjson, parse.ours / parse.nlohmann,
             write.ours / write.rapidjson, write.ours / write.nlohmann);
    ratio_lines.push_back(line);
  }
  printf("\nRatios ours / theirs (goals: parse >= 0.5 of RapidJSON and >= 1 of "
         "nlohmann-json; write >= 1 of both)\n");
  printf("%-12s | %10s %10s | %10s %10s\n", "document", "parse/rapid",
         "parse/nloh", "write/rapid", "write/nloh");
  for (const std::string& line : ratio_lines)
    printf("%s\n", line.c_str());
  return ok ? 0 : 1;
}
