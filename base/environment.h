// Reads and changes the variables of this process's environment.
//
// Code that reads the environment takes an Environment so tests can hand it
// one they prepared; production code gets the real one from Create().
//
//   std::unique_ptr<base::Environment> env = base::Environment::Create();
//   std::string channel;
//   if (env->GetVar("VELTO_CHANNEL", &channel)) ...
//
// Names and values are UTF-8; a name or value holding a NUL is refused (the
// system would read it only up to the NUL). The process environment is
// shared by every thread and these calls take no lock.
#ifndef BASE_ENVIRONMENT_H_
#define BASE_ENVIRONMENT_H_

#include <memory>
#include <string>

#include "base/strings/string_piece.h"

namespace base {

class Environment {
 public:
  virtual ~Environment();

  // The environment of this process.
  static std::unique_ptr<Environment> Create();

  // Stores the value of |variable_name| in |result| (which may be null) and
  // returns true when the variable exists, even with an empty value. When the
  // name as given is not set and it starts with an ASCII letter, the name is
  // tried once more in the opposite case: "app_foo" finds APP_FOO and
  // "App_Foo" finds app_foo. Names starting with anything else are not
  // retried.
  virtual bool GetVar(StringPiece variable_name, std::string* result) = 0;

  // GetVar without the value; the case retry applies.
  virtual bool HasVar(StringPiece variable_name);

  // Sets |variable_name| to |new_value|; false when the system refuses.
  virtual bool SetVar(StringPiece variable_name,
                      const std::string& new_value) = 0;

  // Removes |variable_name|; false when the system refuses.
  virtual bool UnSetVar(StringPiece variable_name) = 0;
};

}  // namespace base

#endif  // BASE_ENVIRONMENT_H_
