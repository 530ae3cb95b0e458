#include "desktop/windows/installer/service/signature_pe_image.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "base/win/windows_types.h"

#include <bcrypt.h>

namespace installer {
namespace {

constexpr uint32_t kPeOffset = 0x80;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;

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

// Reads the first |length| bytes from a copy that ends where an inaccessible
// page begins, so that any read past the end stops the test at once.
bool ReadGuarded(const std::vector<uint8_t>& bytes, size_t length,
                 PeSignatureLayout* layout) {
  constexpr size_t kSpan = 64 * 1024;  // Whole pages on every system.
  uint8_t* base = static_cast<uint8_t*>(::VirtualAlloc(
      nullptr, 2 * kSpan, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  DWORD old = 0;
  ::VirtualProtect(base + kSpan, kSpan, PAGE_NOACCESS, &old);
  uint8_t* copy = base + kSpan - length;
  memcpy(copy, bytes.data(), length);
  bool result = ReadPeSignatureLayout(copy, length, layout);
  ::VirtualFree(base, 0, MEM_RELEASE);
  return result;
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
  std::vector<uint8_t> rom = MakeHeaders({0x107, 16, 0x100});
  std::vector<uint8_t> far_pe = MakeHeaders({kPe32Plus, 16, 0x100});
  Put(&far_pe, 0x3C, 0xFFFFFFF0u, 4);

  const Case cases[] = {
      // In a PE32 image the PE32+ position holds directory 6's size.
      {"PE32 unsigned", MakeHeaders({kPe32, 16, 0}), true, true, 0},
      {"PE32 signed", MakeHeaders({kPe32, 16, 0x1234}), true, true, 0x1234},
      {"PE32+ unsigned", MakeHeaders({kPe32Plus, 16, 0}), true, true, 0},
      {"PE32+ signed", MakeHeaders({kPe32Plus, 16, 0x1234}), true, true,
       0x1234},
      {"four directories", MakeHeaders({kPe32Plus, 4, 0x1234}), true, false, 0},
      {"directories cut short", no_room, true, false, 0},
      {"ROM image", rom, false, false, 0},
      {"PE offset past the end", far_pe, false, false, 0},
  };
  for (const Case& test : cases) {
    PeSignatureLayout layout;
    ASSERT_EQ(test.is_pe,
              ReadGuarded(test.bytes, test.bytes.size(), &layout))
        << test.name;
    if (!test.is_pe)
      continue;
    EXPECT_EQ(kPeOffset + 24 + 64, layout.checksum_offset) << test.name;
    EXPECT_EQ(test.has_entry, layout.has_certificate_entry) << test.name;
    EXPECT_EQ(test.certificate_size, layout.certificate_table_size)
        << test.name;
  }
}

TEST(SignaturePeImageTest, EveryTruncationBeforeTheEntryIsNoImage) {
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

TEST(SignaturePeImageTest, DigestLeavesOutWhatSigningChanges) {
  std::vector<uint8_t> image = MakeHeaders({kPe32Plus});
  image.resize(image.size() + 512, 0x5A);  // The "sections".
  const size_t entry = kPeOffset + 24 + 112 + 4 * 8;
  auto digest_of = [](const std::vector<uint8_t>& bytes,
                      std::vector<uint8_t>* digest) {
    return ComputeAuthenticodeDigest(bytes.data(), bytes.size(),
                                     BCRYPT_SHA256_ALGORITHM, digest);
  };
  std::vector<uint8_t> unsigned_digest;
  ASSERT_TRUE(digest_of(image, &unsigned_digest));

  // Signing appends a table, points the entry at it and may set the
  // checksum: none of that changes the digest.
  std::vector<uint8_t> signed_image = image;
  Put(&signed_image, entry, static_cast<uint32_t>(signed_image.size()), 4);
  Put(&signed_image, entry + 4, 64, 4);
  Put(&signed_image, kPeOffset + 24 + 64, 0x12345678, 4);
  signed_image.resize(signed_image.size() + 64, 0xEE);
  std::vector<uint8_t> digest;
  ASSERT_TRUE(digest_of(signed_image, &digest));
  EXPECT_EQ(unsigned_digest, digest);

  // Any other byte does.
  std::vector<uint8_t> changed = signed_image;
  changed[signed_image.size() - 65] ^= 1;
  ASSERT_TRUE(digest_of(changed, &digest));
  EXPECT_NE(unsigned_digest, digest);

  // A table reaching past the file, or over the headers, is refused.
  changed = signed_image;
  Put(&changed, entry + 4, 65, 4);
  EXPECT_FALSE(digest_of(changed, &digest));
  changed = signed_image;
  Put(&changed, entry, 0x100, 4);
  EXPECT_FALSE(digest_of(changed, &digest));
}

}  // namespace
}  // namespace installer
