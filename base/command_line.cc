#include "base/command_line.h"

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_types.h"

#include <shellapi.h>

namespace base {

namespace {

const CommandLine::CharType* const kSwitchPrefixes[] = {L"--", L"-", L"/"};
const CommandLine::CharType kSwitchTerminator[] = L"--";
const CommandLine::CharType kSwitchValueSeparator = L'=';

// Characters that make an argument need quotes. CommandLineToArgvW splits at
// spaces and tabs and gives backslashes and quotes their escape meaning.
const CommandLine::CharType kQuoteWhenHolding[] = L" \t\\\"";

CommandLine* g_current_process_command_line = nullptr;

// Arguments and the program lose Unicode whitespace at both ends.
CommandLine::StringType TrimArgument(StringPiece16 text) {
  CommandLine::StringType trimmed;
  TrimWideString(text, kWhitespaceWide, &trimmed);
  return trimmed;
}

CommandLine::StringType CutAtNul(const CommandLine::StringType& text) {
  return text.substr(0, text.find(L'\0'));
}

}  // namespace

CommandLine::CommandLine(NoProgram no_program) : argv_(1), begin_args_(1) {}

CommandLine::CommandLine(const FilePath& program) : argv_(1), begin_args_(1) {
  SetProgram(program);
}

CommandLine::CommandLine(const CommandLine& other)
    : argv_(other.argv_),
      switches_(other.switches_),
      begin_args_(other.begin_args_) {
  RebuildSwitchesByStringPiece();
}

CommandLine& CommandLine::operator=(const CommandLine& other) {
  if (this == &other) return *this;
  argv_ = other.argv_;
  switches_ = other.switches_;
  begin_args_ = other.begin_args_;
  RebuildSwitchesByStringPiece();
  return *this;
}

CommandLine::~CommandLine() = default;

// static
bool CommandLine::Init() {
  if (g_current_process_command_line) return false;
  // Never freed: many subsystems read it until the process ends.
  g_current_process_command_line = new CommandLine(NO_PROGRAM);
  g_current_process_command_line->ParseFromString(::GetCommandLineW());
  return true;
}

// static
CommandLine* CommandLine::ForCurrentProcess() {
  return g_current_process_command_line;
}

void CommandLine::ParseFromString(StringPiece16 command_line) {
  const StringType trimmed = TrimArgument(command_line);
  if (trimmed.empty()) return;

  int count = 0;
  win::ScopedLocalMemory<wchar_t*> pieces(
      ::CommandLineToArgvW(trimmed.c_str(), &count));
  if (!pieces.IsValid()) {
    PLOG(ERROR) << "CommandLineToArgvW failed for " << trimmed;
    return;
  }
  InitFromArgv(count, pieces.Get());
}

void CommandLine::InitFromArgv(int argc, const CharType* const* argv) {
  StringVector pieces;
  for (int i = 0; argv && i < argc; ++i)
    pieces.push_back(argv[i] ? argv[i] : L"");
  InitFromArgv(pieces);
}

void CommandLine::InitFromArgv(const StringVector& argv) {
  Reset();
  if (argv.empty()) return;
  argv_[0] = TrimArgument(CutAtNul(argv[0]));
  AppendSwitchesAndArguments(this, argv);
}

CommandLine::StringVector CommandLine::GetArgs() const {
  return StringVector(argv_.begin() + begin_args_, argv_.end());
}

FilePath CommandLine::GetProgram() const { return FilePath(argv_[0]); }

void CommandLine::SetProgram(const FilePath& program) {
  argv_[0] = TrimArgument(program.value());
}

bool CommandLine::HasSwitch(StringPiece name) const {
  return switches_by_stringpiece_.find(name) != switches_by_stringpiece_.end();
}

CommandLine::StringType CommandLine::GetSwitchValueNative(
    StringPiece name) const {
  auto found = switches_by_stringpiece_.find(name);
  return found == switches_by_stringpiece_.end() ? StringType()
                                                 : *found->second;
}

std::string CommandLine::GetSwitchValueASCII(StringPiece name) const {
  const StringType value = GetSwitchValueNative(name);
  if (!IsWideStringASCII(value)) return std::string();
  return WideToASCII(value);
}

FilePath CommandLine::GetSwitchValuePath(StringPiece name) const {
  return FilePath(GetSwitchValueNative(name));
}

void CommandLine::AppendSwitchNative(const std::string& name,
                                     StringPiece16 value) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }

  StringType combined;
  combined.reserve(key.size() + value.size() + 3);
  for (char c : key) combined.push_back(static_cast<unsigned char>(c));
  const size_t prefix_length = GetSwitchPrefixLength(combined);

  // Re-inserting replaces the value in place, so the view of the key and the
  // pointer to the value stay valid; the last value wins.
  auto inserted =
      switches_.insert_or_assign(key.substr(prefix_length), value.as_string());
  const std::string& stored_key = inserted.first->first;
  switches_by_stringpiece_[StringPiece(stored_key)] = &inserted.first->second;

  if (prefix_length == 0) combined.insert(0, kSwitchTerminator);
  // A switch with an empty name keeps its "=" even without a value: bare,
  // it would read as the terminator "--" or a lone "-" or "/".
  if (!value.empty() || prefix_length == key.size()) {
    combined.push_back(kSwitchValueSeparator);
    combined.append(value.data(), value.size());
  }
  argv_.insert(argv_.begin() + begin_args_, combined);
  ++begin_args_;
}

void CommandLine::AppendSwitch(const std::string& name) {
  AppendSwitchNative(name, StringPiece16());
}

