#include "base/files/important_file_writer.h"

#include <stdint.h>

#include <utility>

#include "base/bind.h"
#include "base/files/file.h"
#include "base/files/replacement_file.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/metrics/histogram.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {

namespace {

// Codes of the histogram "ImportantFile.TempFileFailures". Code 2 was
// retired, and code 1 (the file cannot be opened for writing) is no longer
// counted: the file is created open and stays open until it is in place.
enum TempFileFailure {
  FAILED_CREATING = 0,
  FAILED_WRITING = 3,
  FAILED_RENAMING = 4,
  FAILED_FLUSHING = 5,
  TEMP_FILE_FAILURE_MAX = 6,
};

constexpr int64_t kCommitIntervalSeconds = 10;

// File::Write takes an int count.
constexpr size_t kMaxDataSize = 0x7FFFFFFF;

void CountFailure(TempFileFailure failure) {
  static HistogramBase* const failures = LinearHistogram::FactoryGet(
      "ImportantFile.TempFileFailures", 1, TEMP_FILE_FAILURE_MAX,
      TEMP_FILE_FAILURE_MAX + 1);
  failures->Add(failure);
}

// The task of WriteNow; failures are logged by the write itself.
void WriteDataTask(const FilePath& path, const std::string& data) {
  ImportantFileWriter::WriteFileAtomically(path, data);
}

}  // namespace

ImportantFileWriter::ImportantFileWriter(
    const FilePath& path, scoped_refptr<SequencedTaskRunner> task_runner)
    : path_(path),
      task_runner_(std::move(task_runner)),
      commit_interval_(TimeDelta::FromSeconds(kCommitIntervalSeconds)) {}

ImportantFileWriter::~ImportantFileWriter() = default;

// static
bool ImportantFileWriter::WriteFileAtomically(const FilePath& path,
                                              StringPiece data) {
  // Same folder, so that the final rename never crosses volumes; named after
  // the target, so that the next write finds what a killed one left. A
  // failed write deletes it when |replacement| goes.
  ReplacementFile replacement;
  if (!replacement.Create(path)) {
    PLOG(ERROR) << "Cannot create a temporary file beside " << path.value();
    CountFailure(FAILED_CREATING);
    return false;
  }

  File& file = replacement.file();
  const size_t data_size = data.size();
  CHECK(data_size <= kMaxDataSize) << "Data too large to write: " << data_size;
  const int size = static_cast<int>(data_size);
  const int written = file.Write(0, data.data(), size);
  const DWORD write_error = written < 0 ? ::GetLastError() : ERROR_SUCCESS;
  if (written != size) {
    LOG(ERROR) << "Writing " << replacement.path().value()
               << " failed: wrote " << written << " of " << size << " bytes ("
               << logging::SystemErrorCodeToString(write_error) << ")";
    CountFailure(FAILED_WRITING);
    return false;
  }
  if (!::FlushFileBuffers(file.GetPlatformFile())) {
    PLOG(ERROR) << "Flushing " << replacement.path().value() << " failed";
    CountFailure(FAILED_FLUSHING);
    return false;
  }

  if (!replacement.ReplaceTarget()) {
    CountFailure(FAILED_RENAMING);
    return false;
  }
  return true;
}

bool ImportantFileWriter::HasPendingWrite() const {
  return commit_timer_.IsRunning();
}

void ImportantFileWriter::WriteNow(std::unique_ptr<std::string> data) {
  if (data->size() > kMaxDataSize) {
    LOG(ERROR) << "Not writing " << path_.value() << ": " << data->size()
               << " bytes are too many";
    return;
  }
  if (commit_timer_.IsRunning())
    commit_timer_.Stop();

  // A refused task is released by the runner; this copy keeps the data for
  // writing here instead.
  Closure task = Bind(&WriteDataTask, path_, std::move(*data));
  if (!task_runner_->PostTask(FROM_HERE, task)) {
    LOG(WARNING) << "The writer's task runner refused the write of "
                 << path_.value() << "; writing on this thread";
    task.Run();
  }
}

void ImportantFileWriter::ScheduleWrite(DataSerializer* serializer) {
  serializer_ = serializer;
  if (commit_timer_.IsRunning())
    return;
  // Without a loop on this thread no timer can run, so every change is
  // written at once. Said once: a store changes often.
  if (!ThreadTaskRunnerHandle::IsSet()) {
    if (!said_writing_at_once_) {
      LOG(WARNING) << "No task runner on this thread to batch the writes of "
                   << path_.value() << "; every change is written at once";
      said_writing_at_once_ = true;
    }
    DoScheduledWrite();
    return;
  }
  if (!commit_timer_.Start(FROM_HERE, commit_interval_,
                           Bind(&ImportantFileWriter::DoScheduledWrite,
                                Unretained(this)))) {
    // Without a timer the change would never reach the disk. The timer has
    // logged why it could not start.
    DoScheduledWrite();
  }
}

void ImportantFileWriter::DoScheduledWrite() {
  // Also when called directly: a timer still running would later commit
  // with no serializer.
  commit_timer_.Stop();
  DataSerializer* serializer = serializer_;
  serializer_ = nullptr;
  if (!serializer)
    return;
  std::unique_ptr<std::string> data(new std::string);
  if (!serializer->SerializeData(data.get())) {
    LOG(WARNING) << "Nothing to write to " << path_.value()
                 << ": the data could not be serialized";
    return;
  }
  WriteNow(std::move(data));
}

}  // namespace base
