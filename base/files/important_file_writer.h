// Writes one file so that a reader sees either its old or its new content,
// never a mix: the data goes to a temporary file in the same folder, is
// flushed to disk and then renamed over the target.
//
//   ImportantFileWriter writer(path, file_task_runner);
//   writer.WriteNow(std::make_unique<std::string>(data));  // on the runner
//
// Owners whose data changes often let a commit timer batch the changes:
// ScheduleWrite remembers a serializer and asks it for the data once, when
// the commit interval (10 seconds) after the first unwritten change is over.
//
//   class PrefFile : public ImportantFileWriter::DataSerializer {
//     void OnChange() { writer_.ScheduleWrite(this); }
//     ~PrefFile() {
//       if (writer_.HasPendingWrite()) writer_.DoScheduledWrite();
//     }
//     bool SerializeData(std::string* output) override;
//   };
//
// The writer belongs to its owner's thread, whose task runner drives the
// commit timer; the writes themselves run on the runner given at
// construction, which serialises all writes to the path. Destroying the
// writer abandons a scheduled write that was not committed; writes already
// handed to the runner still happen. Failures are logged where they occur
// and counted in the histogram "ImportantFile.TempFileFailures".
#ifndef BASE_FILES_IMPORTANT_FILE_WRITER_H_
#define BASE_FILES_IMPORTANT_FILE_WRITER_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"
#include "base/strings/string_piece.h"
#include "base/time/time.h"
#include "base/timer/timer.h"

namespace base {

class ImportantFileWriter {
 public:
  // Supplies the data of a scheduled write when its time comes.
  class DataSerializer {
   public:
    // Fills |output|; false when there is nothing sound to write, and then
    // nothing is written.
    virtual bool SerializeData(std::string* output) = 0;

   protected:
    virtual ~DataSerializer() = default;
  };

  ImportantFileWriter(const FilePath& path,
                      scoped_refptr<SequencedTaskRunner> task_runner);
  ~ImportantFileWriter();
  ImportantFileWriter(const ImportantFileWriter&) = delete;
  ImportantFileWriter& operator=(const ImportantFileWriter&) = delete;

  // Replaces |path| with |data| on the calling thread. The swap is a rename
  // over the old file, so even a process killed meanwhile leaves one whole
  // file. On failure the old file stays as it was; should the system lose it
  // while swapping, the new data is moved into its place or, if even that
  // fails, kept in the temporary file that the log names. The temporary file
  // is a ReplacementFile: writers of one path, in any thread or process, never
  // delete each other's, and those that killed writes left are deleted by the
  // next write while |path| exists. Of writers racing for one path, the last
  // to finish wins.
  static bool WriteFileAtomically(const FilePath& path, StringPiece data);

  const FilePath& path() const { return path_; }
  // How long ScheduleWrite waits before the data is asked for.
  TimeDelta commit_interval() const { return commit_interval_; }

  // True while a scheduled write waits for its commit timer.
  bool HasPendingWrite() const;

  // Hands |data| to the task runner for writing and cancels a scheduled
  // write. When the runner refuses the task, writes at once on the calling
  // thread rather than lose the data. Data of 2 GiB or more cannot be
  // written and is dropped.
  void WriteNow(std::unique_ptr<std::string> data);

  // Asks |serializer| for the data when the commit interval is over. The
  // interval runs from the first call since the last write: scheduling again
  // meanwhile only replaces the serializer. |serializer| must stay alive
  // until the write is done or the writer is gone. On a thread without a
  // task runner, where no timer can run, writes at once (and logs that once).
  void ScheduleWrite(DataSerializer* serializer);

  // Commits the scheduled write now: the serializer's data goes to WriteNow.
  // Does nothing when no write is scheduled.
  void DoScheduledWrite();

 private:
  const FilePath path_;
  const scoped_refptr<SequencedTaskRunner> task_runner_;
  OneShotTimer commit_timer_;
  // The serializer of the scheduled write; null when none is scheduled.
  DataSerializer* serializer_ = nullptr;
  const TimeDelta commit_interval_;
  // Whether the write-at-once fallback of ScheduleWrite was logged.
  bool said_writing_at_once_ = false;
};

}  // namespace base

#endif  // BASE_FILES_IMPORTANT_FILE_WRITER_H_
