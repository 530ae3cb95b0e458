// Parsing and writing speed of the JSON reader and writer, side by side
// with two header-only libraries on the same documents, and the speed of
// number parsing beside std::from_chars.
//
//   json_benchmark               full run, about a minute
//   json_benchmark --smoke       small documents, a few seconds; fails on a
//                                document that does not survive write and
//                                read
//   json_benchmark --data=DIR    real documents from DIR (by default
//                                ../shared/testdata/json/ beside the source
//                                tree)
//
// Documents: our own (a small preference file, a number-heavy and a
// string-heavy one of about 2 MB each, deeply nested lists and
// dictionaries; generated with fixed seeds and written compactly) and three
// real ones that nobody here wrote, read at run time: canada.json (numbers),
// citm_catalog.json (indented, much whitespace) and twitter.json (non-ASCII
// text, unsorted keys). The peers are built as their users build them
// (NDEBUG); the libraries take turns round by round, and each keeps its best
// round.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <math.h>

#include <algorithm>
#include <charconv>
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
#include "base/strings/number_text.h"
#include "base/strings/string_number_conversions.h"

namespace {

using base::DictionaryValue;
using base::ListValue;
using base::Value;

struct Document {
  std::string name;
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

// The folder of the real documents: ../shared/testdata/json/ beside the
// source tree, found from this file's own path.
std::string DefaultDataFolder() {
  std::string source = __FILE__;
  size_t base = source.rfind("base/json/");
  if (base == std::string::npos)
    return "../shared/testdata/json/";
  return source.substr(0, base) + "../shared/testdata/json/";
}

bool ReadFile(const std::string& path, std::string* contents) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file)
    return false;
  char buffer[65536];
  size_t read;
  contents->clear();
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    contents->append(buffer, read);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

using Clock = std::chrono::steady_clock;

// The best time of one contender over the rounds.
class BestTime {
 public:
  template <typename Work>
  void Run(Work&& work) {
    Clock::time_point start = Clock::now();
    work();
    double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    best_ = std::min(best_, seconds);
  }
  double seconds() const { return best_; }

 private:
  double best_ = 1e30;
};

struct Speeds {
  double ours;
  double rapidjson;
  double nlohmann;
};

constexpr unsigned kRapidJsonFlags =
    rapidjson::kParseValidateEncodingFlag | rapidjson::kParseFullPrecisionFlag;

// How long each document is measured: rounds until both limits are met,
// or |max_rounds|.
struct Budget {
  int min_rounds;
  int max_rounds;
  double seconds;
};

template <typename Round>
void RunRounds(const Budget& budget, Round&& round) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < budget.max_rounds; ++i) {
    round();
    double elapsed =
        std::chrono::duration<double>(Clock::now() - start).count();
    if (i + 1 >= budget.min_rounds && elapsed >= budget.seconds)
      break;
  }
}

