// A child for the install log's save test: reads the log again and again,
// as another process would, until told to stop, and reports how often it
// found the file missing or cut short.
//
//   install_log_reader_child.exe LOG READY_EVENT STOP_EVENT
//
// READY_EVENT is set once the first read is done. Prints
// "reads=N missing=M partial=P" and exits with 0 when it read the log at
// least once and never found it missing or partial, else 1.
#include <stdio.h>

#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/strings/string_piece.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

#include <shellapi.h>

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc != 4) return 2;
  const base::FilePath log(argv[1]);
  base::ScopedHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
  base::ScopedHandle stop(::OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
  if (!ready.IsValid() || !stop.IsValid()) return 3;

  int reads = 0, missing = 0, partial = 0;
  while (::WaitForSingleObject(stop.Get(), 0) == WAIT_TIMEOUT) {
    base::File file(log, base::File::FLAG_OPEN | base::File::FLAG_READ);
    if (!file.IsValid()) {
      // The open may also fail while the writer renames over the file;
      // only a log that is not there at all counts.
      if (file.error_details() == base::File::FILE_ERROR_NOT_FOUND) ++missing;
      continue;
    }
    std::string text;
    char buffer[4096];
    for (int read; (read = file.ReadAtCurrentPos(buffer, sizeof(buffer))) > 0;)
      text.append(buffer, read);
    file.Close();
    ++reads;
    const base::StringPiece whole(text);
    if (!whole.starts_with("<?xml") || !whole.ends_with("</install_log>\n"))
      ++partial;
    ::SetEvent(ready.Get());
  }
  printf("reads=%d missing=%d partial=%d\n", reads, missing, partial);
  return reads > 0 && missing == 0 && partial == 0 ? 0 : 1;
}
