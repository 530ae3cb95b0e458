// Speed of copying a package into an existing installation through one
// Transaction of CopyFileOperations (each moves the old file aside, the
// commit deletes the backups), side by side with a plain CopyFileW loop that
// overwrites the same files.
//
//   transaction_benchmark            1,000 files, about 100 MB; half a minute
//   transaction_benchmark --smoke    50 files, about 2 MB; a few seconds
//
// The package has mixed sizes, as a browser's has: many small resources,
// fewer libraries of a few hundred kilobytes, a handful of large ones, in
// a few folders. Rounds interleave the two ways (the order alternates), and
// each way's best round counts. Both runs must leave the package's bytes at
// every destination and no backup behind; a run that does not fails.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/machine_snapshot.h"
#include "testing/scoped_test_folder.h"

namespace {

struct Package {
  std::wstring folder;
  std::vector<std::wstring> files;  // Relative paths.
  size_t total_bytes = 0;
};

constexpr int kFolders = 8;

// Writes |count| files of about |total_bytes| together below |folder|.
Package MakePackage(const std::wstring& folder, int count, size_t total_bytes) {
  std::mt19937 random(7);
  std::vector<double> weights;
  double weight_sum = 0;
  for (int i = 0; i < count; ++i) {
    const int kind = static_cast<int>(random() % 100);
    double size;
    if (kind < 70)
      size = 1 + random() % 32;  // Resources: 1-32 units.
    else if (kind < 95)
      size = 64 + random() % 448;  // Libraries: 64-512 units.
    else
      size = 1024 + random() % 3072;  // The large ones.
    weights.push_back(size);
    weight_sum += size;
  }
  Package package;
  package.folder = folder;
  for (int i = 0; i < kFolders; ++i) {
    ::CreateDirectoryW((folder + L"\\d" + std::to_wstring(i)).c_str(), nullptr);
  }
  std::string contents;
  for (int i = 0; i < count; ++i) {
    const size_t size = std::max<size_t>(
        1, static_cast<size_t>(weights[i] / weight_sum * total_bytes));
    contents.resize(size);
    for (char& c : contents) c = static_cast<char>(random());
    std::wstring name = L"f" + std::to_wstring(i) + L".bin";
    // A quarter of the files lie at the top, the rest in the folders.
    if (i % 4 != 0) name = L"d" + std::to_wstring(i % kFolders) + L"\\" + name;
    if (!testing_support::WriteFileForTest(folder + L"\\" + name, contents)) {
      fprintf(stderr, "Cannot write the package\n");
      exit(1);
    }
    package.files.push_back(name);
    package.total_bytes += size;
  }
  return package;
}

// An existing installation: every package file is there already, so each
// copy replaces one.
bool MakeInstallation(const Package& package, const std::wstring& folder) {
  for (int i = 0; i < kFolders; ++i) {
    ::CreateDirectoryW((folder + L"\\d" + std::to_wstring(i)).c_str(), nullptr);
  }
  for (const std::wstring& file : package.files) {
    if (!testing_support::WriteFileForTest(folder + L"\\" + file, "old"))
      return false;
  }
  return true;
}

bool CopyThroughTransaction(const Package& package,
                            const std::wstring& destination) {
  installer::Transaction transaction;
  for (const std::wstring& file : package.files) {
    std::unique_ptr<installer::Operation> operation;
    installer::CreateCopyFileOperation(
        base::FilePath(package.folder + L"\\" + file),
        base::FilePath(destination + L"\\" + file), &operation);
    if (!transaction.Execute(std::move(operation))) {
      transaction.Rollback();
      return false;
    }
  }
  return true;  // Committed here: the backups go.
}

bool CopyPlainly(const Package& package, const std::wstring& destination) {
  for (const std::wstring& file : package.files) {
    if (!::CopyFileW((package.folder + L"\\" + file).c_str(),
                     (destination + L"\\" + file).c_str(), FALSE)) {
      return false;
    }
  }
  return true;
}

// Whether |destination| holds exactly the package's files and folders.
bool HoldsPackage(const Package& package, const std::wstring& destination) {
  testing_support::MachineSnapshot expected, copied;
  if (!expected.AddFolderTree(L"installation", package.folder) ||
      !copied.AddFolderTree(L"installation", destination)) {
    fprintf(stderr, "%s%s\n", expected.error().c_str(), copied.error().c_str());
    return false;
  }
  if (expected != copied) {
    std::string differences = DescribeDifferences(expected, copied);
    fprintf(stderr, "The copy differs from the package:\n%.2000s\n",
            differences.c_str());
    return false;
  }
  return true;
}

using Clock = std::chrono::steady_clock;

double Seconds(bool (*copy)(const Package&, const std::wstring&),
               const Package& package, const std::wstring& destination,
               bool* ok) {
  Clock::time_point start = Clock::now();
  *ok = copy(package, destination) && *ok;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const bool smoke = argc > 1 && strcmp(argv[1], "--smoke") == 0;
  const int kFiles = smoke ? 50 : 1000;
  const size_t kBytes = smoke ? 2000000 : 100000000;
  const int kRounds = smoke ? 2 : 5;

  testing_support::ScopedTestFolder package_folder;
  testing_support::ScopedTestFolder ours_folder;
  testing_support::ScopedTestFolder plain_folder;
  const Package package = MakePackage(package_folder.path(), kFiles, kBytes);
  if (!MakeInstallation(package, ours_folder.path()) ||
      !MakeInstallation(package, plain_folder.path())) {
    fprintf(stderr, "Cannot write the installations\n");
    return 1;
  }

  bool ok = true;
  double ours = 1e30;
  double plain = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    // The way that runs second may find more of the package in the cache:
    // take turns.
    if (round % 2 == 0) {
      ours = std::min(ours, Seconds(&CopyThroughTransaction, package,
                                    ours_folder.path(), &ok));
      plain = std::min(
          plain, Seconds(&CopyPlainly, package, plain_folder.path(), &ok));
    } else {
      plain = std::min(
          plain, Seconds(&CopyPlainly, package, plain_folder.path(), &ok));
      ours = std::min(ours, Seconds(&CopyThroughTransaction, package,
                                    ours_folder.path(), &ok));
    }
  }
  if (!ok) fprintf(stderr, "A copy failed\n");
  ok = ok && HoldsPackage(package, ours_folder.path()) &&
       HoldsPackage(package, plain_folder.path());

  const double megabytes = package.total_bytes / 1e6;
  printf("Copying %d files, %.1f MB, over an existing installation (best of "
         "%d rounds)\n",
         kFiles, megabytes, kRounds);
  printf("%-24s %9s %9s %9s\n", "way", "seconds", "MB/s", "files/s");
  printf("%-24s %9.3f %9.1f %9.0f\n", "Transaction of copies", ours,
         megabytes / ours, kFiles / ours);
  printf("%-24s %9.3f %9.1f %9.0f\n", "CopyFileW loop", plain,
         megabytes / plain, kFiles / plain);
  printf("\nRatio ours / plain speed (goal >= 0.9): %.2f\n", plain / ours);
  return ok ? 0 : 1;
}
