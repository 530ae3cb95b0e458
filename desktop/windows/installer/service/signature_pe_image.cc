#include "desktop/windows/installer/service/signature_pe_image.h"

#include <limits.h>

#include "base/little_endian.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

#include <bcrypt.h>
#include <wintrust.h>

namespace installer {

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;       // "MZ"
constexpr size_t kPeOffsetField = 0x3C;
constexpr uint32_t kPeSignature = 0x00004550;    // "PE\0\0"
constexpr size_t kSizeOfOptionalHeaderField = 20;  // From the PE signature.
constexpr size_t kOptionalHeader = 24;             // From the PE signature.
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kChecksumField = 64;  // In the optional header, both forms.
constexpr size_t kCertificateDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;

// Where the two forms of the optional header differ.
struct OptionalHeaderForm {
  uint16_t magic;
  size_t directory_count_field;  // NumberOfRvaAndSizes.
  size_t directories;            // The first data directory.
};
constexpr OptionalHeaderForm kForms[] = {
    {kPe32Magic, 92, 96},
    {kPe32PlusMagic, 108, 112},
};

// True when [offset, offset + size) lies inside |length| bytes; no sum can
// wrap, whatever the file claims.
bool Fits(size_t length, uint64_t offset, uint64_t size) {
  return offset <= length && size <= length - offset;
}

class AlgorithmTraits {
 public:
  using Handle = BCRYPT_ALG_HANDLE;
  static bool CloseHandle(Handle handle) {
    return BCRYPT_SUCCESS(::BCryptCloseAlgorithmProvider(handle, 0));
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

class HashTraits {
 public:
  using Handle = BCRYPT_HASH_HANDLE;
  static bool CloseHandle(Handle handle) {
    return BCRYPT_SUCCESS(::BCryptDestroyHash(handle));
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

using ScopedAlgorithm =
    base::win::GenericScopedHandle<AlgorithmTraits, base::win::DummyVerifierTraits>;
using ScopedHash =
    base::win::GenericScopedHandle<HashTraits, base::win::DummyVerifierTraits>;

}  // namespace

bool ReadPeSignatureLayout(const uint8_t* image, size_t length,
                           PeSignatureLayout* layout) {
  if (!Fits(length, 0, kPeOffsetField + 4) ||
      base::ReadLittleEndian16(image) != kDosSignature) {
    return false;
  }
  const uint64_t pe = base::ReadLittleEndian32(image + kPeOffsetField);
  if (!Fits(length, pe, kOptionalHeader + 2) ||
      base::ReadLittleEndian32(image + pe) != kPeSignature) {
    return false;
  }
  const uint16_t magic = base::ReadLittleEndian16(image + pe + kOptionalHeader);
  const OptionalHeaderForm* form = nullptr;
  for (const OptionalHeaderForm& candidate : kForms) {
    if (candidate.magic == magic)
      form = &candidate;
  }
  if (!form)
    return false;

  // The header must hold its own fields up to the directories; a smaller
  // declared size means the directory count we would read is a section's.
  const uint64_t optional_header = pe + kOptionalHeader;
  const uint16_t declared_size =
      base::ReadLittleEndian16(image + pe + kSizeOfOptionalHeaderField);
  if (declared_size < form->directories ||
      !Fits(length, optional_header, form->directories)) {
    return false;
  }
  PeSignatureLayout result;
  result.checksum_offset = optional_header + kChecksumField;
  const uint32_t directory_count = base::ReadLittleEndian32(
      image + optional_header + form->directory_count_field);
  const uint64_t entry_in_header =
      form->directories + kCertificateDirectory * kDirectoryEntrySize;
  if (directory_count > kCertificateDirectory &&
      declared_size >= entry_in_header + kDirectoryEntrySize) {
    const uint64_t entry = optional_header + entry_in_header;
    if (!Fits(length, entry, kDirectoryEntrySize))
      return false;
    result.has_certificate_entry = true;
    result.certificate_entry_offset = entry;
    result.certificate_table_offset = base::ReadLittleEndian32(image + entry);
    result.certificate_table_size = base::ReadLittleEndian32(image + entry + 4);
  }
  *layout = result;
  return true;
}

bool ReadDerSequence(const uint8_t* bytes, size_t length, size_t* header_size,
                     size_t* total_size) {
  constexpr uint8_t kSequenceTag = 0x30;
  if (length < 2 || bytes[0] != kSequenceTag)
    return false;
  uint64_t contents = bytes[1];
  size_t header = 2;
  if (contents & 0x80) {
    // The long form: the low bits count the length bytes that follow. 0x80
    // alone would be an indefinite length, which DER has not.
    const size_t count = contents & 0x7F;
    if (count == 0 || count > 4 || length - header < count)
      return false;
    contents = 0;
    for (size_t i = 0; i < count; ++i)
      contents = contents << 8 | bytes[header + i];
    header += count;
  }
  if (!Fits(length, header, contents))
    return false;
  *header_size = header;
  *total_size = header + contents;
  return true;
}

bool CertificateTableIsSound(const uint8_t* image, size_t length,
                             const PeSignatureLayout& layout) {
  const uint64_t table = layout.certificate_table_offset;
  const uint64_t size = layout.certificate_table_size;
  // A table that overlaps the fields the digest leaves out describes no
  // image that was ever signed.
  if (!layout.has_certificate_entry || size == 0 ||
      table < layout.certificate_entry_offset + kDirectoryEntrySize ||
      table > length || length - table != size) {
    return false;
  }
  // WIN_CERTIFICATE: dwLength (u32, the whole entry), wRevision,
  // wCertificateType, then the signature.
  constexpr size_t kEntryHeader = 8;
  constexpr size_t kMaxPadding = 7;
  if (size < kEntryHeader)
    return false;
  const uint32_t entry_length = base::ReadLittleEndian32(image + table);
  // An Authenticode signature is PKCS #7 signed data, whatever the revision
  // of the entry; readers of the other types are not built for hostile
  // bytes (at least one WinTrust crashes on an X.509 entry).
  const uint16_t type = base::ReadLittleEndian16(image + table + 6);
  size_t header = 0;
  size_t signature = 0;
  if (type != WIN_CERT_TYPE_PKCS_SIGNED_DATA || entry_length < kEntryHeader ||
      entry_length > size ||
      !ReadDerSequence(image + table + kEntryHeader,
                       entry_length - kEntryHeader, &header, &signature)) {
    return false;
  }
  const size_t signature_end = table + kEntryHeader + signature;
  if (length - signature_end > kMaxPadding)
    return false;
  for (size_t at = signature_end; at < length; ++at) {
    if (image[at] != 0)
      return false;
  }
  return true;
}

bool ComputeAuthenticodeDigest(const uint8_t* image, size_t length,
                               const wchar_t* algorithm,
                               std::vector<uint8_t>* digest) {
  PeSignatureLayout layout;
  if (!ReadPeSignatureLayout(image, length, &layout) ||
      !layout.has_certificate_entry) {
    return false;
  }
  // The table ends the file, so everything before it is everything else.
  size_t end = length;
  if (layout.certificate_table_size != 0) {
    if (!CertificateTableIsSound(image, length, layout))
      return false;
    end = layout.certificate_table_offset;
  }
  // All but the checksum and the table's entry, which signing changes.
  const size_t checksum_end = layout.checksum_offset + 4;
  const size_t entry_end =
      layout.certificate_entry_offset + kDirectoryEntrySize;
  return ComputeDigest(
      algorithm,
      {{image, layout.checksum_offset},
       {image + checksum_end, layout.certificate_entry_offset - checksum_end},
       {image + entry_end, end - entry_end}},
      digest);
}

bool ComputeDigest(const wchar_t* algorithm,
                   const std::vector<ByteRange>& ranges,
                   std::vector<uint8_t>* digest) {
  BCRYPT_ALG_HANDLE raw_algorithm = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&raw_algorithm, algorithm,
                                                    nullptr, 0))) {
    return false;
  }
  ScopedAlgorithm provider(raw_algorithm);
  DWORD digest_length = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(::BCryptGetProperty(
          provider.Get(), BCRYPT_HASH_LENGTH,
          reinterpret_cast<PUCHAR>(&digest_length), sizeof(digest_length),
          &written, 0))) {
    return false;
  }
  BCRYPT_HASH_HANDLE raw_hash = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider.Get(), &raw_hash, nullptr, 0,
                                         nullptr, 0, 0))) {
    return false;
  }
  ScopedHash hash(raw_hash);
  for (const ByteRange& range : ranges) {
    if (range.size > ULONG_MAX)
      return false;
    if (range.size != 0 &&
        !BCRYPT_SUCCESS(::BCryptHashData(hash.Get(),
                                         const_cast<PUCHAR>(range.data),
                                         static_cast<ULONG>(range.size), 0))) {
      return false;
    }
  }
  std::vector<uint8_t> result(digest_length);
  if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.Get(), result.data(),
                                         digest_length, 0))) {
    return false;
  }
  digest->swap(result);
  return true;
}

}  // namespace installer