void CommandLine::AppendSwitchPath(const std::string& name,
                                   const FilePath& path) {
  AppendSwitchNative(name, path.value());
}

void CommandLine::AppendSwitchASCII(const std::string& name,
                                    const std::string& value) {
  StringType wide;
  wide.reserve(value.size());
  for (char c : value) wide.push_back(static_cast<unsigned char>(c));
  AppendSwitchNative(name, wide);
}

void CommandLine::CopySwitchesFrom(const CommandLine& source,
                                   const char* const names[], size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (source.HasSwitch(names[i]))
      AppendSwitchNative(names[i], source.GetSwitchValueNative(names[i]));
  }
}

void CommandLine::AppendArg(const std::string& value) {
  argv_.push_back(UTF8ToWide(value));
}

void CommandLine::AppendArguments(const CommandLine& other,
                                  bool include_program) {
  if (include_program) SetProgram(other.GetProgram());
  AppendSwitchesAndArguments(this, other.argv());
}

CommandLine::StringType CommandLine::GetCommandLineString() const {
  StringType result = QuoteForCommandLineToArgvW(argv_[0]);
  const StringType arguments = GetArgumentsString();
  if (!arguments.empty()) {
    result.push_back(L' ');
    result.append(arguments);
  }
  return result;
}

CommandLine::StringType CommandLine::GetArgumentsString() const {
  StringType result;
  bool parse_switches = true;
  StringType switch_text;
  StringType switch_value;
  for (size_t i = 1; i < argv_.size(); ++i) {
    const StringType& argument = argv_[i];
    parse_switches &= argument != kSwitchTerminator;
    if (i > 1) result.push_back(L' ');
    // A name that needs quotes is quoted with its value, as one piece.
    if (parse_switches && IsSwitch(argument, &switch_text, &switch_value) &&
        QuoteForCommandLineToArgvW(switch_text) == switch_text) {
      result.append(switch_text);
      if (switch_text.size() < argument.size()) {
        result.push_back(kSwitchValueSeparator);
        result.append(QuoteForCommandLineToArgvW(switch_value));
      }
    } else {
      result.append(QuoteForCommandLineToArgvW(argument));
    }
  }
  return result;
}

void CommandLine::Reset() {
  argv_.assign(1, StringType());
  switches_.clear();
  switches_by_stringpiece_.clear();
  begin_args_ = 1;
}

void CommandLine::RebuildSwitchesByStringPiece() {
  switches_by_stringpiece_.clear();
  for (const auto& entry : switches_)
    switches_by_stringpiece_[StringPiece(entry.first)] = &entry.second;
}

size_t GetSwitchPrefixLength(StringPiece16 argument) {
  for (const CommandLine::CharType* prefix : kSwitchPrefixes) {
    if (argument.starts_with(prefix)) return StringPiece16(prefix).size();
  }
  return 0;
}

bool IsSwitch(StringPiece16 argument, CommandLine::StringType* switch_text,
              CommandLine::StringType* switch_value) {
  switch_text->clear();
  switch_value->clear();
  const size_t prefix_length = GetSwitchPrefixLength(argument);
  if (prefix_length == 0 || prefix_length == argument.size()) return false;

  const size_t equals = argument.find(kSwitchValueSeparator);
  *switch_text = argument.substr(0, equals).as_string();
  if (equals != StringPiece16::npos)
    *switch_value = argument.substr(equals + 1).as_string();
  return true;
}

CommandLine::StringType QuoteForCommandLineToArgvW(
    const CommandLine::StringType& argument) {
  if (argument.find_first_of(kQuoteWhenHolding) ==
      CommandLine::StringType::npos)
    return argument;

  // A run of backslashes is literal unless a quote follows it; the closing
  // quote added below counts, so a run at the end is doubled too.
  CommandLine::StringType quoted(1, L'"');
  for (size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == L'\\') {
      size_t run_end = i;
      while (run_end < argument.size() && argument[run_end] == L'\\') ++run_end;
      size_t run_length = run_end - i;
      if (run_end == argument.size() || argument[run_end] == L'"')
        run_length *= 2;
      quoted.append(run_length, L'\\');
      i = run_end - 1;
    } else if (argument[i] == L'"') {
      quoted.append(L"\\\"");
    } else {
      quoted.push_back(argument[i]);
    }
  }
  quoted.push_back(L'"');
  return quoted;
}

void AppendSwitchesAndArguments(CommandLine* command_line,
                                const CommandLine::StringVector& argv) {
  // A copy: |argv| may be |command_line|'s own, which grows below.
  const CommandLine::StringVector elements(argv);
  bool parse_switches = true;
  CommandLine::StringType switch_text;
  CommandLine::StringType switch_value;
  for (size_t i = 1; i < elements.size(); ++i) {
    CommandLine::StringType argument = TrimArgument(elements[i]);
    if (argument.empty()) continue;
    parse_switches &= argument != kSwitchTerminator;
    if (parse_switches && IsSwitch(argument, &switch_text, &switch_value)) {
      // Switch names are narrow. A unit beyond one byte becomes "?": cut to
      // its low byte it could turn into a NUL, which ends the command line
      // of a relaunched child, or into another switch's letter.
      std::string name;
      name.reserve(switch_text.size());
      for (CommandLine::CharType c : switch_text)
        name.push_back(c > 0xFF ? '?' : static_cast<char>(c));
      command_line->AppendSwitchNative(name, switch_value);
    } else {
      command_line->argv_.push_back(argument);
    }
  }
}

}  // namespace base
