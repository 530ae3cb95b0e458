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
// hashed without its checksum, its certificate-table entry and the table.
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

// The Authenticode digest of |image| with the CNG hash algorithm
// |algorithm| (e.g. BCRYPT_SHA256_ALGORITHM). False when the image is not a
// PE image, its certificate table does not lie inside it, or hashing fails.
bool ComputeAuthenticodeDigest(const uint8_t* image, size_t length,
                               const wchar_t* algorithm,
                               std::vector<uint8_t>* digest);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_PE_IMAGE_H_
