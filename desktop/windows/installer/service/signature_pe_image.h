// Reading the parts of a PE image that its Authenticode signature concerns,
// from bytes that may be anything: a short, truncated or lying file yields
// "not a PE image" and nothing is read outside the bytes given.
//
//   PeSignatureLayout layout;
//   if (!ReadPeSignatureLayout(image.data(), image.length(), &layout))
//     return false;  // Not a PE image.
//   bool signed_image = layout.certificate_table_size != 0;
//
// The digest is the one a signature's indirect data carries: the image
// hashed without its checksum, its certificate-table entry and the table,
// which must end the file and hold the signature alone.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_PE_IMAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_PE_IMAGE_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace installer {

struct PeSignatureLayout {
  // Offsets in the file of the optional header's checksum (4 bytes) and of
  // the certificate-table entry, data directory 4 (8 bytes). An image whose
  // optional header has no such entry has |has_certificate_entry| false and
  // the table fields 0.
  size_t checksum_offset = 0;
  bool has_certificate_entry = false;
  size_t certificate_entry_offset = 0;
  // The entry itself: a file offset and a size.
  uint32_t certificate_table_offset = 0;
  uint32_t certificate_table_size = 0;
};

// True when |image| starts with the DOS header, points at a PE signature and
// holds the whole optional header up to its data directories, in the PE32
// or the PE32+ form; |layout| then tells where the signature's fields lie.
bool ReadPeSignatureLayout(const uint8_t* image, size_t length,
                           PeSignatureLayout* layout);

// True when the certificate table of |image| holds a signature and nothing
// else: it ends the file, and it is one WIN_CERTIFICATE entry of the PKCS #7
// signed-data type (of any revision) whose signature (a DER SEQUENCE) is
// followed by fewer than 8 bytes, all zero.
// Bytes anywhere else in or after the table would be covered by no digest
// that the signature's readers all agree on.
bool CertificateTableIsSound(const uint8_t* image, size_t length,
                             const PeSignatureLayout& layout);

// The Authenticode digest of |image| with the CNG hash algorithm
// |algorithm| (e.g. BCRYPT_SHA256_ALGORITHM). False when the image is not a
// PE image, it has a certificate table that is not sound, or hashing fails.
bool ComputeAuthenticodeDigest(const uint8_t* image, size_t length,
                               const wchar_t* algorithm,
                               std::vector<uint8_t>* digest);

struct ByteRange {
  const uint8_t* data;
  size_t size;
};

// The hash of |ranges|, one after the other, with the CNG hash algorithm
// |algorithm|. False when CNG fails; ranges of 4 GiB or more are not hashed.
bool ComputeDigest(const wchar_t* algorithm,
                   const std::vector<ByteRange>& ranges,
                   std::vector<uint8_t>* digest);

// Where the DER SEQUENCE at the start of |bytes| lies: |header_size| bytes
// of tag and length, then its contents, |total_size| bytes in all. False
// when |bytes| does not start with a whole SEQUENCE of definite length.
bool ReadDerSequence(const uint8_t* bytes, size_t length, size_t* header_size,
                     size_t* total_size);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_PE_IMAGE_H_
