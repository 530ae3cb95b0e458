#include "base/json/json_file_value_serializer.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/files/file_test_util.h"
#include "base/json/json_reader.h"
#include "base/json/json_test_support.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

class JSONFileValueDeserializerTest : public test::FileTestBase {
 protected:
  // Deserializes |path| and expects failure with |code| and |message|.
  void ExpectReadError(const FilePath& path, int code, const char* message) {
    JSONFileValueDeserializer deserializer(path, 0);
    int error_code = 0;
    std::string error_message;
    EXPECT_FALSE(deserializer.Deserialize(&error_code, &error_message));
    EXPECT_EQ(code, error_code);
    EXPECT_EQ(message, error_message);
    EXPECT_EQ(0u, deserializer.get_last_read_size());
  }
};

TEST_F(JSONFileValueDeserializerTest, ReadsWholeFileAndKeepsReaderCodes) {
  // Larger than one read chunk, so the chunks must join up.
  std::string json = "[\"" + std::string(200000, 'x') + "\",1]";
  JSONFileValueDeserializer whole(MakeFile(L"prefs.json", json), 0);
  std::unique_ptr<Value> value = whole.Deserialize(nullptr, nullptr);
  ASSERT_TRUE(value);
  EXPECT_EQ(json.size(), whole.get_last_read_size());
  EXPECT_EQ(json, WriteJson(*value));

  // Another handle writing the file, with sharing, does not stop the read.
  ScopedHandle writing(::CreateFileW(
      MakeFile(L"open.json", "[2]").value().c_str(), GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writing.IsValid());
  EXPECT_TRUE(JSONFileValueDeserializer(Path(L"open.json"), 0)
                  .Deserialize(nullptr, nullptr));

  JSONFileValueDeserializer broken(MakeFile(L"broken.json", "{\n\"a\":1,\n}"),
                                   0);
  int code = 0;
  std::string message;
  EXPECT_FALSE(broken.Deserialize(&code, &message));
  EXPECT_EQ(JSONReader::JSON_TRAILING_COMMA, code);
  EXPECT_EQ("Line: 3, column: 2, Trailing comma not allowed.", message);
  EXPECT_EQ(10u, broken.get_last_read_size());

  JSONFileValueDeserializer empty(MakeFile(L"empty.json", ""), 0);
  EXPECT_FALSE(empty.Deserialize(&code, nullptr));
  EXPECT_EQ(JSONReader::JSON_UNEXPECTED_TOKEN, code);
}

TEST_F(JSONFileValueDeserializerTest, EachReadFailureHasItsCode) {
  MakeFile(L"prefs.json", "{}");
  MakeDir(L"sub");
  MakeDir(L"folder.json");
  ScopedHandle holder(test::HoldOpenForTest(MakeFile(L"held.json", "{}"), 0));
  ASSERT_TRUE(holder.IsValid());
  using Deserializer = JSONFileValueDeserializer;
  const struct {
    const wchar_t* name;
    int code;
    const char* message;
  } kCases[] = {
      {L"missing.json", Deserializer::JSON_NO_SUCH_FILE, "File doesn't exist."},
      {L"no_folder\\missing.json", Deserializer::JSON_NO_SUCH_FILE,
       "File doesn't exist."},
      // Held without sharing.
      {L"held.json", Deserializer::JSON_FILE_LOCKED, "File locked."},
      {L"folder.json", Deserializer::JSON_ACCESS_DENIED, "Access denied."},
      // The file exists, but paths that climb to a parent are refused.
      {L"sub\\..\\prefs.json", Deserializer::JSON_CANNOT_READ_FILE,
       "Can't read file."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    ExpectReadError(Path(c.name), c.code, c.message);
  }
}

TEST_F(JSONFileValueDeserializerTest, LockedRangeIsLocked) {
  FilePath path = MakeFile(L"range.json", "{\"a\":1}");
  ScopedHandle holder(::CreateFileW(
      path.value().c_str(), GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.IsValid());
  OVERLAPPED overlapped = {};
  ASSERT_TRUE(::LockFileEx(holder.Get(),
                           LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                           0, 100, 0, &overlapped));
  // Windows refuses reads of a range another handle has locked; Wine's
  // locks do not stop ReadFile.
  ScopedHandle probe(
      test::HoldOpenForTest(path, FILE_SHARE_READ | FILE_SHARE_WRITE));
  char byte = 0;
  DWORD read = 0;
  if (::ReadFile(probe.Get(), &byte, 1, &read, nullptr)) {
    ::UnlockFileEx(holder.Get(), 0, 100, 0, &overlapped);
    GTEST_SKIP() << "Byte-range locks do not stop reads on this system";
  }
  ExpectReadError(path, JSONFileValueDeserializer::JSON_FILE_LOCKED,
                  "File locked.");
  ::UnlockFileEx(holder.Get(), 0, 100, 0, &overlapped);
}

}  // namespace
}  // namespace base
