#include "desktop/windows/installer/service/transactions/move_file_operation.h"

#include "base/files/file_util.h"
#include "base/logging.h"

namespace installer {

MoveFileOperation::MoveFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination)
    : source_(source), destination_(destination) {}

MoveFileOperation::~MoveFileOperation() = default;

bool MoveFileOperation::Execute(Transaction* nested) {
  if (!PrepareDestination(destination_, nested))
    return false;
  VLOG(1) << "Moving " << source_.value() << "to" << destination_.value();
  if (!source_read_only_.Clear(source_))
    PLOG(ERROR) << "Couldn't clear RO attribute of " << source_.value();
  base::MoveOutcome outcome = base::MoveOutcome::kNotMoved;
  if (!base::MovePathUnchecked(source_, destination_, &outcome)) {
    if (outcome == base::MoveOutcome::kCopiedSourceLeft) {
      PLOG(ERROR) << "File copy failed: the complete copy is at "
                  << destination_.value() << ", part of "
                  << source_.value() << " is left";
    } else {
      PLOG(ERROR) << "File copy failed (" << source_.value() << " to "
                  << destination_.value() << ")";
    }
    return false;
  }
  VLOG(1) << "File copied successfully";
  moved_ = true;
  return true;
}

void MoveFileOperation::Rollback() {
  if (moved_) {
    // Cleared first: whatever the outcome, a second rollback must not move
    // anything again.
    moved_ = false;
    base::MoveOutcome outcome = base::MoveOutcome::kNotMoved;
    if (!base::MovePathUnchecked(destination_, source_, &outcome)) {
      PLOG(ERROR) << "Failed to move " << destination_.value() << " back to "
                  << source_.value()
                  << (outcome == base::MoveOutcome::kCopiedSourceLeft
                          ? "; the complete copy is back, part of the "
                            "destination is left"
                          : "; it stays at the destination");
    }
  }
  source_read_only_.Restore(source_);
}

void CreateMoveFileOperation(const base::FilePath& source,
                             const base::FilePath& destination,
                             std::unique_ptr<Operation>* operation) {
  operation->reset(new MoveFileOperation(source, destination));
}

}  // namespace installer
