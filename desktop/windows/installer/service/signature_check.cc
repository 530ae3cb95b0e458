#include "desktop/windows/installer/service/signature_check.h"

#include <string.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file.h"
#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/signature_pe_image.h"

#include <bcrypt.h>
#include <softpub.h>
#include <wintrust.h>

namespace installer {

namespace {

constexpr char kNestedSignatureOid[] = "1.3.6.1.4.1.311.2.4.1";
constexpr char kIndirectDataOid[] = "1.3.6.1.4.1.311.2.1.4";
constexpr char kPeImageDataOid[] = "1.3.6.1.4.1.311.2.1.15";
constexpr char kCodeSigningUsageOid[] = "1.3.6.1.5.5.7.3.3";

// The digest algorithms a signature's indirect data may name. MD5 is left
// out: a digest anyone can collide proves nothing about the file.
struct DigestAlgorithm {
  const char* oid;
  const wchar_t* cng_name;
};
constexpr DigestAlgorithm kDigestAlgorithms[] = {
    {"1.3.14.3.2.26", BCRYPT_SHA1_ALGORITHM},
    {"2.16.840.1.101.3.4.2.1", BCRYPT_SHA256_ALGORITHM},
    {"2.16.840.1.101.3.4.2.2", BCRYPT_SHA384_ALGORITHM},
    {"2.16.840.1.101.3.4.2.3", BCRYPT_SHA512_ALGORITHM},
};

// The WinTrust data with the signature-settings pointer that newer SDKs
// declare; its size tells WinTrust which layout it is given.
struct WintrustDataWithSettings {
  WINTRUST_DATA data;
  void* signature_settings;
};
static_assert(sizeof(WintrustDataWithSettings) == 88, "WinTrust layout");
static_assert(sizeof(WINTRUST_FILE_INFO) == 32, "WinTrust layout");

class CertStoreTraits {
 public:
  using Handle = HCERTSTORE;
  static bool CloseHandle(Handle handle) {
    return ::CertCloseStore(handle, 0) != FALSE;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

class CryptMsgTraits {
 public:
  using Handle = HCRYPTMSG;
  static bool CloseHandle(Handle handle) {
    return ::CryptMsgClose(handle) != FALSE;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

class CertContextTraits {
 public:
  using Handle = PCCERT_CONTEXT;
  static bool CloseHandle(Handle handle) {
    return ::CertFreeCertificateContext(handle) != FALSE;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

class CertChainTraits {
 public:
  using Handle = PCCERT_CHAIN_CONTEXT;
  static bool CloseHandle(Handle handle) {
    ::CertFreeCertificateChain(handle);
    return true;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

using base::win::DummyVerifierTraits;
using base::win::GenericScopedHandle;
using ScopedCertStore = GenericScopedHandle<CertStoreTraits, DummyVerifierTraits>;
using ScopedCryptMsg = GenericScopedHandle<CryptMsgTraits, DummyVerifierTraits>;
using ScopedCertContext =
    GenericScopedHandle<CertContextTraits, DummyVerifierTraits>;
using ScopedCertChain = GenericScopedHandle<CertChainTraits, DummyVerifierTraits>;

struct LocalFreeDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

struct SignedImage {
  const uint8_t* data;
  size_t length;
};

// One parameter of |message|: a size query, then the data into a zeroed
// buffer of that size.
bool GetMessageParam(HCRYPTMSG message, DWORD type, DWORD index,
                     std::vector<uint8_t>* data) {
  DWORD size = 0;
  if (!::CryptMsgGetParam(message, type, index, nullptr, &size) || size == 0)
    return false;
  std::vector<uint8_t> buffer(size);
  if (!::CryptMsgGetParam(message, type, index, buffer.data(), &size))
    return false;
  buffer.resize(size);
  data->swap(buffer);
  return true;
}

// The certificate's simple display name, embedded NULs and all, so that a
// name with a tail after a NUL never equals ours.
std::wstring GetSimpleDisplayName(PCCERT_CONTEXT certificate) {
  DWORD length = ::CertGetNameStringW(
      certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (length <= 1)
    return std::wstring();
  std::wstring name(length, L'\0');
  length = ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                                nullptr, &name[0], length);
  name.resize(length > 0 ? length - 1 : 0);
  return name;
}

// True when what |message| signs is the Authenticode digest of |image|.
bool ContentMatchesImage(HCRYPTMSG message, DWORD encoding,
                         const SignedImage& image) {
  std::vector<uint8_t> content_type;
  if (!GetMessageParam(message, CMSG_INNER_CONTENT_TYPE_PARAM, 0,
                       &content_type)) {
    return false;
  }
  content_type.push_back(0);
  if (strcmp(reinterpret_cast<const char*>(content_type.data()),
             kIndirectDataOid) != 0) {
    return false;
  }
  std::vector<uint8_t> content;
  if (!GetMessageParam(message, CMSG_CONTENT_PARAM, 0, &content))
    return false;
  SPC_INDIRECT_DATA_CONTENT* decoded = nullptr;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(encoding, SPC_INDIRECT_DATA_CONTENT_STRUCT,
                             content.data(), static_cast<DWORD>(content.size()),
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded,
                             &size)) {
    return false;
  }
  std::unique_ptr<SPC_INDIRECT_DATA_CONTENT, LocalFreeDeleter> indirect(
      decoded);
  if (!indirect->Data.pszObjId ||
      strcmp(indirect->Data.pszObjId, kPeImageDataOid) != 0 ||
      !indirect->DigestAlgorithm.pszObjId) {
    return false;
  }
  const wchar_t* algorithm = nullptr;
  for (const DigestAlgorithm& candidate : kDigestAlgorithms) {
    if (strcmp(candidate.oid, indirect->DigestAlgorithm.pszObjId) == 0)
      algorithm = candidate.cng_name;
  }
  std::vector<uint8_t> digest;
  if (!algorithm ||
      !ComputeAuthenticodeDigest(image.data, image.length, algorithm, &digest)) {
    return false;
  }
  return digest.size() == indirect->Digest.cbData &&
         memcmp(digest.data(), indirect->Digest.pbData, digest.size()) == 0;
}

// The tests' stand-in for ChainsToTrustedRoot, or null.
std::atomic<ChainTrustFunction> g_chain_trust{nullptr};

// The checks WinTrust makes of a primary signature, made here for a signer
// it never looked at.
bool SignerIsGenuine(HCRYPTMSG message, DWORD encoding, DWORD index,
                     PCCERT_CONTEXT certificate, HCERTSTORE store,
                     const SignedImage& image) {
  ChainTrustFunction chain_trust = g_chain_trust.load();
  if (!chain_trust)
    chain_trust = ChainsToTrustedRoot;
  CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify = {};
  verify.cbSize = sizeof(verify);
  verify.dwSignerIndex = index;
  verify.dwSignerType = CMSG_VERIFY_SIGNER_CERT;
  verify.pvSigner = const_cast<CERT_CONTEXT*>(certificate);
  return ::CryptMsgControl(message, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX,
                           &verify) &&
         ContentMatchesImage(message, encoding, image) &&
         chain_trust(certificate, store);
}

bool CheckSigners(ScopedCertStore store, ScopedCryptMsg message,
                  DWORD encoding, const SignedImage& image,
                  const std::wstring& expected, int depth) {
  DWORD count = 0;
  DWORD size = sizeof(count);
  if (!::CryptMsgGetParam(message.Get(), CMSG_SIGNER_COUNT_PARAM, 0, &count,
                          &size) ||
      count == 0) {
    return false;
  }
  for (DWORD index = 0; index < count; ++index) {
    std::vector<uint8_t> buffer;
    if (!GetMessageParam(message.Get(), CMSG_SIGNER_INFO_PARAM, index,
                         &buffer) ||
        buffer.size() < sizeof(CMSG_SIGNER_INFO)) {
      continue;
    }
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
    CERT_INFO wanted = {};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    ScopedCertContext certificate(::CertFindCertificateInStore(
        store.Get(), encoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!certificate.IsValid())
      continue;

    const bool verified_by_wintrust = depth == 0 && index == 0;
    if (GetSimpleDisplayName(certificate.Get()) == expected &&
        (verified_by_wintrust ||
         SignerIsGenuine(message.Get(), encoding, index, certificate.Get(),
                         store.Get(), image))) {
      return true;
    }

    // Each level is a blob inside the one above, so a lying file could
    // otherwise nest deep enough to exhaust the stack.
    if (depth >= kMaxSignatureNesting)
      continue;
    for (DWORD i = 0; i < signer->UnauthAttrs.cAttr; ++i) {
      const CRYPT_ATTRIBUTE& attribute = signer->UnauthAttrs.rgAttr[i];
      if (!attribute.pszObjId ||
          strcmp(attribute.pszObjId, kNestedSignatureOid) != 0 ||
          attribute.cValue == 0) {
        continue;
      }
      CERT_BLOB blob = attribute.rgValue[0];
      HCERTSTORE raw_store = nullptr;
      HCRYPTMSG raw_message = nullptr;
      BOOL opened = ::CryptQueryObject(
          CERT_QUERY_OBJECT_BLOB, &blob, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
          CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr,
          &raw_store, &raw_message, nullptr);
      ScopedCertStore nested_store(raw_store);
      ScopedCryptMsg nested_message(raw_message);
      if (opened && nested_store.IsValid() && nested_message.IsValid() &&
          CheckSigners(std::move(nested_store), std::move(nested_message),
                       encoding, image, expected, depth + 1)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool ChainsToTrustedRoot(PCCERT_CONTEXT certificate, HCERTSTORE extra_store) {
  LPSTR usages[] = {const_cast<LPSTR>(kCodeSigningUsageOid)};
  CERT_CHAIN_PARA chain_para = {};
  chain_para.cbSize = sizeof(chain_para);
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT raw_chain = nullptr;
  if (!::CertGetCertificateChain(nullptr, certificate, nullptr, extra_store,
                                 &chain_para, 0, nullptr, &raw_chain)) {
    return false;
  }
  ScopedCertChain chain(raw_chain);
  CERT_CHAIN_POLICY_PARA policy_para = {};
  policy_para.cbSize = sizeof(policy_para);
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof(status);
  return ::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE,
                                            chain.Get(), &policy_para,
                                            &status) &&
         status.dwError == 0 &&
         chain.Get()->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
}

ChainTrustFunction SetChainTrustFunctionForTesting(ChainTrustFunction function) {
  return g_chain_trust.exchange(function);
}

bool IsSignedPeFile(const base::FilePath& path, bool* has_signature) {
  CHECK(has_signature);
  base::MemoryMappedFile image;
  if (!image.InitializeReadOnly(path))
    return false;
  PeSignatureLayout layout;
  if (!ReadPeSignatureLayout(image.data(), image.length(), &layout))
    return false;
  *has_signature = layout.certificate_table_size != 0;
  return true;
}

bool VerifyFileSignature(const base::FilePath& path) {
  // WinTrust, the signature reader and the digest each open the file on
  // their own; nobody may change or replace it between their readings.
  base::File guard(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                             base::File::FLAG_EXCLUSIVE_WRITE);
  if (!guard.IsValid())
    return false;
  base::MemoryMappedFile image;
  if (!image.InitializeReadOnly(path))
    return false;

  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.value().c_str();
  WintrustDataWithSettings trust = {};
  trust.data.cbStruct = sizeof(trust);
  trust.data.dwUIChoice = WTD_UI_NONE;
  trust.data.fdwRevocationChecks = WTD_REVOKE_NONE;
  trust.data.dwUnionChoice = WTD_CHOICE_FILE;
  trust.data.pFile = &file_info;
  trust.data.dwStateAction = WTD_STATEACTION_IGNORE;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  if (::WinVerifyTrust(nullptr, &action, &trust) != 0)
    return false;

  DWORD encoding = 0;
  HCERTSTORE raw_store = nullptr;
  HCRYPTMSG raw_message = nullptr;
  BOOL opened = ::CryptQueryObject(
      CERT_QUERY_OBJECT_FILE, path.value().c_str(),
      CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
      CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, nullptr, nullptr,
      &raw_store, &raw_message, nullptr);
  ScopedCertStore store(raw_store);
  ScopedCryptMsg message(raw_message);
  if (!opened || !store.IsValid() || !message.IsValid())
    return false;
  return CheckSignerNames(store.Take(), message.Take(), encoding, image.data(),
                          image.length());
}

bool CheckSignerNames(HCERTSTORE store, HCRYPTMSG message, DWORD encoding,
                      const uint8_t* image, size_t image_length) {
  ScopedCertStore owned_store(store);
  ScopedCryptMsg owned_message(message);
  // An empty setting would match any certificate without a name.
  const std::wstring expected =
      base::UTF8ToWide(ProductSettings::GetExpectedSigner());
  if (expected.empty())
    return false;
  return CheckSigners(std::move(owned_store), std::move(owned_message),
                      encoding, SignedImage{image, image_length}, expected, 0);
}

}  // namespace installer
