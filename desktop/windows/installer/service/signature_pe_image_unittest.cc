#include "desktop/windows/installer/service/signature_pe_image.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "base/win/windows_types.h"
#include "testing/guarded_buffer.h"

#include <bcrypt.h>

namespace installer {
namespace {

constexpr uint32_t kPeOffset = 0x80;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;
// The certificate-table entry of a PE32+ image made by MakeHeaders.
constexpr size_t kEntry = kPeOffset + 24 + 112 + 4 * 8;

struct HeaderShape {
  uint16_t magic;
  uint32_t directory_count = 16;
  uint32_t certificate_size = 0;
  // 0: the standard size of the form.
  uint16_t optional_header_size = 0;
};

void Put(std::vector<uint8_t>* bytes, size_t offset, uint32_t value,
         size_t size) {
  memcpy(bytes->data() + offset, &value, size);
}

// A DOS header, the PE signature, a COFF header and an optional header whose
// sixteen directories all hold non-zero values except the certificate
// table's, which gets |certificate_size| (and an offset just past the
// headers). Nothing follows the directories.
std::vector<uint8_t> MakeHeaders(const HeaderShape& shape) {
  const bool plus = shape.magic == kPe32Plus;
  const size_t directories = plus ? 112 : 96;
  const size_t standard_size = directories + 16 * 8;
  std::vector<uint8_t> bytes(kPeOffset + 24 + standard_size, 0);
  Put(&bytes, 0, 0x5A4D, 2);
  Put(&bytes, 0x3C, kPeOffset, 4);
  Put(&bytes, kPeOffset, 0x4550, 4);
  Put(&bytes, kPeOffset + 20,
      shape.optional_header_size ? shape.optional_header_size : standard_size,
      2);
  const size_t optional = kPeOffset + 24;
  Put(&bytes, optional, shape.magic, 2);
  Put(&bytes, optional + 64, 0xC0FFEE, 4);  // Checksum.
  Put(&bytes, optional + directories - 4, shape.directory_count, 4);
  for (size_t i = 0; i < 16; ++i) {
    const size_t entry = optional + directories + i * 8;
    Put(&bytes, entry, 0x1000 + i, 4);
    Put(&bytes, entry + 4, i == 4 ? shape.certificate_size : 0x200 + i, 4);
  }
  Put(&bytes, optional + directories + 4 * 8,
      static_cast<uint32_t>(bytes.size()), 4);
  return bytes;
}

// Reads the first |length| bytes placed just before an inaccessible page,
// so that any read past the end stops the test at once.
bool ReadGuarded(const std::vector<uint8_t>& bytes, size_t length,
                 PeSignatureLayout* layout) {
  testing_support::GuardedBuffer buffer;
  const std::string_view copy =
      buffer.Place(std::string(bytes.begin(), bytes.begin() + length));
  return ReadPeSignatureLayout(reinterpret_cast<const uint8_t*>(copy.data()),
                               length, layout);
}

TEST(SignaturePeImageTest, ReadsTheCertificateEntryOfEachForm) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool is_pe;
    bool has_entry;
    uint32_t certificate_size;
  };
  std::vector<uint8_t> no_room = MakeHeaders({kPe32Plus});
  Put(&no_room, kPeOffset + 20, 112 + 4 * 8, 2);  // Directories 0 to 3 only.
  std::vector<uint8_t> no_directories = MakeHeaders({kPe32Plus, 16, 0x100});
  Put(&no_directories, kPeOffset + 20, 112, 2);
  std::vector<uint8_t> rom = MakeHeaders({0x107, 16, 0x100});
  std::vector<uint8_t> far_pe = MakeHeaders({kPe32Plus, 16, 0x100});
  Put(&far_pe, 0x3C, 0xFFFFFFF0u, 4);

  const Case cases[] = {
      // In a PE32 image the PE32+ position holds directory 6's size. (The
      // signed forms, and what the digest leaves out, are checked on real
      // images by SignatureCheckTest.)
      {"PE32 unsigned", MakeHeaders({kPe32, 16, 0}), true, true, 0},
      {"four directories", MakeHeaders({kPe32Plus, 4, 0x1234}), true, false, 0},
      {"directories cut short", no_room, true, false, 0},
      {"no directories", no_directories, true, false, 0},
      {"ROM image", rom, false, false, 0},
      {"PE offset past the end", far_pe, false, false, 0},
  };
  for (const Case& test : cases) {
    PeSignatureLayout layout;
    ASSERT_EQ(test.is_pe, ReadGuarded(test.bytes, test.bytes.size(), &layout))
        << test.name;
    if (!test.is_pe) continue;
    EXPECT_EQ(kPeOffset + 24 + 64, layout.checksum_offset) << test.name;
    EXPECT_EQ(test.has_entry, layout.has_certificate_entry) << test.name;
    EXPECT_EQ(test.certificate_size, layout.certificate_table_size)
        << test.name;
  }
  // Every truncation before the entry's end is no image.
  for (uint16_t magic : {kPe32, kPe32Plus}) {
    std::vector<uint8_t> bytes = MakeHeaders({magic, 16, 0x1234});
    const size_t entry_end = kPeOffset + (magic == kPe32 ? 160 : 176);
    for (size_t length = 0; length <= bytes.size(); ++length) {
      PeSignatureLayout layout;
      EXPECT_EQ(length >= entry_end, ReadGuarded(bytes, length, &layout))
          << "magic " << magic << ", length " << length;
    }
  }
}

