// The program, switches and plain arguments of a process, or of a process
// about to be launched.
//
// The running process has one instance, created by CommandLine::Init() at the
// very start of the entry function from GetCommandLineW() and only read
// afterwards, from any thread:
//
//   if (CommandLine::ForCurrentProcess()->HasSwitch("verbose")) ...
//
// Callers build other instances to launch children and turn them back into
// one string that CommandLineToArgvW splits into the same pieces:
//
//   CommandLine child(FilePath(L"C:\\Velto\\setup.exe"));
//   child.AppendSwitchASCII("mode", "uninstall");   // --mode=uninstall
//   child.AppendArg("C:\\some folder");
//   ::CreateProcessW(..., &child.GetCommandLineString()[0], ...);
//
// A switch is an argument starting with "--", "-" or "/" (tried in that
// order), optionally followed by "=" and a value. Switch names are stored
// lower-cased and without their prefix (a parsed character above U+00FF
// reads as "?"); when a switch is given twice the last value wins. Arguments
// are trimmed of whitespace and empty ones dropped; a lone "--" ends switch
// parsing and stays as a plain argument. An instance other than the process one
// belongs to its creator's thread.
#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <stddef.h>

#include <map>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/strings/string_piece.h"

namespace base {

class CommandLine {
 public:
  typedef std::wstring StringType;
  typedef wchar_t CharType;
  typedef std::vector<StringType> StringVector;
  // Switch name (lower-case, no prefix) -> value.
  typedef std::map<std::string, StringType> SwitchMap;
  // Views of the keys of a SwitchMap -> the values they name.
  typedef std::map<StringPiece, const StringType*> StringPieceSwitchMap;

  enum NoProgram { NO_PROGRAM };

  // An empty program, no switches, no arguments.
  explicit CommandLine(NoProgram no_program);
  // |program| trimmed of whitespace, no switches, no arguments.
  explicit CommandLine(const FilePath& program);
  CommandLine(const CommandLine& other);
  CommandLine& operator=(const CommandLine& other);
  ~CommandLine();

  // Creates the process instance from GetCommandLineW(). Returns false, and
  // changes nothing, when it exists already.
  static bool Init();
  // The process instance; null before Init().
  static CommandLine* ForCurrentProcess();

  // Replaces everything with the pieces CommandLineToArgvW makes of
  // |command_line| (element 0 is the program). Text that is empty after
  // trimming whitespace leaves this command line unchanged.
  void ParseFromString(StringPiece16 command_line);

  // Replaces everything: element 0 is the program, the rest are parsed into
  // switches and arguments. No elements leave an empty program.
  void InitFromArgv(int argc, const CharType* const* argv);
  void InitFromArgv(const StringVector& argv);

  // Element 0, the switch elements ("--name=value") in the order they were
  // added, then the plain arguments.
  const StringVector& argv() const { return argv_; }
  // The plain arguments, in order.
  StringVector GetArgs() const;

  FilePath GetProgram() const;
  // Sets the program to |program| trimmed of whitespace at both ends.
  void SetProgram(const FilePath& program);

  // Lookups compare |name| byte for byte with the stored lower-case names:
  // pass names in lower case and without a prefix.
  bool HasSwitch(StringPiece name) const;
  // The value, or empty when the switch is absent.
  StringType GetSwitchValueNative(StringPiece name) const;
  // The value when it is all ASCII; empty otherwise or when absent.
  std::string GetSwitchValueASCII(StringPiece name) const;
  FilePath GetSwitchValuePath(StringPiece name) const;
  // Every switch, sorted by name.
  const SwitchMap& GetSwitches() const { return switches_; }

  // Adds "--name=value" (or "--name" for an empty value) before the plain
  // arguments. A name that carries its own prefix ("-x", "/x") keeps it.
  void AppendSwitchNative(const std::string& name, StringPiece16 value);
  void AppendSwitch(const std::string& name);
  void AppendSwitchPath(const std::string& name, const FilePath& path);
  // |value| is ASCII, widened character by character.
  void AppendSwitchASCII(const std::string& name, const std::string& value);

  // Copies each of the |count| switches named in |names| that |source| has.
  void CopySwitchesFrom(const CommandLine& source, const char* const names[],
                        size_t count);

  // Adds |value| (UTF-8) as a plain argument, as it is.
  void AppendArg(const std::string& value);

  // Parses the switches and arguments of |other| into this one, and takes
  // its program when |include_program| is true.
  void AppendArguments(const CommandLine& other, bool include_program);

  // The quoted program, then a space and GetArgumentsString() when that is
  // not empty.
  StringType GetCommandLineString() const;
  // Every element after the program, quoted where needed, joined by spaces.
  // Switch values are quoted apart from their "--name=" part, unless the
  // name itself needs quotes.
  StringType GetArgumentsString() const;

 private:
  friend void AppendSwitchesAndArguments(CommandLine* command_line,
                                         const StringVector& argv);

  void Reset();
  void RebuildSwitchesByStringPiece();

  StringVector argv_;
  SwitchMap switches_;
  StringPieceSwitchMap switches_by_stringpiece_;
  // Index into |argv_| where the plain arguments begin.
  size_t begin_args_;
};

// The length of the switch prefix |argument| starts with ("--" 2, "-" and
// "/" 1), or 0 when it has none.
size_t GetSwitchPrefixLength(StringPiece16 argument);

// True when |argument| is a switch: a prefix followed by at least one
// character. |switch_text| gets the text before the first "=" (prefix
// included), |switch_value| what follows it (empty without "=").
bool IsSwitch(StringPiece16 argument, CommandLine::StringType* switch_text,
              CommandLine::StringType* switch_value);

// |argument| quoted so that CommandLineToArgvW gives it back as one piece;
// unchanged when it holds no space, tab, backslash or double quote.
CommandLine::StringType QuoteForCommandLineToArgvW(
    const CommandLine::StringType& argument);

// Parses |argv| from element 1 on into |command_line|'s switches and plain
// arguments.
void AppendSwitchesAndArguments(CommandLine* command_line,
                                const CommandLine::StringVector& argv);

}  // namespace base

#endif  // BASE_COMMAND_LINE_H_
