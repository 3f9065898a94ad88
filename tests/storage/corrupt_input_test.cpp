// Bad bytes on disk are an error code, never a crash or a read out of bounds: truncated,
// foreign and damaged data and key files, random damage, and the regression corpus of
// tests/corpus/datafile replayed through the fuzz target's body.
#include <random>

#include "datafile_fuzz_body.h"
#include "storage/byte_order.h"
#include "storage/data_format.h"
#include "storage/key_tree.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;

class CorruptFile : public ::testing::Test {
  protected:
    void SetUp() override {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(f.create().code, 0);
        ASSERT_EQ(f.open().code, 0);
        for (int t = 1; t <= 300; ++t) {
            testing::zal(t, "Иванов", 72000 + t % 7, 73000 + t);
            ASSERT_EQ(f.add().code, 0);
        }
        ASSERT_EQ(f.close().code, 0);
        dat_ = testing::readAll(dir_.file("ZAL.DAT"));
        k1_ = testing::readAll(dir_.file("ZAL.K01"));
    }
    int openCode() {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        return f.open().code;
    }
    // Opens and reads everything; returns the first error met (0 when none).
    int readAllCode() {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        Status s = f.open();
        if (!s.ok()) return s.code;
        for (int key = 0; key <= 3; ++key) {
            s = f.set(key);
            for (int guard = 0; s.ok() && guard < 5000; ++guard) s = f.next();
            if (s.code != kRecordNotAvailable) return s.code;
        }
        return 0;
    }
    TempDir dir_;
    std::vector<uint8_t> dat_, k1_;
};

TEST_F(CorruptFile, TruncatedForeignAndInconsistentDataFiles) {
    testing::writeAll(dir_.file("ZAL.DAT"), std::vector<uint8_t>(dat_.begin(), dat_.begin() + 40));
    EXPECT_EQ(openCode(), kInvalidDataFile);
    testing::writeAll(dir_.file("ZAL.DAT"), {});
    EXPECT_EQ(openCode(), kInvalidDataFile);
    const std::string text = "Name;Address\nIvanov;Moscow\n" + std::string(200, 'x');
    testing::writeAll(dir_.file("ZAL.DAT"), std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(openCode(), kNotThisFormat);
    // Cut in the middle of the slots: the header promises more than there is.
    testing::writeAll(dir_.file("ZAL.DAT"), std::vector<uint8_t>(dat_.begin(), dat_.end() - 1000));
    EXPECT_EQ(openCode(), kInvalidDataFile);
    // A record count far beyond the file.
    auto big = dat_;
    le::put32(big.data() + 5, 0x7FFFFFFF);
    testing::writeAll(dir_.file("ZAL.DAT"), big);
    EXPECT_EQ(openCode(), kInvalidDataFile);
    // A data offset beyond the file.
    auto off = dat_;
    le::put32(off.data() + 21, 0xFFFFFFF0);
    testing::writeAll(dir_.file("ZAL.DAT"), off);
    EXPECT_EQ(openCode(), kInvalidDataFile);
}

TEST_F(CorruptFile, DeclarationMismatchIsInvalidRecordDeclaration) {
    auto fields = dat_;
    le::put16(fields.data() + 13, 66);  // field count
    testing::writeAll(dir_.file("ZAL.DAT"), fields);
    EXPECT_EQ(openCode(), kInvalidRecordDeclaration);
    auto keyFlags = dat_;
    keyFlags[85 + 67 * 27 + 17] = 0x20;  // KEY_1 no longer DUP
    testing::writeAll(dir_.file("ZAL.DAT"), keyFlags);
    EXPECT_EQ(openCode(), kInvalidRecordDeclaration);
    testing::writeAll(dir_.file("ZAL.DAT"), dat_);
    File day(kw::dict::table("DAY"), [&] {
        FileOptions o = testing::in(dir_);
        o.name = "ZAL";
        return o;
    }());
    EXPECT_EQ(day.open().code, kInvalidRecordDeclaration);
}

TEST_F(CorruptFile, DamagedKeyFiles) {
    auto head = k1_;
    head[0] = 'X';
    testing::writeAll(dir_.file("ZAL.K01"), head);
    EXPECT_EQ(openCode(), kInvalidKeyFile);
    // Blocks that point nowhere, or back at themselves.
    auto k = k1_;
    KeyMeta m;
    ASSERT_TRUE(decodeKeyMeta(k.data(), m));
    ASSERT_GE(m.levels, 2u);
    le::put32(k.data() + uint64_t{m.root} * kBlockSize + kNodeHead, m.blocks + 5);
    testing::writeAll(dir_.file("ZAL.K01"), k);
    EXPECT_EQ(readAllCode(), kInvalidKeyFile);
    k = k1_;
    // Find the first leaf: follow first children.
    uint32_t n = m.root;
    for (uint32_t level = m.levels; level >= 2; --level)
        n = le::get32(k.data() + uint64_t{n} * kBlockSize + kNodeHead);
    le::put32(k.data() + uint64_t{n} * kBlockSize + 1, n);  // next leaf: itself
    testing::writeAll(dir_.file("ZAL.K01"), k);
    const int code = readAllCode();
    EXPECT_TRUE(code == 0 || code == kInvalidKeyFile || code == kKeyFileMustBeRebuilt) << code;
    // An entry count above what a block holds.
    k = k1_;
    k[uint64_t{n} * kBlockSize] = 200;
    testing::writeAll(dir_.file("ZAL.K01"), k);
    EXPECT_EQ(readAllCode(), kInvalidKeyFile);
    // A key file that names records that are not there.
    testing::writeAll(dir_.file("ZAL.K01"), k1_);
    auto few = dat_;
    le::put32(few.data() + 5, 100);
    le::put32(few.data() + 25, 100);  // highest record
    few.resize(le::get32(few.data() + 21) + 100 * 717);
    testing::writeAll(dir_.file("ZAL.DAT"), few);
    EXPECT_EQ(readAllCode(), kKeyFileMustBeRebuilt);
}

TEST_F(CorruptFile, RandomDamageNeverCrashes) {
    std::mt19937 rng(11);
    for (int round = 0; round < 150; ++round) {
        auto d = dat_;
        auto k = k1_;
        auto& target = rng() % 2 ? d : k;
        for (int i = 0; i < 1 + static_cast<int>(rng() % 8); ++i)
            target[rng() % target.size()] = static_cast<uint8_t>(rng());
        if (rng() % 5 == 0) target.resize(rng() % target.size());
        testing::writeAll(dir_.file("ZAL.DAT"), d);
        testing::writeAll(dir_.file("ZAL.K01"), k);
        (void)readAllCode();
        const std::string input =
            fuzzing::joinInput({std::string(d.begin(), d.end()), std::string(k.begin(), k.end())});
        fuzzing::runDataFile(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
}

TEST(Corpus, EveryKeptInputStillRuns) {
    const std::filesystem::path dir =
        std::filesystem::path(KW_SOURCE_DIR) / "tests/corpus/datafile";
    ASSERT_TRUE(std::filesystem::exists(dir));
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() == ".md") continue;
        const auto bytes = testing::readAll(e.path());
        SCOPED_TRACE(e.path().filename().string());
        fuzzing::runDataFile(bytes.data(), bytes.size());
        ++n;
    }
    EXPECT_GT(n, 0);
}

}  // namespace
}  // namespace kw::storage
