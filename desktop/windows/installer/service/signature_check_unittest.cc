#include "desktop/windows/installer/service/signature_check.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/memory_mapped_file.h"
#include "desktop/windows/installer/service/signature_pe_image.h"
#include "testing/child_process.h"
#include "testing/log_capture.h"
#include "testing/scoped_test_folder.h"

#include <wintrust.h>

namespace installer {
namespace {

using testing_support::ScopedTestFolder;
using testing_support::SelfFolder;
using testing_support::WriteFileForTest;

// Made in the build by testdata/make_signature_fixtures.sh, which says what
// each image is.
std::wstring Fixture(const std::wstring& name) {
  return SelfFolder() + L"\\signature_testdata\\" + name;
}

std::string ReadFixture(const std::wstring& name) {
  std::string bytes;
  EXPECT_TRUE(base::ReadFileToString(base::FilePath(Fixture(name)), &bytes));
  return bytes;
}

// Where the certificate-table entry of |image| and its table lie.
PeSignatureLayout LayoutOf(const std::string& image) {
  PeSignatureLayout layout;
  EXPECT_TRUE(ReadPeSignatureLayout(
      reinterpret_cast<const uint8_t*>(image.data()), image.size(), &layout));
  return layout;
}

// |image| with its certificate-table entry pointing into the middle of the
// image, where the bytes now begin like a certificate entry of the X.509
// kind as long as the table. The real table stays at the end of the file,
// in no table. Wine's WinTrust crashes on such a file.
std::string WithTableInsideImage(std::string image) {
  const PeSignatureLayout layout = LayoutOf(image);
  const uint32_t moved = layout.certificate_table_offset / 2;
  // dwLength, wRevision 2.0, wCertificateType WIN_CERT_TYPE_X509.
  const uint32_t header[] = {layout.certificate_table_size, 0x00010200};
  memcpy(&image[layout.certificate_entry_offset], &moved, sizeof(moved));
  memcpy(&image[moved], header, sizeof(header));
  return image;
}

// |image| with its one certificate entry typed |type| instead of PKCS #7
// signed data, and nothing else changed. Wine's WinTrust crashes on the
// X.509 type.
std::string WithCertificateType(std::string image, uint16_t type) {
  memcpy(&image[LayoutOf(image).certificate_table_offset + 6], &type,
         sizeof(type));
  return image;
}

// |image| with its table starting 16 bytes earlier, over the end of the
// image, as one entry typed |type| whose DER SEQUENCE reaches to the end of
// the file: a table framed soundly around bytes that are no signature.
std::string WithTableReachingBack(std::string image, uint16_t type) {
  const PeSignatureLayout layout = LayoutOf(image);
  const uint32_t table = layout.certificate_table_offset - 16;
  const uint32_t size = layout.certificate_table_size + 16;
  const uint32_t header[] = {size, 0x0200u | uint32_t{type} << 16};
  const uint32_t contents = size - 8 - 6;
  const uint8_t sequence[] = {0x30, 0x84,
                              static_cast<uint8_t>(contents >> 24),
                              static_cast<uint8_t>(contents >> 16),
                              static_cast<uint8_t>(contents >> 8),
                              static_cast<uint8_t>(contents)};
  const uint32_t entry[] = {table, size};
  memcpy(&image[layout.certificate_entry_offset], entry, sizeof(entry));
  memcpy(&image[table], header, sizeof(header));
  memcpy(&image[table + 8], sequence, sizeof(sequence));
  return image;
}

// Copies of the genuine images that only their certificate entry makes
// unsound: each must answer false before any WinTrust sees it.
std::vector<std::wstring> WriteUnsoundCopies(const std::wstring& folder) {
  std::vector<std::wstring> paths;
  for (const wchar_t* name : {L"expected", L"expected32"}) {
    const std::string image = ReadFixture(name + std::wstring(L".exe"));
    const std::pair<const wchar_t*, std::string> copies[] = {
        {L"_moved", WithTableInsideImage(image)},
        {L"_x509", WithCertificateType(image, WIN_CERT_TYPE_X509)},
        {L"_x509_reaching_back",
         WithTableReachingBack(image, WIN_CERT_TYPE_X509)},
        {L"_reserved_type", WithCertificateType(image, 3)},
    };
    for (const auto& copy : copies) {
      paths.push_back(folder + L"\\" + name + copy.first + L".exe");
      EXPECT_TRUE(WriteFileForTest(paths.back(), copy.second));
    }
  }
  return paths;
}

// The fixtures' root is the only one the chain check trusts in each test:
// the test prefix cannot be told to trust a root (certificates added to its
// root stores are not consulted).
class SignatureCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string root = ReadFixture(L"root.cer");
    roots_ = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    ASSERT_TRUE(::CertAddEncodedCertificateToStore(
        roots_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
        static_cast<DWORD>(root.size()), CERT_STORE_ADD_ALWAYS, nullptr));
  }
  static void TearDownTestSuite() { ::CertCloseStore(roots_, 0); }
  void SetUp() override {
    trusted_roots_.emplace(roots_);
    ASSERT_TRUE(trusted_roots_->IsValid());
  }

