#include "desktop/windows/installer/service/scheduled_task.h"

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/version_info.h"

namespace installer {

namespace {

const wchar_t kScheduledInfix[] = L" scheduled ";
const wchar_t kJobFileExtension[] = L".job";

}  // namespace

ScheduledTask::ScheduledTask(const base::CommandLine& command_line)
    : command_line(command_line) {}

std::wstring GetScheduledTaskName(base::StringPiece16 name) {
  std::wstring full_name = base::UTF8ToWide(VersionInfo::GetProductName());
  full_name += kScheduledInfix;
  full_name.append(name.data(), name.size());
  return full_name;
}

std::wstring StripJobFileExtension(base::StringPiece16 registered_name) {
  if (base::EndsWith(registered_name, kJobFileExtension,
                     base::CompareCase::INSENSITIVE_ASCII)) {
    registered_name = registered_name.substr(
        0, registered_name.size() - (std::size(kJobFileExtension) - 1));
  }
  return registered_name.as_string();
}

bool IsProductScheduledTaskName(base::StringPiece16 registered_name) {
  const std::wstring name = StripJobFileExtension(registered_name);
  const std::wstring prefix = GetScheduledTaskName(L"");
  return name.size() > prefix.size() &&
         name.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace installer
