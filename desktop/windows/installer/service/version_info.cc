#include "desktop/windows/installer/service/version_info.h"

#include "base/build_channel.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/product_settings.h"

namespace installer {

namespace {

// This build's constants; another build carries its own.
const char kStreamName[] = "developer";
const char kQuarliumVersion[] = "58.0.3013.3";
const char kBuildTimestamp[] = "20170303_190015";
const int kBuildNumberPart = 2522;
const int kPatchNumber = 0;
const int kMajorVersionBase = 45;
const int kReportedBuildNumber = 812032;
const int kBuildCounter = 284921;

const size_t kIdentifierDateLength = 8;
const size_t kIdentifierCounterLength = 6;

// Build channels whose crash reports go to a channel of their own name.
const int kDeveloperBuildChannel = 2;
const int kStableBuildChannel = 4;

}  // namespace

// static
std::string VersionInfo::GetStreamName() { return kStreamName; }

// static
std::string VersionInfo::GetBuildTimestamp() { return kBuildTimestamp; }

// static
int VersionInfo::GetQuarliumMajorVersion() {
  base::StringPiece version(kQuarliumVersion);
  int major = 0;
  base::StringToInt(version.substr(0, version.find('.')), &major);
  return major;
}

// static
std::string VersionInfo::GetBuildPatchString() {
  return base::StringPrintf("%d.%d", kBuildNumberPart, kPatchNumber);
}

// static
std::string VersionInfo::GetEditionString() {
  return " (Edition " + GetStreamName() + ")";
}

// static
std::string VersionInfo::GetVisibleNameWithStream() {
  return ProductSettings::GetVisibleProductName() + " " + GetStreamName();
}

// static
std::string VersionInfo::GetProductName() {
  return ProductSettings::GetProductName();
}

// static
std::string VersionInfo::GetUserAgentName() {
  return ProductSettings::GetUserAgentName();
}

// static
int VersionInfo::GetMajorVersion() {
  return ProductSettings::GetMajorDelta() + kMajorVersionBase;
}

// static
std::string VersionInfo::GetFullVersion() {
  int minor = ProductSettings::UseQuarliumMajorForMinor()
                  ? GetQuarliumMajorVersion()
                  : 0;
  return base::StringPrintf("%d.%d.%d.%d", GetMajorVersion(), minor,
                            kBuildNumberPart, kPatchNumber);
}

// static
std::string VersionInfo::GetVersion() { return GetFullVersion(); }

// static
int VersionInfo::GetBuildNumber() { return kReportedBuildNumber; }

// static
int VersionInfo::GetBuildCounter() { return kBuildCounter; }

std::wstring GetBuildIdentifier() {
  return internal::MakeBuildIdentifier(VersionInfo::GetBuildCounter(),
                                       base::ASCIIToWide(kBuildTimestamp));
}

std::wstring GetCrashReportChannelName() {
  switch (base::GetBuildChannel()) {
  case kDeveloperBuildChannel:
    return L"nightly";
  case kStableBuildChannel:
    return L"release";
  default:
    return base::ASCIIToWide(VersionInfo::GetStreamName());
  }
}

std::wstring GetSymbolsPackageName(base::StringPiece16 process_name) {
  return process_name == L"browser_tests" ? L"tests-syms" : L"browser-syms";
}

namespace internal {

std::wstring MakeBuildIdentifier(int counter, base::StringPiece16 timestamp) {
  std::wstring digits = base::IntToWideString(counter);
  if (digits.size() < kIdentifierCounterLength)
    digits.insert(0, kIdentifierCounterLength - digits.size(), L'0');
  else
    digits.erase(0, digits.size() - kIdentifierCounterLength);
  std::wstring date = timestamp.as_string();
  date.resize(kIdentifierDateLength, L'0');
  return date + digits;
}

}  // namespace internal

}  // namespace installer