  // The signers of |path|'s embedded signature, checked against the bytes
  // of |image_path|, without WinTrust.
  static bool CheckSignersOf(const std::wstring& path,
                             const std::wstring& image_path) {
    DWORD encoding = 0;
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                            CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                            CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding,
                            nullptr, nullptr, &store, &message, nullptr)) {
      ADD_FAILURE() << "No signature in " << path.c_str();
      return false;
    }
    base::MemoryMappedFile image;
    EXPECT_TRUE(image.InitializeReadOnly(base::FilePath(image_path)));
    return CheckSignerNames(store, message, encoding, image.data(),
                            image.length());
  }

  static HCERTSTORE roots_;
  std::optional<internal::ScopedTrustedRootsForTesting> trusted_roots_;
};

HCERTSTORE SignatureCheckTest::roots_ = nullptr;

// Every file through the whole check, and every signed fixture through the
// signer walk alone as well, which must refuse by itself what some WinTrust
// implementations let through. The genuine fixtures pass the machine's own
// chain check, trusting only the fixtures' root. Nothing is logged, whatever
// the file.
TEST_F(SignatureCheckTest, ChecksEachFile) {
  ScopedTestFolder folder;
  const std::string expected = ReadFixture(L"expected.exe");
  const std::wstring cut = folder.path() + L"\\cut.exe";
  const std::wstring text = folder.path() + L"\\notes.txt";
  const std::wstring one_byte = folder.path() + L"\\one";
  const std::wstring empty = folder.path() + L"\\empty.exe";
  ASSERT_TRUE(WriteFileForTest(cut, expected.substr(0, expected.size() - 100)));
  ASSERT_TRUE(WriteFileForTest(text, "MZ Velto Software Ltd\r\n"));
  ASSERT_TRUE(WriteFileForTest(one_byte, "M"));
  ASSERT_TRUE(WriteFileForTest(empty, ""));

  struct Case {
    std::wstring path;
    bool is_pe;
    bool has_signature;
    bool passes;
  };
  std::vector<Case> cases;
  for (const wchar_t* name :
       {L"expected", L"expected32", L"expected_via_intermediate", L"nested",
        L"nested32", L"nested_depth3", L"nested_16_signers"}) {
    cases.push_back({Fixture(name + std::wstring(L".exe")), true, true, true});
  }
  for (const wchar_t* name :
       {L"other", L"nested_corrupted", L"nested_replayed", L"nested_rewritten",
        L"nested_untrusted", L"nested_rogue_root", L"expected_rogue_root",
        L"expected_not_code_signing", L"lower_case", L"longer_name",
        L"expected_data_type", L"expected_two_digests", L"nested_appended",
        L"nested_unknown_oid", L"expected_padded",
        L"nested_padded", L"nested_depth4", L"nested_depth5",
        L"nested_17_signers", L"tampered"}) {
    cases.push_back({Fixture(name + std::wstring(L".exe")), true, true, false});
  }
  cases.push_back({Fixture(L"unsigned.exe"), true, false, false});
  // A table framed soundly around a signature that is not one reaches
  // WinTrust, which must refuse it.
  const std::wstring junk = folder.path() + L"\\junk_signature.exe";
  ASSERT_TRUE(WriteFileForTest(
      junk, WithTableReachingBack(expected, WIN_CERT_TYPE_PKCS_SIGNED_DATA)));
  // Damaged copies, whose embedded signature only our own reader may read.
  std::vector<std::wstring> damaged = WriteUnsoundCopies(folder.path());
  damaged.push_back(cut);
  damaged.push_back(junk);
  for (const std::wstring& path : damaged)
    cases.push_back({path, true, true, false});
  for (const std::wstring& path :
       {text, one_byte, empty, folder.path() + L"\\missing.exe"}) {
    cases.push_back({path, false, false, false});
  }
  testing_support::LogCapture log;
  for (const Case& test : cases) {
    const base::FilePath path(test.path);
    bool has_signature = !test.has_signature;
    EXPECT_EQ(test.is_pe, IsSignedPeFile(path, &has_signature))
        << test.path.c_str();
    EXPECT_EQ(test.has_signature, test.is_pe && has_signature)
        << test.path.c_str();
    EXPECT_EQ(test.passes, VerifyFileSignature(path)) << test.path.c_str();
    if (test.has_signature &&
        std::find(std::begin(damaged), std::end(damaged), test.path) ==
            std::end(damaged)) {
      EXPECT_EQ(test.passes, CheckSignersOf(test.path, test.path))
          << test.path.c_str();
    }
  }
  EXPECT_EQ("", log.Text());
}

