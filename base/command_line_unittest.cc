#include "base/command_line.h"

#include <stdio.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/strings/string_util.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"

#include <shellapi.h>

namespace base {
namespace {

typedef CommandLine::StringVector StringVector;

// Splits |command_line| the way a child process will.
StringVector SplitWithSystemParser(const std::wstring& command_line) {
  int count = 0;
  wchar_t** pieces = ::CommandLineToArgvW(command_line.c_str(), &count);
  EXPECT_NE(nullptr, pieces) << "CommandLineToArgvW failed";
  if (!pieces) return StringVector();
  StringVector result(pieces, pieces + count);
  ::LocalFree(pieces);
  return result;
}

TEST(CommandLineTest, ParsesSwitchesAndArguments) {
  const struct {
    const char* name;
    StringVector input;
    std::map<std::string, std::wstring> switches;
    StringVector args;
  } cases[] = {
      {"three prefixes, names lower-cased, plain text after the terminator",
       {L"prog", L"--Foo=Bar", L"-x", L"/y=1", L"plain", L"--", L"--z"},
       {{"foo", L"Bar"}, {"x", L""}, {"y", L"1"}},
       {L"plain", L"--", L"--z"}},
      {"whitespace is trimmed, blank elements dropped",
       {L" prog\t", L"  ", L"", L"  --a=1 ", L"\t plain \x3000"},
       {{"a", L"1"}},
       {L"plain"}},
      {"bare prefixes are not switches",
       {L"prog", L"-", L"/", L"--", L"-x"},
       {},
       {L"-", L"/", L"--", L"-x"}},
      {"value runs from the first equals sign, the last value wins",
       {L"prog", L"--a=b=c", L"--e=", L"--v=1", L"/V=2"},
       {{"a", L"b=c"}, {"e", L""}, {"v", L"2"}},
       {}},
      {"quotes and backslashes stay as given",
       {L"prog", L"--q=\"a\\", L"x\\\"y"},
       {{"q", L"\"a\\"}},
       {L"x\\\"y"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CommandLine command_line(CommandLine::NO_PROGRAM);
    command_line.InitFromArgv(c.input);
    EXPECT_EQ(L"prog", command_line.GetProgram().value());
    for (const auto& expected : c.switches) {
      EXPECT_TRUE(command_line.HasSwitch(expected.first)) << expected.first;
      EXPECT_EQ(expected.second,
                command_line.GetSwitchValueNative(expected.first));
    }
    EXPECT_EQ(c.args, command_line.GetArgs());
  }

  // Lookups are exact and lower case; argv keeps each element in place.
  CommandLine command_line(CommandLine::NO_PROGRAM);
  command_line.InitFromArgv(cases[0].input);
  EXPECT_EQ((StringVector{L"prog", L"--foo=Bar", L"-x", L"/y=1", L"plain",
                          L"--", L"--z"}),
            command_line.argv());
  EXPECT_FALSE(command_line.HasSwitch("FOO"));
  EXPECT_FALSE(command_line.HasSwitch("fo"));
  EXPECT_FALSE(command_line.HasSwitch("--foo"));
  command_line.AppendSwitchNative("name", L"caf\x00e9");
  command_line.AppendSwitchNative("path", std::wstring(L"C:\\a\0b", 6));
  EXPECT_EQ("", command_line.GetSwitchValueASCII("name"));
  EXPECT_EQ(L"C:\\a", command_line.GetSwitchValuePath("path").value());
}

TEST(CommandLineTest, AppendedSwitchesPrecedePlainArguments) {
  CommandLine command_line(FilePath(L"  prog.exe "));
  command_line.AppendArg("plain");
  command_line.AppendSwitchASCII("x", "1");
  command_line.AppendSwitchASCII("X", "2");
  command_line.AppendSwitch("-short");
  command_line.AppendSwitchPath("dir", FilePath(L"C:\\a b"));

  EXPECT_EQ(L"prog.exe", command_line.GetProgram().value());
  EXPECT_TRUE(command_line.HasSwitch("short"));
  EXPECT_EQ((StringVector{L"prog.exe", L"--x=1", L"--x=2", L"-short",
                          L"--dir=C:\\a b", L"plain"}),
            command_line.argv());
  EXPECT_EQ(L"prog.exe --x=1 --x=2 -short --dir=\"C:\\a b\" plain",
            command_line.GetCommandLineString());

  EXPECT_EQ(L"\"C:\\Program Files\\v.exe\"",
            CommandLine(FilePath(L"C:\\Program Files\\v.exe"))
                .GetCommandLineString());
  EXPECT_EQ(L"", CommandLine(FilePath(L"prog")).GetArgumentsString());
  command_line.InitFromArgv(
      {L"prog", L"--a=x y", L"--b", L"--", L"--c=d e", L"f\tg"});
  // After the terminator a switch-like argument is quoted whole.
  EXPECT_EQ(L"prog --a=\"x y\" --b -- \"--c=d e\" \"f\tg\"",
            command_line.GetCommandLineString());
}

// The system parser's reading of the quoted text is checked by the random
// round trip below; these are the exact forms.
TEST(CommandLineTest, QuoteForCommandLineToArgvW) {
  const struct {
    const wchar_t* input;
    const wchar_t* expected;
  } cases[] = {
      {L"plain", L"plain"},
      {L"", L""},
      {L"a\tb", L"\"a\tb\""},  // tabs split too
      {L"C:\\dir\\", L"\"C:\\dir\\\\\""},
      {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, QuoteForCommandLineToArgvW(c.input))
        << "input: " << c.input;
  }
}

TEST(CommandLineTest, InitFromNothingAndParseFromString) {
  CommandLine command_line(FilePath(L"old.exe"));
  command_line.AppendSwitch("stale");
  command_line.InitFromArgv(StringVector());
  EXPECT_EQ(L"", command_line.GetProgram().value());
  EXPECT_FALSE(command_line.HasSwitch("stale"));
  EXPECT_EQ(StringVector{L""}, command_line.argv());

  command_line.InitFromArgv(0, nullptr);
  EXPECT_EQ(StringVector{L""}, command_line.argv());

  command_line.ParseFromString(
      L"  \"C:\\a b\\p.exe\" --x=\"1 2\" /Y plain\\ \"q r\"  ");
  EXPECT_EQ(L"C:\\a b\\p.exe", command_line.GetProgram().value());
  EXPECT_EQ(L"1 2", command_line.GetSwitchValueNative("x"));
  EXPECT_TRUE(command_line.HasSwitch("y"));
  EXPECT_EQ((StringVector{L"plain\\", L"q r"}), command_line.GetArgs());

  // Blank text changes nothing.
  command_line.ParseFromString(L" \t ");
  EXPECT_EQ(L"C:\\a b\\p.exe", command_line.GetProgram().value());
  EXPECT_TRUE(command_line.HasSwitch("x"));
}

TEST(CommandLineTest, CopiesAndCopiedSwitches) {
  // Copies own their lookups.
  std::unique_ptr<CommandLine> original(new CommandLine(FilePath(L"p")));
  original->AppendSwitchASCII("key", "value");
  CommandLine copy(*original);
  CommandLine assigned(CommandLine::NO_PROGRAM);
  assigned = *original;
  original.reset();
  for (const CommandLine* command_line : {&copy, &assigned})
    EXPECT_EQ("value", command_line->GetSwitchValueASCII("key"));
  copy.AppendSwitchASCII("key", "changed");
  EXPECT_EQ("value", assigned.GetSwitchValueASCII("key"));

  CommandLine source(CommandLine::NO_PROGRAM);
  source.InitFromArgv({L"src.exe", L"--a=1", L"--b", L"plain"});
  CommandLine target(FilePath(L"dst.exe"));
  const char* const names[] = {"a", "b", "absent"};
  target.CopySwitchesFrom(source, names, 3);
  EXPECT_EQ((StringVector{L"dst.exe", L"--a=1", L"--b"}), target.argv());

  target.AppendArguments(source, true);
  EXPECT_EQ(L"src.exe", target.GetProgram().value());
  EXPECT_EQ(
      (StringVector{L"src.exe", L"--a=1", L"--b", L"--a=1", L"--b", L"plain"}),
      target.argv());

  // Appending its own arguments must not read a vector that is growing.
  target.AppendArguments(target, false);
  EXPECT_EQ(11u, target.argv().size());
  EXPECT_EQ((StringVector{L"plain", L"plain"}), target.GetArgs());
}

// What the process was started with is checked by the child process test
// below.
TEST(CommandLineTest, InitMakesTheProcessInstanceOnce) {
  CommandLine::Init();  // Another test may have made it already.
  EXPECT_FALSE(CommandLine::Init());
  EXPECT_NE(nullptr, CommandLine::ForCurrentProcess());
}

// Switches of odd shape keep their meaning, and every later switch keeps
// its, through GetCommandLineString and a second parse: a relaunched child
// sees what its parent saw.
TEST(CommandLineTest, OddSwitchesSurviveRelaunch) {
  const struct {
    const wchar_t* element;
    const char* name;  // as stored: lower case, no prefix
    const wchar_t* value;
  } cases[] = {
      {L"--=", "", L""},
      {L"--=x", "", L"x"},
      {L"---", "-", L""},
      {L"--a b=c d", "a b", L"c d"},
      {L"--a\"b=1", "a\"b", L"1"},
      {L"/\\x\\=y\\", "\\x\\", L"y\\"},
      // A unit that is no byte must not become NUL or an ASCII letter.
      {L"--\x0100=1", "?", L"1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "element " << c.element);
    CommandLine parent(CommandLine::NO_PROGRAM);
    parent.InitFromArgv({L"prog", c.element, L"--late=1", L"plain"});
    CommandLine child(CommandLine::NO_PROGRAM);
    child.ParseFromString(parent.GetCommandLineString());
    for (const CommandLine* command_line : {&parent, &child}) {
      EXPECT_TRUE(command_line->HasSwitch(c.name));
      EXPECT_EQ(c.value, command_line->GetSwitchValueNative(c.name));
      EXPECT_EQ(L"1", command_line->GetSwitchValueNative("late"));
      EXPECT_EQ(StringVector{L"plain"}, command_line->GetArgs());
    }
    EXPECT_EQ(parent.argv(), child.argv()) << parent.GetCommandLineString();
  }
  // Appended by name, an empty name is no terminator either.
  CommandLine appended(FilePath(L"prog"));
  appended.AppendSwitch("");
  appended.AppendSwitch("late");
  CommandLine child(CommandLine::NO_PROGRAM);
  child.ParseFromString(appended.GetCommandLineString());
  EXPECT_TRUE(child.HasSwitch("late"));
  EXPECT_EQ(appended.argv(), child.argv());
}

// Random argument vectors survive GetCommandLineString, the system's
// CommandLineToArgvW and InitFromArgv: what a child process receives is what
// the parent meant.
class RandomArgumentGenerator {
 public:
  explicit RandomArgumentGenerator(unsigned seed) : random_(seed) {}

  // Path-like: no quotes (no file name holds one) and no trailing backslash,
  // since CommandLineToArgvW reads the program without escapes.
  std::wstring Program() {
    static const wchar_t* const kPieces[] = {
        L"a",      L"Z",      L"9",
        L" ",      L"\t",     L".",
        L"\x00e9", L"\x4e2d", L"\xd83d\xde00",
        L"\\"};
    return Text(kPieces, 10, 1, 12, true);
  }

  // Any text with no whitespace at its ends (arguments are trimmed).
  std::wstring Argument(size_t min_pieces) {
    static const wchar_t* const kPieces[] = {
        L"a",  L"Q",      L"0",        L" ",           L"\t", L"\"",
        L"\\", L"\\\\",   L"\\\\\\\"", L"\\\\\"",      L"=",  L"-",
        L"/",  L"\x00e9", L"\x4e2d",   L"\xd83d\xde00"};
    return Text(kPieces, 16, min_pieces, 8, false);
  }

  std::string SwitchName() {
    static const char kFirst[] = "abcXYZ";
    static const char kRest[] = "abcdxyzXYZ019_-.";
    std::string name(1, kFirst[Below(sizeof(kFirst) - 1)]);
    for (size_t i = Below(6); i > 0; --i)
      name.push_back(kRest[Below(sizeof(kRest) - 1)]);
    return name;
  }

  size_t Below(size_t limit) {
    return std::uniform_int_distribution<size_t>(0, limit - 1)(random_);
  }

 private:
  std::wstring Text(const wchar_t* const* pieces, size_t piece_count,
                    size_t min_pieces, size_t max_pieces, bool path) {
    for (;;) {
      std::wstring text;
      const size_t count = min_pieces + Below(max_pieces - min_pieces + 1);
      for (size_t i = 0; i < count; ++i) text += pieces[Below(piece_count)];
      if (text.empty()) return text;
      const std::wstring ends = {text.front(), text.back()};
      if (ends.find_first_of(L" \t") == std::wstring::npos &&
          !(path && text.back() == L'\\'))
        return text;
    }
  }

  std::mt19937 random_;
};

TEST(CommandLineTest, RoundTripThroughSystemParser) {
  RandomArgumentGenerator generator(20240611);
  for (int iteration = 0; iteration < 400; ++iteration) {
    StringVector input = {generator.Program()};
    std::map<std::string, std::wstring> expected_switches;
    StringVector expected_args;

    const size_t element_count = generator.Below(8);
    for (size_t i = 0; i < element_count; ++i) {
      if (generator.Below(2)) {
        const std::string name = generator.SwitchName();
        const std::wstring value = generator.Argument(0);
        std::wstring element = L"--" + std::wstring(name.begin(), name.end());
        if (!value.empty()) element += L"=" + value;
        input.push_back(element);
        expected_switches[ToLowerASCII(name)] = value;
      } else {
        std::wstring argument = generator.Argument(1);
        if (argument[0] == L'-' || argument[0] == L'/')
          argument.insert(0, L"x");  // Before "--" it would be a switch.
        input.push_back(argument);
        expected_args.push_back(argument);
      }
    }
    if (generator.Below(2)) {
      input.push_back(L"--");
      expected_args.push_back(L"--");
      for (size_t i = generator.Below(4); i > 0; --i) {
        // Switch-like text after the terminator stays a plain argument.
        const std::wstring argument = L"-" + generator.Argument(1);
        input.push_back(argument);
        expected_args.push_back(argument);
      }
    }

    CommandLine parent(CommandLine::NO_PROGRAM);
    parent.InitFromArgv(input);
    const std::wstring text = parent.GetCommandLineString();
    SCOPED_TRACE(testing::Message()
                 << "iteration " << iteration << ": " << text.c_str());

    CommandLine child(CommandLine::NO_PROGRAM);
    child.InitFromArgv(SplitWithSystemParser(text));

    EXPECT_EQ(input[0], child.GetProgram().value());
    EXPECT_EQ(expected_args, child.GetArgs());
    for (const auto& expected : expected_switches) {
      EXPECT_TRUE(child.HasSwitch(expected.first) &&
                  expected.second == child.GetSwitchValueNative(expected.first))
          << expected.first;
    }
    // Same switch elements in the same order, and nothing more.
    EXPECT_EQ(parent.argv(), child.argv());
    if (HasFailure()) break;
  }
}

const char kEchoSwitch[] = "velto-echo-argv";
const char kEchoLinePrefix[] = "ARGV ";

// Not a test of its own: the child half of ChildProcessReceivesSameArgv.
// Prints each element of the process command line as hexadecimal UTF-16.
TEST(CommandLineTest, DISABLED_EchoArgvAsChild) {
  CommandLine::Init();
  const CommandLine* current = CommandLine::ForCurrentProcess();
  ASSERT_TRUE(current->HasSwitch(kEchoSwitch));
  for (const std::wstring& element : current->argv()) {
    std::ostringstream line;
    line << kEchoLinePrefix << std::hex;
    for (wchar_t unit : element) line << static_cast<unsigned>(unit) << ' ';
    printf("%s\n", line.str().c_str());
  }
  fflush(stdout);
}

TEST(CommandLineTest, ChildProcessReceivesSameArgv) {
  CommandLine parent(FilePath(testing_support::SelfPath()));
  parent.AppendSwitchASCII("gtest_filter",
                           "CommandLineTest.DISABLED_EchoArgvAsChild");
  parent.AppendSwitch("gtest_also_run_disabled_tests");
  parent.AppendSwitch(kEchoSwitch);
  parent.AppendSwitchNative("value", L"a \"b\"\tc\\");
  parent.AppendSwitchPath("path", FilePath(L"C:\\Program Files\\x\\"));
  parent.AppendArg("--");
  parent.AppendArg("-not-a-switch");
  parent.AppendArg("caf\xc3\xa9 \\\\\"x\\");

  testing_support::ChildResult result =
      testing_support::RunChildProcess(parent.GetCommandLineString());
  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exit_code) << result.output;

  StringVector echoed;
  std::istringstream output(result.output);
  for (std::string line; std::getline(output, line);) {
    if (line.compare(0, sizeof(kEchoLinePrefix) - 1, kEchoLinePrefix) != 0)
      continue;
    std::istringstream units(line.substr(sizeof(kEchoLinePrefix) - 1));
    std::wstring element;
    for (unsigned unit; units >> std::hex >> unit;)
      element.push_back(static_cast<wchar_t>(unit));
    echoed.push_back(element);
  }
  EXPECT_EQ(parent.argv(), echoed) << result.output;
}

}  // namespace
}  // namespace base
