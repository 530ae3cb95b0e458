#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/transactions/access_control.h"

namespace installer {

namespace {

// FILE_GENERIC_WRITE | DELETE: enough to move the file aside.
constexpr ACCESS_MASK kDeleteAccess = FILE_GENERIC_WRITE | DELETE;

// Below this length the system's own path rules hold; longer paths need the
// "\\?\" form.
constexpr size_t kMaxShortPath = MAX_PATH;

bool IsLibraryOrProgram(const base::FilePath& path) {
  const std::wstring extension = path.Extension();
  return base::FilePath::CompareIgnoreCase(extension, L".exe") == 0 ||
         base::FilePath::CompareIgnoreCase(extension, L".dll") == 0;
}

// |path| in the form that lifts the length limit.
std::wstring ToExtendedLengthPath(const base::FilePath& path) {
  const std::wstring& value = path.value();
  if (value.compare(0, 4, L"\\\\?\\") == 0)
    return value;
  if (value.compare(0, 2, L"\\\\") == 0)
    return L"\\\\?\\UNC\\" + value.substr(2);
  return L"\\\\?\\" + value;
}

}  // namespace

DeleteFileOperation::DeleteFileOperation(const base::FilePath& path,
                                         bool check_in_use,
                                         bool remove_empty_parents)
    : path_(path),
      check_in_use_(check_in_use),
      remove_empty_parents_(remove_empty_parents) {}

DeleteFileOperation::~DeleteFileOperation() {
  if (!moved_)
    return;
  VLOG(1) << "Actual removal of " << backup_path_.value();
  if (!base::DeleteFileOrTree(backup_path_, true)) {
    // Whatever cannot go now (a file held open) goes at the next restart.
    // Long paths are handed over in the extended form that the plain
    // deletion refuses.
    std::wstring backup = backup_path_.value().size() < kMaxShortPath
                              ? backup_path_.value()
                              : ToExtendedLengthPath(backup_path_);
    if (!::MoveFileExW(backup.c_str(), nullptr,
                       MOVEFILE_REPLACE_EXISTING |
                           MOVEFILE_DELAY_UNTIL_REBOOT)) {
      PLOG(ERROR) << "Failed to remove " << backup_path_.value()
                  << " now or at the next restart";
    }
  }
  if (!remove_empty_parents_)
    return;
  for (base::FilePath folder = path_.DirName();
       ::RemoveDirectoryW(folder.value().c_str());) {
    base::FilePath parent = folder.DirName();
    if (parent == folder)
      break;
    folder = parent;
  }
}

bool DeleteFileOperation::Execute(Transaction* /*nested*/) {
  VLOG(1) << "Preparing file " << path_.value() << " for removal";
  if (::GetFileAttributesW(path_.value().c_str()) == INVALID_FILE_ATTRIBUTES) {
    VLOG(1) << "File does not exist. Nothing to do";
    return true;
  }

  backup_path_ = path_.AddExtension(
      L"." + std::to_wstring(base::Time::Now().ToTimeT()) + L".old");
  // Moving onto an existing backup would replace it: another operation's
  // saved file would be lost.
  if (::GetFileAttributesW(backup_path_.value().c_str()) !=
      INVALID_FILE_ATTRIBUTES) {
    LOG(ERROR) << "Temporary file with name" << backup_path_.value()
               << "already exists";
    return false;
  }

  // The access check costs as much as the move itself, so it is made only
  // when the move is refused; the outcome is the same either way.
  if (!base::MovePathUnchecked(path_, backup_path_)) {
    const DWORD move_error = ::GetLastError();
    if (move_error != ERROR_ACCESS_DENIED ||
        HasAccess(path_.value(), SE_FILE_OBJECT, kDeleteAccess)) {
      LOG(ERROR) << "File removal failed for " << path_.value() << ": "
                 << logging::SystemErrorCodeToString(move_error);
      return false;
    }
    std::unique_ptr<SavedAcl> unused;
    if (!GrantAccess(path_.value(), SE_FILE_OBJECT, kDeleteAccess,
                     /*permanent=*/true, &unused)) {
      const DWORD error = ::GetLastError();
      LOG(ERROR) << "Cannot obtain proper permissions on the file "
                 << path_.value() << ": "
                 << logging::SystemErrorCodeToString(error);
      return false;
    }
    if (!base::MovePathUnchecked(path_, backup_path_)) {
      PLOG(ERROR) << "File removal failed for " << path_.value();
      return false;
    }
  }
  VLOG(1) << "File moved successfully to " << backup_path_.value();

  if (check_in_use_ && IsLibraryOrProgram(path_)) {
    // A running program or loaded library is open without write sharing:
    // the move succeeds, but the file would stay in use.
    base::win::ScopedHandle file(::CreateFileW(
        backup_path_.value().c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      PLOG(ERROR) << "Attempt to open the file for writing failed";
      MoveBack();
      LOG(ERROR) << "File removal failed: " << path_.value() << " is in use";
      return false;
    }
  }
  moved_ = true;
  return true;
}

void DeleteFileOperation::Rollback() {
  if (!moved_)
    return;
  // Cleared whatever the outcome: should the move back fail, the commit
  // must not delete the only copy.
  moved_ = false;
  MoveBack();
}

void DeleteFileOperation::MoveBack() {
  if (!base::MovePathUnchecked(backup_path_, path_)) {
    PLOG(ERROR) << "Failed to move " << backup_path_.value() << " back to "
                << path_.value() << "; the file stays there";
  }
}

void CreateDeleteFileOperation(const base::FilePath& path, bool check_in_use,
                               bool remove_empty_parents,
                               std::unique_ptr<Operation>* operation) {
  operation->reset(
      new DeleteFileOperation(path, check_in_use, remove_empty_parents));
}

void NewDeleteFileOperation(const base::FilePath& path, bool check_in_use,
                            bool remove_empty_parents,
                            std::unique_ptr<Operation>* operation) {
  CreateDeleteFileOperation(path, check_in_use, remove_empty_parents,
                            operation);
}

}  // namespace installer