// A genuine nested signature counts only for the image it signed, and only
// while its root is trusted.
TEST_F(SignatureCheckTest, NestedSignerCountsOnlyForItsImageAndRoot) {
  ScopedTestFolder folder;
  std::string changed = ReadFixture(L"nested.exe");
  changed[0x50] ^= 1;
  const std::wstring changed_path = folder.path() + L"\\changed.exe";
  ASSERT_TRUE(WriteFileForTest(changed_path, changed));
  EXPECT_FALSE(CheckSignersOf(Fixture(L"nested.exe"), changed_path));

  // With the machine's own roots, the fixtures' root is trusted nowhere.
  trusted_roots_.reset();
  EXPECT_FALSE(CheckSignersOf(Fixture(L"nested.exe"), Fixture(L"nested.exe")));
}

std::vector<std::wstring>* g_trust_requests = nullptr;

LONG WINAPI RecordAndRefuse(HWND, GUID*, void* data) {
  g_trust_requests->push_back(
      static_cast<WINTRUST_DATA*>(data)->pFile->pcwszFilePath);
  return TRUST_E_NOSIGNATURE;
}

// WinTrust gets only images whose certificate table our own reader finds
// sound, and its refusal stands even for a genuine image.
TEST_F(SignatureCheckTest, OnlySoundImagesReachWinTrust) {
  ScopedTestFolder folder;
  std::vector<std::wstring> unsound = WriteUnsoundCopies(folder.path());
  for (const wchar_t* name :
       {L"expected_padded", L"nested_appended", L"unsigned"}) {
    unsound.push_back(Fixture(name + std::wstring(L".exe")));
  }
  std::vector<std::wstring> requests;
  g_trust_requests = &requests;
  internal::ScopedWinVerifyTrustForTesting trust(&RecordAndRefuse);

  for (const std::wstring& path : unsound) {
    EXPECT_FALSE(VerifyFileSignature(base::FilePath(path))) << path.c_str();
  }
  EXPECT_EQ(std::vector<std::wstring>(), requests);
  requests.clear();

  const std::wstring genuine = Fixture(L"expected.exe");
  EXPECT_FALSE(VerifyFileSignature(base::FilePath(genuine)));
  EXPECT_EQ(std::vector<std::wstring>(1, genuine), requests);
  g_trust_requests = nullptr;
}

TEST_F(SignatureCheckTest, WritersAreShutOutDuringTheCheck) {
  // The check holds the file against writers; a writer holding it first
  // keeps the check from starting rather than racing it.
  ScopedTestFolder folder;
  const std::wstring copy = folder.path() + L"\\copy.exe";
  ASSERT_TRUE(
      ::CopyFileW(Fixture(L"expected.exe").c_str(), copy.c_str(), FALSE));
  HANDLE writer = ::CreateFileW(copy.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  EXPECT_FALSE(VerifyFileSignature(base::FilePath(copy)));
  ::CloseHandle(writer);
  EXPECT_TRUE(VerifyFileSignature(base::FilePath(copy)));
}

}  // namespace
}  // namespace installer