// What signing adds to MakeHeaders' image with 512 bytes of "sections":
// a table of one WIN_CERTIFICATE entry holding a DER SEQUENCE of
// |signature| bytes, then |inside| (still in the entry) and |after| (in the
// table), pointed at by the image's entry, and a checksum.
std::vector<uint8_t> SignedImage(size_t signature, const std::string& inside,
                                 const std::string& after) {
  std::vector<uint8_t> image = MakeHeaders({kPe32Plus});
  image.resize(image.size() + 512, 0x5A);
  const size_t table = image.size();
  const size_t entry_length = 8 + signature + inside.size();
  image.resize(table + entry_length, 0xEE);
  Put(&image, table, static_cast<uint32_t>(entry_length), 4);
  Put(&image, table + 4, 0x0200, 2);  // WIN_CERT_REVISION_2_0.
  Put(&image, table + 6, 0x0002, 2);  // WIN_CERT_TYPE_PKCS_SIGNED_DATA.
  image[table + 8] = 0x30;
  image[table + 9] = 0x82;
  image[table + 10] = static_cast<uint8_t>((signature - 4) >> 8);
  image[table + 11] = static_cast<uint8_t>(signature - 4);
  memcpy(image.data() + table + 8 + signature, inside.data(), inside.size());
  image.insert(image.end(), after.begin(), after.end());
  Put(&image, kEntry, static_cast<uint32_t>(table), 4);
  Put(&image, kEntry + 4, static_cast<uint32_t>(image.size() - table), 4);
  Put(&image, kPeOffset + 24 + 64, 0x12345678, 4);
  return image;
}

bool DigestOf(const std::vector<uint8_t>& image, std::vector<uint8_t>* digest) {
  return ComputeAuthenticodeDigest(image.data(), image.size(),
                                   BCRYPT_SHA256_ALGORITHM, digest);
}

// Bytes in the table beside the signature, or after the table, would be
// read by some readers of the file and vouched for by none of them. Up to 7
// zeros may pad the signature, in its entry or after it alike.
TEST(SignaturePeImageTest, CertificateTableHoldsTheSignatureAlone) {
  const std::string zeros(8, '\0');
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    bool sound;
  };
  // The image with a 100-byte signature filling its table, changed at |at|.
  const std::vector<uint8_t> plain = SignedImage(100, "", "");
  const size_t table = plain.size() - 108;
  auto changed = [&plain](size_t at, uint32_t value, size_t size) {
    std::vector<uint8_t> image = plain;
    Put(&image, at, value, size);
    return image;
  };
  std::vector<uint8_t> appended = plain;
  appended.push_back(0);

  const Case cases[] = {
      {"entry fills the table", plain, true},
      {"empty signature", SignedImage(4, "", ""), true},
      {"7 zeros after it", SignedImage(100, "", zeros.substr(1)), true},
      {"8 zeros in the entry", SignedImage(100, zeros, ""), false},
      {"a byte in the entry", SignedImage(100, "x", ""), false},
      {"a byte after it", SignedImage(100, "", "x"), false},
      {"a byte after the table", appended, false},
      {"entry shorter than the signature", changed(table, 107, 4), false},
      {"entry longer than the table", changed(table, 109, 4), false},
      {"signature not a SEQUENCE", changed(table + 8, 0x31, 1), false},
      {"indefinite length", changed(table + 9, 0x80, 1), false},
      // Only PKCS #7 signed data is a signature; the revision is not ours to
      // judge.
      {"entry typed X.509", changed(table + 6, 0x0001, 2), false},
      {"entry of a reserved type", changed(table + 6, 0x0003, 2), false},
      {"entry of revision 1.0", changed(table + 4, 0x0100, 2), true},
      {"table over the headers", changed(kEntry, 0x100, 4), false},
      {"table past the end", changed(kEntry + 4, 109, 4), false},
  };
  for (const Case& test : cases) {
    PeSignatureLayout layout;
    ASSERT_TRUE(
        ReadPeSignatureLayout(test.image.data(), test.image.size(), &layout))
        << test.name;
    EXPECT_EQ(test.sound, CertificateTableIsSound(test.image.data(),
                                                  test.image.size(), layout))
        << test.name;
    std::vector<uint8_t> digest;
    EXPECT_EQ(test.sound, DigestOf(test.image, &digest)) << test.name;
  }
}

}  // namespace
}  // namespace installer
