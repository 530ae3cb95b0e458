// Where a task was posted from: function, file, line and program counter.
//
// Every posted task and every post-task-and-reply relay carries a Location by
// value, so a task that misbehaves can be traced back to the code that
// posted it. Build one with FROM_HERE at the posting site:
//
//   task_runner->PostTask(FROM_HERE, base::Bind(&Flush, file));
//
// The strings are not copied: they must live as long as the program, which
// the literals of FROM_HERE do.
#ifndef BASE_LOCATION_H_
#define BASE_LOCATION_H_

namespace base {

class Location {
 public:
  // An unknown site: "Unknown" function and file, line -1.
  Location();
  Location(const char* function_name, const char* file_name, int line_number,
           const void* program_counter);

  const char* function_name() const { return function_name_; }
  // The full source path of the posting file.
  const char* file_name() const { return file_name_; }
  int line_number() const { return line_number_; }
  const void* program_counter() const { return program_counter_; }

 private:
  const char* function_name_;
  const char* file_name_;
  int line_number_;
  const void* program_counter_;
};

// The return address of its call: a program counter inside the function that
// calls it. Never inlined, or that address would be the caller's caller's.
__attribute__((noinline)) const void* GetProgramCounter();

}  // namespace base

#define FROM_HERE                                                              \
  ::base::Location(__func__, __FILE__, __LINE__, ::base::GetProgramCounter())

#endif  // BASE_LOCATION_H_
