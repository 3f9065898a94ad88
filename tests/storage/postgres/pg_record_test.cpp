// A row's values in the server's binary form, turned into a record's fields: what the
// field can hold is taken, and a value it cannot hold (a byte over 255, a date outside
// 1801..9999 or the server's infinity, a value of the wrong width) is refused as the
// text form refuses it, never stored cut down. Needs no server.
#include "storage/postgres/pg_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dictionary/tables.h"
#include "dictionary/zal.h"
#include "runtime/date.h"

namespace kw::storage::pg {
namespace {

std::string bigEndian(uint64_t v, int n) {
    std::string s(static_cast<std::size_t>(n), '\0');
    for (int i = n - 1; i >= 0; --i, v >>= 8) s[static_cast<std::size_t>(i)] = static_cast<char>(v);
    return s;
}

const FieldDecl& zalField(const char* name) {
    const TableDecl& t = dict::table("ZAL");
    for (const auto& f : t.fields)
        if (f.name == name) return f;
    ADD_FAILURE() << name;
    return t.fields.front();
}

bool set(dict::ZalRecord& z, const char* name, const std::string& value, bool null = false) {
    return setFieldBinary(zalField(name), reinterpret_cast<uint8_t*>(&z), value.data(),
                          static_cast<int>(value.size()), null);
}

TEST(PgBinaryValues, WhatTheFieldHoldsIsTakenAndWhatItCannotHoldIsRefused) {
    dict::ZalRecord z{};
    ASSERT_TRUE(set(z, "SOST", bigEndian(255, 2)));
    EXPECT_EQ(z.SOST, 255);
    EXPECT_FALSE(set(z, "SOST", bigEndian(256, 2)));
    EXPECT_FALSE(set(z, "SOST", bigEndian(0xFFFF, 2)));  // -1
    ASSERT_TRUE(set(z, "KOL_D1", bigEndian(0x8000, 2)));
    EXPECT_EQ(z.KOL_D1, -32768);
    ASSERT_TRUE(set(z, "N_KV", bigEndian(0xFFFFFFFE, 4)));
    EXPECT_EQ(z.N_KV, -2);
    EXPECT_FALSE(set(z, "N_KV", bigEndian(1, 2)));
    EXPECT_FALSE(set(z, "N_KV", "", true));

    // Dates count from 1.1.2000 on the server; NULL is the empty date.
    const auto day = [](int y, int m, int d) {
        return bigEndian(static_cast<uint32_t>(date::fromYmd(y, m, d) - date::fromYmd(2000, 1, 1)),
                         4);
    };
    ASSERT_TRUE(set(z, "DATA", day(1801, 1, 1)));
    EXPECT_EQ(z.DATA, date::fromYmd(1801, 1, 1));
    ASSERT_TRUE(set(z, "DATA", bigEndian(31, 4)));
    EXPECT_EQ(z.DATA, date::fromYmd(2000, 2, 1));
    ASSERT_TRUE(set(z, "DATA", "", true));
    EXPECT_EQ(z.DATA, 0);
    EXPECT_FALSE(set(z, "DATA", bigEndian(static_cast<uint32_t>(-72684), 4)));  // 31.12.1800
    EXPECT_FALSE(set(z, "DATA", bigEndian(0x7FFFFFFF, 4)));                     // infinity
    ASSERT_TRUE(set(z, "DATA_K", day(9999, 12, 31)));
    EXPECT_EQ(z.DATA_K, date::fromYmd(9999, 12, 31));
    const int32_t after = date::fromYmd(9999, 12, 31) - date::fromYmd(2000, 1, 1) + 1;
    EXPECT_FALSE(set(z, "DATA_K", bigEndian(static_cast<uint32_t>(after), 4)));

    const double tenth = 0.1;
    uint64_t bits;
    std::memcpy(&bits, &tenth, sizeof bits);
    ASSERT_TRUE(set(z, "S_VID", bigEndian(bits, 8)));
    EXPECT_EQ(z.S_VID, 0.1);
    EXPECT_FALSE(set(z, "S_VID", bigEndian(bits, 4)));

    ASSERT_TRUE(set(z, "FIO", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0"));  // "Ёлка" in UTF-8
    EXPECT_EQ(z.FIO.clip(), "\xA8\xEB\xEA\xE0");                     // and in 1251
    EXPECT_FALSE(set(z, "FIO", std::string(61, 'x')));
}

}  // namespace
}  // namespace kw::storage::pg
