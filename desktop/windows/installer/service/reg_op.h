// One declarative registry change. Tables of RegOpRecord rows name a key, a
// value, its type and data, and when the row applies; a RegOp binds a row to
// the PlaceholderResolver that expands its "{name}" placeholders and turns it
// into one undoable operation for a Transaction.
//
//   for (const RegOpRecord& record : kSetLastInstallPathRegOp) {
//     std::unique_ptr<Operation> operation;
//     if (!RegOp(record, &resolver).CreateOperation(root, &operation))
//       return false;   // A broken row.
//     if (!operation)
//       continue;       // The row does not apply here.
//     if (!transaction.Execute(std::move(operation))) {
//       transaction.Rollback();
//       return false;
//     }
//   }
//
// Values are recorded in the resolver's install log when their operation is
// created, so a later rollback leaves them recorded.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_H_

#include <stdint.h>

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>

#include "base/win/windows_types.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/placeholders.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// Row types beside the Windows value types REG_NONE, REG_SZ, REG_EXPAND_SZ,
// REG_BINARY and REG_DWORD. Deletes the value:
constexpr int32_t kRegOpDeleteValue = -1;
// Deletes the key with its whole subtree.
constexpr int32_t kRegOpDeleteKey = -2;

// A row's data, read by its type: |text| for REG_SZ and REG_EXPAND_SZ (may
// hold placeholders), |bytes| for REG_BINARY (the characters without the
// terminator are the value), |number| for REG_DWORD (must fit 32 bits).
// Built implicitly from a literal, so a row reads L"text", "bytes" or 32.
union RegOpData {
  constexpr RegOpData() : number(0) {}
  constexpr RegOpData(std::nullptr_t) : text(nullptr) {}
  constexpr RegOpData(const wchar_t* text) : text(text) {}
  constexpr RegOpData(const char* bytes) : bytes(bytes) {}
  template <typename Number,
            typename = std::enable_if_t<std::is_integral<Number>::value>>
  constexpr RegOpData(Number number) : number(static_cast<uint64_t>(number)) {}

  const wchar_t* text;
  const char* bytes;
  uint64_t number;
};

// The only root a row applies under; kAnyRoot for every root.
enum class RegOpRoot : int32_t {
  kAnyRoot,
  kLocalMachine,
  kCurrentUser,
};

// One table row. The rows of a table are constants.
struct RegOpRecord {
  // Below the root; may hold placeholders.
  const wchar_t* key;
  // Null for the key's default value; may hold placeholders.
  const wchar_t* value_name;
  // A REG_* type up to REG_DWORD, kRegOpDeleteValue or kRegOpDeleteKey.
  int32_t type;
  RegOpData data;
  // The row applies from this Windows release on.
  base::win::WindowsVersion min_windows_version;
  RegOpRoot root_filter;
  // The row applies when this is not above base::GetBuildChannel().
  int32_t min_channel;
  // Copied into the install log: what the uninstallation removes.
  int32_t clean_mode;
  // 0, or KEY_WOW64_32KEY for the 32-bit view.
  uint32_t view_flags;
};

class RegOp {
 public:
  // |resolver| is not owned and must outlive this object.
  RegOp(const RegOpRecord& record, PlaceholderResolver* resolver);

  // Empties |*operation|, then fills it with the row's operation for |root|
  // and records the value in the resolver's install log for |root|. Returns
  // true with no operation when the row does not apply (Windows release,
  // root, build channel), and false only for a row of an invalid type.
  // A REG_DWORD number above 32 bits is a broken table and stops the
  // process.
  bool CreateOperation(HKEY root, std::unique_ptr<Operation>* operation) const;

  // ExpandPlaceholders() through this row's resolver.
  std::wstring ExpandPlaceholders(const wchar_t* text) const;

 private:
  bool Applies(HKEY root) const;

  const RegOpRecord record_;
  PlaceholderResolver* const resolver_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_H_