bool Measure(const Document& document, const Budget& budget, Speeds* parse,
             Speeds* write) {
  const std::string& json = document.json;
  const char* name = document.name.c_str();
  double megabytes = json.size() / 1e6;

  // Correctness first: every library must accept the document, and ours
  // must read back what it writes.
  std::unique_ptr<Value> ours = base::JSONReader::Read(json);
  if (!ours) {
    fprintf(stderr, "%s: the reader refused the document\n", name);
    return false;
  }
  std::string written = Write(*ours);
  std::unique_ptr<Value> reread = base::JSONReader::Read(written);
  if (!reread || !ours->Equals(reread.get())) {
    fprintf(stderr, "%s: write and read changed the tree\n", name);
    return false;
  }
  rapidjson::Document rapid;
  rapid.Parse<kRapidJsonFlags>(json.data(), json.size());
  if (rapid.HasParseError()) {
    fprintf(stderr, "%s: RapidJSON refused the document\n", name);
    return false;
  }
  nlohmann::json lohmann = nlohmann::json::parse(json);

  // Every library writes the same tree, so speeds count the bytes of the
  // document, whatever length each library's own text has. RapidJSON checks
  // the UTF-8 it writes, as ours and nlohmann-json do.
  using ValidatingWriter =
      rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>,
                        rapidjson::UTF8<>, rapidjson::CrtAllocator,
                        rapidjson::kWriteValidateEncodingFlag>;
  BestTime parse_ours, parse_rapid, parse_nlohmann;
  BestTime write_ours, write_rapid, write_nlohmann;
  RunRounds(budget, [&] {
    parse_ours.Run([&] { std::unique_ptr<Value> value =
                             base::JSONReader::Read(json); });
    parse_rapid.Run([&] {
      rapidjson::Document parsed;
      parsed.Parse<kRapidJsonFlags>(json.data(), json.size());
    });
    parse_nlohmann.Run(
        [&] { nlohmann::json value = nlohmann::json::parse(json); });
    write_ours.Run([&] {
      std::string out;
      base::JSONWriter::Write(*ours, &out);
    });
    write_rapid.Run([&] {
      rapidjson::StringBuffer buffer;
      ValidatingWriter writer(buffer);
      rapid.Accept(writer);
    });
    write_nlohmann.Run([&] { std::string out = lohmann.dump(); });
  });
  *parse = {megabytes / parse_ours.seconds(), megabytes / parse_rapid.seconds(),
            megabytes / parse_nlohmann.seconds()};
  *write = {megabytes / write_ours.seconds(), megabytes / write_rapid.seconds(),
            megabytes / write_nlohmann.seconds()};
  return true;
}

// The number texts of |json|, as the reader meets them.
std::vector<std::string> NumberTexts(const std::string& json) {
  std::vector<std::string> numbers;
  bool in_string = false;
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      size_t end = json.find_first_not_of("0123456789+-.eE", i);
      if (end == std::string::npos)
        end = json.size();
      numbers.push_back(json.substr(i, end - i));
      i = end - 1;
    }
  }
  return numbers;
}

// Keeps results alive so the optimiser cannot drop the work.
volatile double g_sink;

// Nanoseconds per number of StringToDoubleCore, StringToDouble and
// std::from_chars on the same texts. The texts are timed in small batches,
// each keeping its best round, so that a busy machine's preemptions, which
// would hit any long pass, drop out.
void MeasureNumbers(const std::vector<std::string>& texts,
                    const Budget& budget) {
  if (texts.empty())
    return;
  constexpr size_t kBatch = 1024;
  size_t batches = (texts.size() + kBatch - 1) / kBatch;
  std::vector<BestTime> core(batches), checked(batches), standard(batches);
  RunRounds(budget, [&] {
    for (size_t b = 0; b < batches; ++b) {
      const std::string* first = texts.data() + b * kBatch;
      const std::string* last =
          texts.data() + std::min(texts.size(), (b + 1) * kBatch);
      core[b].Run([&] {
        double total = 0;
        for (const std::string* text = first; text != last; ++text)
          total += base::StringToDoubleCore(text->c_str(), nullptr);
        g_sink = total;
      });
      checked[b].Run([&] {
        double total = 0;
        for (const std::string* text = first; text != last; ++text) {
          double value = 0;
          base::StringToDouble(*text, &value);
          total += value;
        }
        g_sink = total;
      });
      standard[b].Run([&] {
        double total = 0;
        for (const std::string* text = first; text != last; ++text) {
          double value = 0;
          std::from_chars(text->data(), text->data() + text->size(), value);
          total += value;
        }
        g_sink = total;
      });
    }
  });
  double core_seconds = 0, checked_seconds = 0, standard_seconds = 0;
  for (size_t b = 0; b < batches; ++b) {
    core_seconds += core[b].seconds();
    checked_seconds += checked[b].seconds();
    standard_seconds += standard[b].seconds();
  }
  double count = static_cast<double>(texts.size());
  printf("\nNumber parsing, %zu number texts of the real documents (ns per "
         "number; ratio to std::from_chars, goal <= 1.1)\n",
         texts.size());
  printf("  %-20s %7.1f  %5.2f\n", "StringToDoubleCore",
         core_seconds * 1e9 / count, core_seconds / standard_seconds);
  printf("  %-20s %7.1f  %5.2f\n", "StringToDouble",
         checked_seconds * 1e9 / count, checked_seconds / standard_seconds);
  printf("  %-20s %7.1f  %5.2f\n", "std::from_chars",
         standard_seconds * 1e9 / count, 1.0);
}

}  // namespace

