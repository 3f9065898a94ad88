// Reading a record in one pass gives what a copy and then the code-page conversion of its
// strings gave: every byte value, at every place of a string (the sixteen-byte steps and
// the tails), with the bytes between the strings left alone.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "storage/record_codec.h"

namespace kw::storage {
namespace {

TEST(RecordConvert, OnePassGivesTheCopyAndTheConversionForEveryByteAtEveryPlace) {
    const TableDecl& zal = kw::dict::table("ZAL");
    const StringFields strings(zal);
    ASSERT_GE(strings.spans.size(), 3u);
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> rec(zal.recordSize);
        for (auto& b : rec) {
            // Mostly blanks, Latin and Cyrillic letters, now and then any byte at all.
            const unsigned r = rng() % 10;
            b = static_cast<uint8_t>(r < 3   ? ' '
                                     : r < 5 ? 'A' + rng() % 26
                                     : r < 8 ? 0x80 + rng() % 0x30
                                     : r < 9 ? 0xE0 + rng() % 0x10
                                             : rng() % 256);
        }
        std::vector<uint8_t> expected = rec;
        for (auto [off, len] : strings.spans)
            for (std::size_t i = off; i < off + len; ++i)
                expected[i] =
                    static_cast<uint8_t>(cp::oemToAnsi(static_cast<unsigned char>(rec[i])));
        std::vector<uint8_t> out(zal.recordSize, 0x5A);
        strings.copyToAnsi(rec.data(), out.data(), rec.size());
        ASSERT_EQ(out, expected) << "round " << round;
    }
    // Every byte value in every position of a 16-byte step of the first string.
    const auto [off, len] = strings.spans.front();
    for (int c = 0; c < 256; ++c)
        for (unsigned at = 0; at < std::min<unsigned>(len, 20); ++at) {
            std::vector<uint8_t> rec(zal.recordSize, 0x90);  // a Cyrillic letter everywhere
            rec[off + at] = static_cast<uint8_t>(c);
            std::vector<uint8_t> out(zal.recordSize);
            strings.copyToAnsi(rec.data(), out.data(), rec.size());
            ASSERT_EQ(out[off + at],
                      static_cast<uint8_t>(cp::oemToAnsi(static_cast<unsigned char>(c))))
                << c << " at " << at;
            ASSERT_EQ(out[off + (at + 1) % len], static_cast<uint8_t>(cp::oemToAnsi(0x90)));
        }
}

}  // namespace
}  // namespace kw::storage
