#include "desktop/windows/installer/service/signature_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/files/memory_mapped_file.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

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
  std::ifstream file(Fixture(name).c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file),
                     std::istreambuf_iterator<char>());
}

// Builds the chain as the product does, with the fixtures' root at hand, and
// counts it as trusted when its only fault is that this root is not the
// machine's: the test prefix cannot be told to trust a root (certificates
// added to its root stores are not consulted).
PCCERT_CONTEXT g_fixture_root = nullptr;

bool ChainsToFixtureRoot(PCCERT_CONTEXT certificate, HCERTSTORE extra_store) {
  HCERTSTORE roots =
      ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  HCERTSTORE both =
      ::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
  ::CertAddCertificateContextToStore(roots, g_fixture_root,
                                     CERT_STORE_ADD_ALWAYS, nullptr);
  ::CertAddStoreToCollection(both, roots, 0, 0);
  ::CertAddStoreToCollection(both, extra_store, 0, 0);
  LPSTR usages[] = {const_cast<LPSTR>("1.3.6.1.5.5.7.3.3")};
  CERT_CHAIN_PARA para = {};
  para.cbSize = sizeof(para);
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool trusted = false;
  if (::CertGetCertificateChain(nullptr, certificate, nullptr, both, &para, 0,
                                nullptr, &chain)) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
    trusted = chain->cChain == 1 &&
              chain->TrustStatus.dwErrorStatus == CERT_TRUST_IS_UNTRUSTED_ROOT &&
              ::CertCompareCertificate(X509_ASN_ENCODING, top->pCertInfo,
                                       g_fixture_root->pCertInfo);
    ::CertFreeCertificateChain(chain);
  }
  ::CertCloseStore(both, 0);
  ::CertCloseStore(roots, 0);
  return trusted;
}

class SignatureCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string root = ReadFixture(L"root.cer");
    g_fixture_root = ::CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
        static_cast<DWORD>(root.size()));
    ASSERT_TRUE(g_fixture_root);
  }
  static void TearDownTestSuite() {
    ::CertFreeCertificateContext(g_fixture_root);
    g_fixture_root = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(nullptr, SetChainTrustFunctionForTesting(ChainsToFixtureRoot));
  }
  void TearDown() override { SetChainTrustFunctionForTesting(nullptr); }

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
};

TEST_F(SignatureCheckTest, ChecksEachFile) {
  ScopedTestFolder folder;
  const std::string expected = ReadFixture(L"expected.exe");
  const std::wstring cut = folder.path() + L"\\cut.exe";
  const std::wstring text = folder.path() + L"\\notes.txt";
  const std::wstring one_byte = folder.path() + L"\\one";
  ASSERT_TRUE(WriteFileForTest(cut, expected.substr(0, expected.size() - 100)));
  ASSERT_TRUE(WriteFileForTest(text, "MZ Velto Software Ltd\r\n"));
  ASSERT_TRUE(WriteFileForTest(one_byte, "M"));

  struct Case {
    std::wstring path;
    bool is_pe;
    bool has_signature;
    bool passes;
  } const cases[] = {
      {Fixture(L"expected.exe"), true, true, true},
      {Fixture(L"nested.exe"), true, true, true},
      {Fixture(L"other.exe"), true, true, false},
      {Fixture(L"nested_corrupted.exe"), true, true, false},
      {Fixture(L"nested_replayed.exe"), true, true, false},
      {Fixture(L"nested_untrusted.exe"), true, true, false},
      {Fixture(L"tampered.exe"), true, true, false},
      {Fixture(L"unsigned.exe"), true, false, false},
      {cut, true, true, false},
      {text, false, false, false},
      {one_byte, false, false, false},
      {folder.path() + L"\\missing.exe", false, false, false},
  };
  for (const Case& test : cases) {
    const base::FilePath path(test.path);
    bool has_signature = !test.has_signature;
    EXPECT_EQ(test.is_pe, IsSignedPeFile(path, &has_signature))
        << test.path.c_str();
    EXPECT_EQ(test.has_signature, test.is_pe && has_signature)
        << test.path.c_str();
    EXPECT_EQ(test.passes, VerifyFileSignature(path)) << test.path.c_str();
  }
}

// Without WinTrust in the way: the forged nested signatures are refused by
// the signer walk itself, and a genuine one only for the image it signed.
TEST_F(SignatureCheckTest, NestedSignersCountOnlyWhenGenuine) {
  struct Case {
    const wchar_t* name;
    bool passes;
  } const cases[] = {
      {L"nested.exe", true},
      {L"nested_corrupted.exe", false},
      {L"nested_replayed.exe", false},
      {L"nested_untrusted.exe", false},
      {L"other.exe", false},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(test.passes,
              CheckSignersOf(Fixture(test.name), Fixture(test.name)))
        << test.name;
  }

  // The same nested signature, held against an image with one byte changed.
  ScopedTestFolder folder;
  std::string changed = ReadFixture(L"nested.exe");
  changed[0x50] ^= 1;
  const std::wstring changed_path = folder.path() + L"\\changed.exe";
  ASSERT_TRUE(WriteFileForTest(changed_path, changed));
  EXPECT_FALSE(CheckSignersOf(Fixture(L"nested.exe"), changed_path));

  // With the machine's own roots, the fixtures' root is trusted nowhere.
  SetChainTrustFunctionForTesting(nullptr);
  EXPECT_FALSE(CheckSignersOf(Fixture(L"nested.exe"), Fixture(L"nested.exe")));
}

TEST_F(SignatureCheckTest, WritersAreShutOutDuringTheCheck) {
  // The check holds the file against writers; a writer holding it first
  // keeps the check from starting rather than racing it.
  ScopedTestFolder folder;
  const std::wstring copy = folder.path() + L"\\copy.exe";
  ASSERT_TRUE(::CopyFileW(Fixture(L"expected.exe").c_str(), copy.c_str(),
                          FALSE));
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
