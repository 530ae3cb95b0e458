// A record of the machine state a test changes: folder trees (every folder,
// every file's bytes and attributes) and registry subtrees (every key with
// its owner, group and DACL as SDDL, every value's name, type and data).
// Two snapshots taken before and after a change that should have been undone
// must compare equal; when they do not, DescribeDifferences names each entry
// that was added, removed or changed.
//
//   MachineSnapshot before;
//   ASSERT_TRUE(before.AddFolderTree(L"install", folder.path()));
//   ASSERT_TRUE(before.AddRegistryTree(L"HKLM32", HKEY_LOCAL_MACHINE,
//                                      L"Software\\Velto", KEY_WOW64_32KEY));
//   ... change, then roll back ...
//   MachineSnapshot after;  // The same trees under the same labels.
//   EXPECT_TRUE(before == after) << DescribeDifferences(before, after);
//
// Entries are stored by label and relative path, so the trees of two
// different test folders or sandboxes compare equal when their contents do.
// A missing key is recorded as missing, a missing folder as empty; links are
// recorded with their attributes and never entered.
#ifndef TESTING_MACHINE_SNAPSHOT_H_
#define TESTING_MACHINE_SNAPSHOT_H_

#include <map>
#include <string>

#include "base/win/windows_types.h"

namespace testing_support {

class MachineSnapshot {
 public:
  // Records |folder| and everything below it under |label|. False, with the
  // reason in error(), when a file cannot be read.
  bool AddFolderTree(const std::wstring& label, const std::wstring& folder);

  // Records the key |path| of |root| and its whole subtree, opened in |view|
  // (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY), under |label|. Keys need
  // KEY_READ for the snapshot. False, with the reason in error(), when a key
  // or value cannot be read.
  bool AddRegistryTree(const std::wstring& label, HKEY root,
                       const std::wstring& path, REGSAM view);

  // The first failure of an Add call, empty when none failed.
  const std::string& error() const { return error_; }

  bool operator==(const MachineSnapshot& other) const {
    return entries_ == other.entries_;
  }
  bool operator!=(const MachineSnapshot& other) const {
    return !(*this == other);
  }

  // One line per difference, "-" for an entry only in |before|, "+" for one
  // only in |after|, "~" for one that changed (with both descriptions and
  // whether the data differ); empty when equal.
  friend std::string DescribeDifferences(const MachineSnapshot& before,
                                         const MachineSnapshot& after);

 private:
  struct Entry {
    // What the entry is, with its attributes, type or security descriptor.
    std::string description;
    // File contents or value data.
    std::string data;
    bool operator==(const Entry& other) const {
      return description == other.description && data == other.data;
    }
  };

  bool AddKey(const std::wstring& location, HKEY key, REGSAM view);
  bool Fail(const std::string& what, const std::wstring& where, DWORD error);

  // By location: the label, then the relative path.
  std::map<std::wstring, Entry> entries_;
  std::string error_;
};

}  // namespace testing_support

#endif  // TESTING_MACHINE_SNAPSHOT_H_
