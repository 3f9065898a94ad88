// The on-disk layout of new data files: header, field and key descriptors, cipher.
#include <cstring>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/data_format.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;

TEST(DataFileFormat, NewZalFileHasTheHeaderOfItsDeclaration) {
    TempDir d;
    File f(kw::dict::table("ZAL"), testing::in(d));
    ASSERT_EQ(f.create().code, 0);
    auto bytes = testing::readAll(f.dataPath());
    ASSERT_GE(bytes.size(), kHeaderSize);
    const uint8_t* h = bytes.data();
    EXPECT_EQ(le::get16(h + 0), 0x3343);
    EXPECT_EQ(le::get16(h + 2), kAttrDriver | kAttrReclaim);
    EXPECT_EQ(h[4], 3);                 // keys
    EXPECT_EQ(le::get32(h + 5), 0u);    // records
    EXPECT_EQ(le::get32(h + 9), 0u);    // deleted
    EXPECT_EQ(le::get16(h + 13), 67);   // fields
    EXPECT_EQ(le::get16(h + 19), 717);  // slot length
    EXPECT_EQ(le::get32(h + 21), 85u + 67 * 27 + 25 + 31 + 25);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 61), 3), "ZAL");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 37), 12), std::string(12, ' '));
    EXPECT_EQ(bytes.size(), 85u + 67 * 27 + 25 + 31 + 25);

    // Field 32 (DATA_PR1): LONG at 499, named with its prefix.
    const uint8_t* fd = h + 85 + 31 * 27;
    EXPECT_EQ(fd[0], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fd + 1), 16), "ZAL:DATA_PR1    ");
    EXPECT_EQ(le::get16(fd + 17), 499);
    EXPECT_EQ(le::get16(fd + 19), 4);
    // Field 3 (FIO): STRING(60) at 5; field 9 (Z1G): REAL; field 8 (PROB): SHORT; 67 BYTE.
    EXPECT_EQ(h[85 + 2 * 27], 3);
    EXPECT_EQ(le::get16(h + 85 + 2 * 27 + 19), 60);
    EXPECT_EQ(h[85 + 8 * 27], 2);
    EXPECT_EQ(h[85 + 7 * 27], 6);
    EXPECT_EQ(h[85 + 66 * 27], 5);

    // KEY_2: two components (DATA field 2 at 1, N_KV field 6 at 185), DUP+NOCASE, 8 bytes.
    const uint8_t* k2 = h + 85 + 67 * 27 + 25;
    EXPECT_EQ(k2[0], 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(k2 + 1), 16), "KEY_2           ");
    EXPECT_EQ(k2[17], 0x30);
    EXPECT_EQ(k2[18], 8);
    EXPECT_EQ(k2[19], 1);
    EXPECT_EQ(le::get16(k2 + 20), 2);
    EXPECT_EQ(le::get16(k2 + 22), 1);
    EXPECT_EQ(k2[24], 4);
    EXPECT_EQ(le::get16(k2 + 26), 6);
    EXPECT_EQ(le::get16(k2 + 28), 185);

    // Key files K01..K03 and the journal exist.
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(std::filesystem::exists(f.keyPath(k))) << k;
    EXPECT_TRUE(std::filesystem::exists(f.logPath()));
    EXPECT_EQ(File::keyExtension(1), ".K01");
    EXPECT_EQ(File::keyExtension(10), ".K0A");
    EXPECT_EQ(File::keyExtension(36), ".K10");
}

TEST(DataFileFormat, UniqueKeysAndDecimalDescriptors) {
    Layout l;
    ASSERT_TRUE(layoutFor(kw::dict::table("DAY"), l).ok());
    EXPECT_EQ(l.keys[0].flags, 0x20);  // unique: NOCASE only
    ASSERT_TRUE(layoutFor(kw::dict::table("KBP"), l).ok());
    const FieldDesc& kdz = l.fields[6];
    EXPECT_EQ(kdz.type, 8);
    EXPECT_EQ(kdz.offset, 252);
    EXPECT_EQ(kdz.length, 3);
    EXPECT_EQ(kdz.digits, 5);
    EXPECT_EQ(kdz.places, 0);
    EXPECT_EQ(l.keys.size(), 0u);
}

TEST(DataFileFormat, TypesTheFormatCannotStoreAreRefused) {
    TableDecl t = kw::dict::table("FIL");
    t.fields[0].type = FieldType::UShort;
    Layout l;
    EXPECT_EQ(layoutFor(t, l).code, kInvalidFieldType);
    TempDir d;
    File f(t, testing::in(d));
    EXPECT_EQ(f.create().code, kInvalidFieldType);
    EXPECT_FALSE(std::filesystem::exists(f.dataPath()));
}

TEST(DataFileFormat, CipherKeyAndWordXor) {
    // Start value plus the words "QO", "RV", "AL" (little-endian), kept to 16 bits.
    const uint32_t sum = cipher::kStartValue + 0x4F51 + 0x5652 + 0x4C41;
    EXPECT_EQ(cipher::deriveKey("QORVAL"), static_cast<uint16_t>(sum));
    EXPECT_EQ(cipher::deriveKey("QORVALX"), cipher::deriveKey("QORVAL"));  // odd byte ignored
    uint8_t area[5] = {1, 2, 3, 4, 5};
    cipher::apply(area, 5, 0x1234);
    EXPECT_EQ(area[0], 1 ^ 0x34);
    EXPECT_EQ(area[1], 2 ^ 0x12);
    EXPECT_EQ(area[4], 5);  // last odd byte untouched
    cipher::apply(area, 5, 0x1234);
    EXPECT_EQ(area[0], 1);
}

TEST(DataFileFormat, OwnedFileHeaderIsEncipheredAndChecked) {
    TempDir d;
    File f(kw::dict::table("SEC"), testing::in(d));
    ASSERT_EQ(f.create().code, 0);
    auto bytes = testing::readAll(f.dataPath());
    EXPECT_EQ(le::get16(bytes.data()), 0x3343);
    EXPECT_EQ(le::get16(bytes.data() + 2), kAttrDriver | kAttrOwner | kAttrEncrypt | kAttrReclaim);
    uint8_t h[kHeaderSize];
    std::memcpy(h, bytes.data(), kHeaderSize);
    const uint16_t key = cipher::deriveKey("QORVAL");
    EXPECT_NE(le::get16(h + 19), 76);  // slot length is not readable in the clear
    cipher::apply(h + 4, kHeaderSize - 4, key);
    EXPECT_EQ(le::get16(h + 19), 76);
    const uint16_t check = le::get16(h + 83);
    le::put16(h + 83, 0);
    EXPECT_EQ(cipher::headerSum(h), check);
    // The field descriptors are enciphered too.
    uint8_t fd[kFieldDescSize];
    std::memcpy(fd, bytes.data() + kHeaderSize, kFieldDescSize);
    EXPECT_NE(std::string(reinterpret_cast<char*>(fd + 1), 9), "SEC:K_POL");
    cipher::apply(fd, kFieldDescSize, key);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(fd + 1), 9), "SEC:K_POL");
}

}  // namespace
}  // namespace kw::storage
