#include "desktop/windows/installer/service/signature_check.h"

#include <stddef.h>
#include <string.h>

#include <atomic>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "base/files/file.h"
#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_memory.h"
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
constexpr char kMessageDigestOid[] = "1.2.840.113549.1.9.4";

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

// What one check has learnt so far, shared by every signer it walks.
struct CheckState {
  const uint8_t* image;
  size_t image_length;
  std::wstring expected;
  int signatures_examined = 0;
  bool matched = false;
  // The image's digest by each of kDigestAlgorithms, made when a signer
  // first needs it; empty when it cannot be made.
  std::optional<std::vector<uint8_t>>
      image_digests[std::size(kDigestAlgorithms)];
};

// The index in kDigestAlgorithms of the algorithm |oid| names, or -1.
int FindDigestAlgorithm(const char* oid) {
  for (size_t i = 0; oid && i < std::size(kDigestAlgorithms); ++i) {
    if (strcmp(kDigestAlgorithms[i].oid, oid) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

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

// What |message| signs, when it is Authenticode indirect data: the encoded
// SpcIndirectDataContent.
bool GetIndirectData(HCRYPTMSG message, std::vector<uint8_t>* content) {
  std::vector<uint8_t> content_type;
  if (!GetMessageParam(message, CMSG_INNER_CONTENT_TYPE_PARAM, 0,
                       &content_type)) {
    return false;
  }
  content_type.push_back(0);
  return strcmp(reinterpret_cast<const char*>(content_type.data()),
                kIndirectDataOid) == 0 &&
         GetMessageParam(message, CMSG_CONTENT_PARAM, 0, content);
}

// True when the message digest that |signer| signed, among its
// authenticated attributes, is the hash of |content|. The signature covers
// the attributes only, so without this any content would do.
bool SignedDigestMatchesContent(const CMSG_SIGNER_INFO& signer,
                                DWORD encoding,
                                const std::vector<uint8_t>& content) {
  const CRYPT_ATTRIBUTE* found = nullptr;
  for (DWORD i = 0; i < signer.AuthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = signer.AuthAttrs.rgAttr[i];
    if (!attribute.pszObjId ||
        strcmp(attribute.pszObjId, kMessageDigestOid) != 0) {
      continue;
    }
    if (found || attribute.cValue != 1)
      return false;
    found = &attribute;
  }
  const int algorithm = FindDigestAlgorithm(signer.HashAlgorithm.pszObjId);
  if (!found || algorithm < 0)
    return false;
  base::win::ScopedLocalMemory<CRYPT_DATA_BLOB> decoded;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(encoding, X509_OCTET_STRING,
                             found->rgValue[0].pbData,
                             found->rgValue[0].cbData, CRYPT_DECODE_ALLOC_FLAG,
                             nullptr, decoded.Receive(), &size)) {
    return false;
  }
  const CRYPT_DATA_BLOB* signed_digest = decoded.Get();
  // The hash covers the content's value, without its SEQUENCE header.
  size_t header = 0;
  size_t total = 0;
  std::vector<uint8_t> digest;
  return ReadDerSequence(content.data(), content.size(), &header, &total) &&
         total == content.size() &&
         ComputeDigest(kDigestAlgorithms[algorithm].cng_name,
                       {{content.data() + header, total - header}},
                       &digest) &&
         digest.size() == signed_digest->cbData &&
         memcmp(digest.data(), signed_digest->pbData, digest.size()) == 0;
}

// True when |content|, indirect data, carries the Authenticode digest of
// the image being checked.
bool ContentMatchesImage(const std::vector<uint8_t>& content, DWORD encoding,
                         CheckState* state) {
  base::win::ScopedLocalMemory<SPC_INDIRECT_DATA_CONTENT> decoded;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(encoding, SPC_INDIRECT_DATA_CONTENT_STRUCT,
                             content.data(), static_cast<DWORD>(content.size()),
                             CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             decoded.Receive(), &size)) {
    return false;
  }
  const SPC_INDIRECT_DATA_CONTENT* indirect = decoded.Get();
  if (!indirect->Data.pszObjId ||
      strcmp(indirect->Data.pszObjId, kPeImageDataOid) != 0) {
    return false;
  }
  const int algorithm =
      FindDigestAlgorithm(indirect->DigestAlgorithm.pszObjId);
  if (algorithm < 0)
    return false;
  // Every signer that gets this far costs a pass over the whole image
  // otherwise, and a file may hold many signers.
  std::optional<std::vector<uint8_t>>& digest =
      state->image_digests[algorithm];
  if (!digest) {
    digest.emplace();
    if (!ComputeAuthenticodeDigest(state->image, state->image_length,
                                   kDigestAlgorithms[algorithm].cng_name,
                                   &*digest)) {
      digest->clear();
    }
  }
  return !digest->empty() && digest->size() == indirect->Digest.cbData &&
         memcmp(digest->data(), indirect->Digest.pbData, digest->size()) == 0;
}

// The tests' chain engine, or null for the machine's.
std::atomic<HCERTCHAINENGINE> g_chain_engine{nullptr};

using WinVerifyTrustFunction =
    internal::ScopedWinVerifyTrustForTesting::Function;
static_assert(std::is_same_v<WinVerifyTrustFunction,
                             decltype(&::WinVerifyTrust)>,
              "WinVerifyTrust's signature");
std::atomic<WinVerifyTrustFunction> g_win_verify_trust{&::WinVerifyTrust};

// The checks WinTrust makes of a primary signature, made here for every
// signer: not every WinTrust makes them all.
bool SignerIsGenuine(HCRYPTMSG message, DWORD encoding, DWORD index,
                     const CMSG_SIGNER_INFO& signer,
                     PCCERT_CONTEXT certificate, HCERTSTORE store,
                     CheckState* state) {
  CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify = {};
  verify.cbSize = sizeof(verify);
  verify.dwSignerIndex = index;
  verify.dwSignerType = CMSG_VERIFY_SIGNER_CERT;
  verify.pvSigner = const_cast<CERT_CONTEXT*>(certificate);
  std::vector<uint8_t> content;
  return ::CryptMsgControl(message, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX,
                           &verify) &&
         GetIndirectData(message, &content) &&
         SignedDigestMatchesContent(signer, encoding, content) &&
         ContentMatchesImage(content, encoding, state) &&
         ChainsToTrustedRoot(certificate, store);
}

// Walks the signers of |message| and the signatures nested in them, noting
// in |state| whether one of them is the expected signer and genuine, and
// how many there were. The walk goes on after a match, so that a file with
// too many signatures fails whatever their order.
void WalkSigners(ScopedCertStore store, ScopedCryptMsg message, DWORD encoding,
                 int depth, CheckState* state) {
  DWORD count = 0;
  DWORD size = sizeof(count);
  if (!::CryptMsgGetParam(message.Get(), CMSG_SIGNER_COUNT_PARAM, 0, &count,
                          &size)) {
    return;
  }
  for (DWORD index = 0; index < count; ++index) {
    // Each signer may cost a signature verification and a chain, and a
    // file could hold thousands.
    if (++state->signatures_examined > kMaxSignatures)
      return;
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

    if (!state->matched &&
        GetSimpleDisplayName(certificate.Get()) == state->expected &&
        SignerIsGenuine(message.Get(), encoding, index, *signer,
                        certificate.Get(), store.Get(), state)) {
      state->matched = true;
    }

    // Each level is a blob inside the one above, so a lying file could
    // otherwise nest deep enough to exhaust the stack.
    if (depth >= kMaxSignatureNesting)
      continue;
    for (DWORD i = 0; i < signer->UnauthAttrs.cAttr &&
                      state->signatures_examined <= kMaxSignatures;
         ++i) {
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
      if (opened && nested_store.IsValid() && nested_message.IsValid()) {
        WalkSigners(std::move(nested_store), std::move(nested_message),
                    encoding, depth + 1, state);
      }
    }
  }
}

// Maps |path| for reading while |guard| holds it open. A file that cannot be
// opened, or is too short to be a PE image, is answered here without a
// word, as the mapping would log its failure.
bool MapImage(const base::FilePath& path, uint32_t sharing, base::File* guard,
              base::MemoryMappedFile* image) {
  constexpr int64_t kDosHeaderSize = 0x40;
  guard->Initialize(path,
                    base::File::FLAG_OPEN | base::File::FLAG_READ | sharing);
  base::File::Info info;
  return guard->IsValid() && guard->GetInfo(&info) && !info.is_directory &&
         info.size >= kDosHeaderSize && image->InitializeReadOnly(path);
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
  if (!::CertGetCertificateChain(g_chain_engine.load(), certificate, nullptr,
                                 extra_store, &chain_para, 0, nullptr,
                                 &raw_chain)) {
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

namespace internal {

ScopedTrustedRootsForTesting::ScopedTrustedRootsForTesting(HCERTSTORE roots) {
  CERT_CHAIN_ENGINE_CONFIG config = {};
  // The layout that Windows 7 introduced with the exclusive roots.
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, dwExclusiveFlags);
  config.hExclusiveRoot = roots;
  if (!::CertCreateCertificateChainEngine(&config, &engine_))
    engine_ = nullptr;
  else
    previous_ = g_chain_engine.exchange(engine_);
}

ScopedTrustedRootsForTesting::~ScopedTrustedRootsForTesting() {
  if (!engine_)
    return;
  CHECK_EQ(engine_, g_chain_engine.exchange(previous_));
  ::CertFreeCertificateChainEngine(engine_);
}

ScopedWinVerifyTrustForTesting::ScopedWinVerifyTrustForTesting(
    Function function)
    : function_(function), previous_(g_win_verify_trust.exchange(function)) {}

ScopedWinVerifyTrustForTesting::~ScopedWinVerifyTrustForTesting() {
  CHECK(function_ == g_win_verify_trust.exchange(previous_));
}

}  // namespace internal

bool IsSignedPeFile(const base::FilePath& path, bool* has_signature) {
  CHECK(has_signature);
  base::File file;
  base::MemoryMappedFile image;
  if (!MapImage(path, 0, &file, &image))
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
  base::File guard;
  base::MemoryMappedFile image;
  if (!MapImage(path, base::File::FLAG_EXCLUSIVE_WRITE, &guard, &image))
    return false;
  // WinTrust and the signature reader follow the certificate-table entry
  // with readers of their own, and at least one WinTrust crashes on an entry
  // that points into the image or is typed X.509. Ours is written for
  // hostile bytes: only a table it finds sound reaches theirs.
  PeSignatureLayout layout;
  if (!ReadPeSignatureLayout(image.data(), image.length(), &layout) ||
      !CertificateTableIsSound(image.data(), image.length(), layout)) {
    return false;
  }

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
  if (g_win_verify_trust.load()(nullptr, &action, &trust) != 0)
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
  CheckState state{image, image_length,
                   base::UTF8ToWide(ProductSettings::GetExpectedSigner())};
  // An empty setting would match any certificate without a name.
  if (state.expected.empty())
    return false;
  WalkSigners(std::move(owned_store), std::move(owned_message), encoding, 0,
              &state);
  return state.matched && state.signatures_examined <= kMaxSignatures;
}

}  // namespace installer
