#include "base/command_line.h"

#include <stdio.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/child_process.h"

namespace base {
namespace {

typedef CommandLine::StringVector StringVector;

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
      {"odd names, quotes and backslashes as given, no NUL for a non-byte",
       {L"prog", L"--=", L"---", L"--a b=c d", L"--a\"b=\"1\\", L"/\\x\\=y\\",
        L"--\x0100=1", L"x\\\"y"},
       {{"", L""},
        {"-", L""},
        {"a b", L"c d"},
        {"a\"b", L"\"1\\"},
        {"\\x\\", L"y\\"},
        {"?", L"1"}},
       {L"x\\\"y"}},
      {"both ends of A-Z are lowered", {L"prog", L"-AZ=1"}, {{"az", L"1"}}, {}},
      {"the program ends at its first NUL and is then trimmed",
       {std::wstring(L" prog \0junk", 11), L"-a"},
       {{"a", L""}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CommandLine command_line(CommandLine::NO_PROGRAM);
    command_line.InitFromArgv(c.input);
    EXPECT_EQ(L"prog", command_line.GetProgram().value());
    EXPECT_EQ(L"prog", command_line.argv()[0]);
    // No other switches, and each is found by its name.
    EXPECT_EQ(c.switches, command_line.GetSwitches());
    for (const auto& [name, value] : c.switches)
      EXPECT_EQ(value, command_line.GetSwitchValueNative(name)) << name;
    EXPECT_EQ(c.args, command_line.GetArgs());
  }

  // Lookups are exact and lower case; argv keeps each element in place.
  CommandLine command_line(CommandLine::NO_PROGRAM);
  command_line.InitFromArgv(cases[0].input);
  EXPECT_EQ((StringVector{L"prog", L"--foo=Bar", L"-x", L"/y=1", L"plain",
                          L"--", L"--z"}),
            command_line.argv());
  for (const char* name : {"FOO", "fo", "--foo"})
    EXPECT_FALSE(command_line.HasSwitch(name)) << name;
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
  // After the terminator, switch-like text is one plain argument.
  command_line.AppendArg("--");
  command_line.AppendArg("--y=a b");

  EXPECT_TRUE(command_line.HasSwitch("short"));
  EXPECT_EQ((StringVector{L"prog.exe", L"--x=1", L"--x=2", L"-short",
                          L"--dir=C:\\a b", L"plain", L"--", L"--y=a b"}),
            command_line.argv());
  EXPECT_EQ(
      L"prog.exe --x=1 --x=2 -short --dir=\"C:\\a b\" plain -- \"--y=a b\"",
      command_line.GetCommandLineString());

  // Nothing follows a program that has no arguments, not even a space.
  const struct {
    const wchar_t* program;
    const wchar_t* line;
  } bare_cases[] = {{L"prog", L"prog"},
                    {L"C:\\a b\\p.exe", L"\"C:\\a b\\p.exe\""}};
  for (const auto& c : bare_cases) {
    CommandLine bare(FilePath{c.program});
    EXPECT_EQ(L"", bare.GetArgumentsString());
    EXPECT_EQ(c.line, bare.GetCommandLineString());
  }

  // An argument is UTF-8.
  CommandLine utf8(FilePath(L"prog"));
  utf8.AppendArg("caf\xC3\xA9");
  EXPECT_EQ(StringVector{L"caf\x00E9"}, utf8.GetArgs());

  // Appended by name, an empty name is no terminator when read back.
  CommandLine empty_name(FilePath(L"prog"));
  empty_name.AppendSwitch("");
  empty_name.AppendSwitch("late");
  CommandLine child(CommandLine::NO_PROGRAM);
  child.ParseFromString(empty_name.GetCommandLineString());
  EXPECT_TRUE(child.HasSwitch("late"));
  EXPECT_EQ(empty_name.argv(), child.argv());
}

TEST(CommandLineTest, InitFromNothingAndParseFromString) {
  CommandLine command_line(FilePath(L"old.exe"));
  command_line.AppendSwitch("stale");
  command_line.InitFromArgv(StringVector());
  EXPECT_FALSE(command_line.HasSwitch("stale"));
  EXPECT_TRUE(command_line.GetSwitches().empty());
  EXPECT_EQ(StringVector{L""}, command_line.argv());

  command_line.ParseFromString(
      L"  \"C:\\a b\\p.exe\" --x=\"1 2\" /Y plain\\ \"q r\"  ");
  EXPECT_EQ(L"C:\\a b\\p.exe", command_line.GetProgram().value());
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

  // Copied values are not narrowed.
  CommandLine wide_source(FilePath(L"src.exe"));
  wide_source.AppendSwitchNative("w", L"caf\x00E9 \x4E2D");
  CommandLine wide_target(FilePath(L"dst.exe"));
  const char* const wide_names[] = {"w"};
  wide_target.CopySwitchesFrom(wide_source, wide_names, 1);
  EXPECT_EQ(L"caf\x00E9 \x4E2D", wide_target.GetSwitchValueNative("w"));

  target.AppendArguments(source, true);
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

// Random argument vectors survive GetCommandLineString and the system's
// CommandLineToArgvW, which ParseFromString calls: what a child process
// receives is what the parent meant. Elements are trimmed, so none has
// whitespace at its ends; the program is read without escapes, so it holds
// no quote and does not end in a backslash.
TEST(CommandLineTest, RoundTripThroughSystemParser) {
  // The pieces holding a quote come last, beyond the program's choice.
  std::vector<std::wstring> pieces;
  for (wchar_t unit : std::wstring(L"aQ0 \t.=-/\\\x00e9\x4e2d"))
    pieces.emplace_back(1, unit);
  for (const wchar_t* piece :
       {L"\\\\", L"\xd83d\xde00", L"\"", L"\\\\\"", L"\\\\\\\""})
    pieces.push_back(piece);
  const size_t kProgramPieces = 14;
  std::mt19937 random(20240611);
  auto text = [&](size_t piece_count, size_t min_pieces, bool program) {
    for (;;) {
      std::wstring result;
      for (size_t i = min_pieces + random() % 8; i > 0; --i)
        result += pieces[random() % piece_count];
      if (result.empty()) return result;
      const std::wstring ends = {result.front(), result.back()};
      if (ends.find_first_of(L" \t") == std::wstring::npos &&
          !(program && result.back() == L'\\'))
        return result;
    }
  };
  for (int iteration = 0; iteration < 400; ++iteration) {
    StringVector input = {text(kProgramPieces, 1, true)};
    for (size_t i = random() % 8; i > 0; --i) {
      const std::wstring element = text(pieces.size(), 0, false);
      // Switches, plain arguments, and switch-like text after a terminator.
      const size_t kind = random() % 4;
      // Left out: a name ending in whitespace with an empty value is stored
      // without its "=", so it ends in that whitespace, which the child trims.
      const size_t equals = element.find(L'=');
      if (equals != std::wstring::npos && equals > 0 &&
          equals + 1 == element.size() &&
          (element[equals - 1] == L' ' || element[equals - 1] == L'\t'))
        continue;
      input.push_back(kind == 0   ? L"--"
                      : kind == 1 ? L"--" + element
                                  : element);
    }
    CommandLine parent(CommandLine::NO_PROGRAM);
    parent.InitFromArgv(input);
    const std::wstring line = parent.GetCommandLineString();
    SCOPED_TRACE(testing::Message()
                 << "iteration " << iteration << ": " << line.c_str());
    CommandLine child(CommandLine::NO_PROGRAM);
    child.ParseFromString(line);
    // Switches and arguments are read from the elements.
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
