#include "desktop/windows/installer/service/reg_op.h"

#include <cstring>
#include <vector>

#include "base/build_channel.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

namespace installer {

namespace {

HKEY RootOf(RegOpRoot filter) {
  switch (filter) {
  case RegOpRoot::kLocalMachine:
    return HKEY_LOCAL_MACHINE;
  case RegOpRoot::kCurrentUser:
    return HKEY_CURRENT_USER;
  case RegOpRoot::kAnyRoot:
    break;
  }
  return nullptr;
}

}  // namespace

RegOp::RegOp(const RegOpRecord& record, PlaceholderResolver* resolver)
    : record_(record), resolver_(resolver) {}

std::wstring RegOp::ExpandPlaceholders(const wchar_t* text) const {
  return installer::ExpandPlaceholders(text, resolver_);
}

bool RegOp::Applies(HKEY root) const {
  if (base::win::WindowsVersionInfo::GetInstance()->version <
      record_.min_windows_version) {
    return false;
  }
  const HKEY only_root = RootOf(record_.root_filter);
  if (only_root && only_root != root) return false;
  return record_.min_channel <= base::GetBuildChannel();
}

bool RegOp::CreateOperation(HKEY root,
                            std::unique_ptr<Operation>* operation) const {
  operation->reset();
  if (!Applies(root)) return true;

  const REGSAM view_flags = record_.view_flags;
  if (record_.type == kRegOpDeleteKey) {
    CreateDeleteRegKeyOperation(root, ExpandPlaceholders(record_.key),
                                view_flags, operation);
    return true;
  }

  // The bytes handed to the operation; it copies them.
  std::vector<uint8_t> data;
  switch (record_.type) {
  case REG_DWORD: {
    const uint64_t number = record_.data.number;
    CHECK(number <= 0xFFFFFFFFu)
        << "REG_DWORD row under " << record_.key << " holds " << number;
    const uint32_t dword = static_cast<uint32_t>(number);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&dword);
    data.assign(bytes, bytes + sizeof(dword));
    break;
  }
  case REG_BINARY:
    if (record_.data.bytes) {
      data.assign(record_.data.bytes,
                  record_.data.bytes + std::strlen(record_.data.bytes));
    }
    break;
  case REG_SZ:
  case REG_EXPAND_SZ: {
    const std::wstring text = ExpandPlaceholders(record_.data.text);
    // An empty text is written without data bytes.
    if (!text.empty()) {
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
      data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    }
    break;
  }
  case REG_NONE:
  case kRegOpDeleteValue:
    break;
  default:
    LOG(ERROR) << "Invalid registry type " << record_.type << " for "
               << record_.key;
    return false;
  }

  const std::wstring key = ExpandPlaceholders(record_.key);
  const std::wstring value_name = ExpandPlaceholders(record_.value_name);
  InstallLogRegistry* install_log =
      resolver_->GetInstallLogRegistryForRoot(root);
  const uint32_t size = static_cast<uint32_t>(data.size());
  CreateChangeRegValueOperation(root, key, value_name, data.data(),
                                static_cast<DWORD>(record_.type), size,
                                view_flags, operation);
  if (install_log && record_.type != kRegOpDeleteValue) {
    RecordRegistryValue(install_log, key, value_name, data.data(),
                        static_cast<uint32_t>(record_.type), size,
                        record_.clean_mode);
  }
  return true;
}

}  // namespace installer