int main(int argc, char** argv) {
  bool smoke = false;
  std::string data_folder = DefaultDataFolder();
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--smoke") == 0) {
      smoke = true;
    } else if (strncmp(argv[i], "--data=", 7) == 0) {
      data_folder = argv[i] + 7;
      if (!data_folder.empty() && data_folder.back() != '/' &&
          data_folder.back() != '\\')
        data_folder += '/';
    } else {
      fprintf(stderr, "json_benchmark: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  const size_t kLargeSize = smoke ? 100000 : 2000000;
  const Budget budget = smoke ? Budget{2, 2, 0} : Budget{15, 63, 6.0};

  std::vector<Document> documents;
  documents.push_back(MakePreferences());
  documents.push_back(MakeNumbers(kLargeSize));
  documents.push_back(MakeStrings(kLargeSize));
  documents.push_back(MakeDeep(smoke ? 20 : 400));
  const size_t first_real = documents.size();
  for (const char* name : {"canada", "citm_catalog", "twitter"}) {
    Document document{name, std::string()};
    if (!ReadFile(data_folder + name + ".json", &document.json)) {
      printf("%s: not found in %s; measured without it\n", name,
             data_folder.c_str());
      continue;
    }
    documents.push_back(std::move(document));
  }

  printf("Speeds in MB of the document per second (best of the rounds).\n");
  printf("%-12s %9s | %-26s | %-26s\n", "document", "bytes",
         "parse: ours rapid nlohmann", "write: ours rapid nlohmann");
  bool ok = true;
  std::vector<std::string> ratio_lines;
  std::vector<std::string> numbers;
  for (size_t i = 0; i < documents.size(); ++i) {
    const Document& document = documents[i];
    Speeds parse = {};
    Speeds write = {};
    if (!Measure(document, budget, &parse, &write)) {
      ok = false;
      continue;
    }
    printf("%-12s %9zu | %6.1f %6.1f %6.1f       | %6.1f %6.1f %6.1f\n",
           document.name.c_str(), document.json.size(), parse.ours,
           parse.rapidjson, parse.nlohmann, write.ours, write.rapidjson,
           write.nlohmann);
    char line[200];
    snprintf(line, sizeof(line), "%-12s%s | %10.2f %10.2f | %10.2f %10.2f",
             document.name.c_str(), i >= first_real ? "*" : " ",
             parse.ours / parse.rapidjson, parse.ours / parse.nlohmann,
             write.ours / write.rapidjson, write.ours / write.nlohmann);
    ratio_lines.push_back(line);
    if (i >= first_real) {
      std::vector<std::string> texts = NumberTexts(document.json);
      numbers.insert(numbers.end(), texts.begin(), texts.end());
    }
  }
  printf("\nRatios ours / theirs (* real documents; goals: parse >= 1 of "
         "RapidJSON on the real ones, >= 1 of nlohmann-json; write >= 1 of "
         "both)\n");
  printf("%-13s | %10s %10s | %10s %10s\n", "document", "parse/rapid",
         "parse/nloh", "write/rapid", "write/nloh");
  for (const std::string& line : ratio_lines)
    printf("%s\n", line.c_str());
  MeasureNumbers(numbers, budget);
  return ok ? 0 : 1;
}
