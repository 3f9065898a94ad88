// The server back end's record operations on a real PostgreSQL server (the test runs
// when KW_TEST_CONNINFO names one; tests/server/with_server.sh starts one for CTest):
// records come back byte for byte, a unique key refuses a second value and lets blank
// keys be, a put or delete of a row another desk changed gives 89 and of one it deleted
// 33, and a pass in key order, a page at a time either way, follows the keys' order
// (letter case ignored, the empty date first, equal values in the order stored).
#include "storage/postgres/pg_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "storage/postgres/pg_connection.h"
#include "storage/postgres/pg_create.h"

namespace kw::storage::pg {
namespace {

class PgTable : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* conninfo = std::getenv("KW_TEST_CONNINFO");
        if (!conninfo || !*conninfo) GTEST_SKIP() << "no server (KW_TEST_CONNINFO)";
        std::string message;
        ASSERT_TRUE(c_.open(conninfo, message)) << message;
        for (const char* label : {"ZAL", "SEC", "PKL", "KBP"})
            ASSERT_EQ(createTable(c_, dict::table(label)), "") << label;
    }
    template <class R>
    static const uint8_t* bytes(const R& r) {
        return reinterpret_cast<const uint8_t*>(&r);
    }
    template <class R>
    static R as(const Row& row) {
        R r;
        std::memcpy(&r, row.record.data(), sizeof r);
        return r;
    }
    Connection c_;
};

dict::ZalRecord pledge(int32_t ticket, int32_t date, const char* fioUtf8) {
    dict::ZalRecord z{};
    z.N_KV = ticket;
    z.DATA = date;
    z.FIO.assign(W(fioUtf8));
    return z;
}

TEST_F(PgTable, ARecordComesBackByteForByte) {
    Table zal(c_, dict::table("ZAL"));
    dict::ZalRecord z = pledge(1368, date::fromYmd(2025, 12, 8), "Соколова Анна Ёжиковна");
    z.OPER = 255;
    z.PROB = -585;
    z.S_VID = 0.1 + 0.2;  // no decimal of its own: the shortest exact form must keep it
    z.S_OZEN = 23600.5;
    z.VEC = 1e-300;
    z.DATA_K = 0;  // the empty date
    z.ADR.assign(W("г. Вологда, ул. Мира, д. 1 кв. 2"));
    RowId id;
    ASSERT_TRUE(zal.add(bytes(z), id).ok());
    EXPECT_GT(id.row, 0);
    Row back;
    ASSERT_TRUE(zal.get(id.row, back).ok());
    EXPECT_EQ(back.record, std::vector<uint8_t>(bytes(z), bytes(z) + sizeof z));
    EXPECT_EQ(back.id.version, id.version);
    Row none;
    EXPECT_EQ(zal.get(id.row + 1000, none).code, kRecordNotFound);

    Table kbp(c_, dict::table("KBP"));
    dict::KbpRecord k{};
    k.KDZ.assign(30);
    k.N_PROZ = 1.5;
    ASSERT_TRUE(kbp.add(bytes(k), id).ok());
    ASSERT_TRUE(kbp.get(id.row, back).ok());
    EXPECT_EQ(as<dict::KbpRecord>(back).KDZ.toDouble(), 30);
    EXPECT_EQ(back.record, std::vector<uint8_t>(bytes(k), bytes(k) + sizeof k));
}

TEST_F(PgTable, AUniqueKeyRefusesASecondValueAndLetsBlankKeysBe) {
    Table sec(c_, dict::table("SEC"));
    dict::SecRecord a{}, b{};
    a.K_POL = 6;
    a.PAROL.assign("6666");
    b.K_POL = 6;
    b.PAROL.assign("7777");
    RowId id;
    ASSERT_TRUE(sec.add(bytes(a), id).ok());
    EXPECT_EQ(sec.add(bytes(b), id).code, kDuplicateKey);
    b.K_POL = 7;
    b.PAROL.assign("6666");  // the same password, in another letter case too
    EXPECT_EQ(sec.add(bytes(b), id).code, kDuplicateKey);
    // Records whose key is blank are left out of it, as in the flat files.
    dict::SecRecord blank1{}, blank2{};
    blank1.PAROL.assign("1");
    blank2.PAROL.assign("2");
    EXPECT_TRUE(sec.add(bytes(blank1), id).ok());
    EXPECT_TRUE(sec.add(bytes(blank2), id).ok());
    uint32_t count = 0;
    ASSERT_TRUE(sec.records(count).ok());
    EXPECT_EQ(count, 3u);
}

TEST_F(PgTable, AChangeByAnotherDeskSinceTheReadGives89AndADeletionGives33) {
    Table zal(c_, dict::table("ZAL"));
    dict::ZalRecord z = pledge(1, 82160, "Иванов");
    RowId id;
    ASSERT_TRUE(zal.add(bytes(z), id).ok());
    Row mine, theirs;
    ASSERT_TRUE(zal.get(id.row, mine).ok());
    ASSERT_TRUE(zal.get(id.row, theirs).ok());
    // The other desk writes first.
    z.S_VID = 100;
    RowId now;
    ASSERT_TRUE(zal.put(theirs.id, bytes(z), now).ok());
    EXPECT_EQ(now.version, theirs.id.version + 1);
    z.S_VID = 200;
    EXPECT_EQ(zal.put(mine.id, bytes(z), now).code, kRecordChanged);
    EXPECT_EQ(zal.remove(mine.id).code, kRecordChanged);
    Row current;
    ASSERT_TRUE(zal.get(id.row, current).ok());
    EXPECT_EQ(as<dict::ZalRecord>(current).S_VID, 100);  // theirs stands
    ASSERT_TRUE(zal.remove(current.id).ok());
    EXPECT_EQ(zal.put(current.id, bytes(z), now).code, kRecordNotAvailable);
    EXPECT_EQ(zal.remove(current.id).code, kRecordNotAvailable);
}

TEST_F(PgTable, APassInKeyOrderFollowsTheKeyAPageAtATimeEitherWay) {
    Table zal(c_, dict::table("ZAL"));
    // KEY_2 is (DATA, N_KV) with duplicates: stored out of order, two equal values,
    // an empty date, and a record blank in both (left out of the key).
    const std::vector<std::pair<int32_t, int32_t>> stored = {
        {82160, 5}, {82159, 9}, {0, 3}, {82160, 2}, {82159, 9}, {82161, 1}, {0, 0}, {82160, 4}};
    std::vector<int64_t> rows;
    for (const auto& [date, ticket] : stored) {
        dict::ZalRecord z = pledge(ticket, date, "x");
        RowId id;
        ASSERT_TRUE(zal.add(bytes(z), id).ok());
        rows.push_back(id.row);
    }
    // The order worked out here: by date (empty first), ticket, then the order stored.
    std::vector<std::tuple<int32_t, int32_t, int64_t>> expected;
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (stored[i] != std::pair<int32_t, int32_t>{0, 0})
            expected.emplace_back(stored[i].first, stored[i].second, rows[i]);
    std::sort(expected.begin(), expected.end());

    auto pass = [&](bool forward) {
        std::vector<std::tuple<int32_t, int32_t, int64_t>> seen;
        std::vector<Row> page;
        Row last;
        bool first = true;
        for (int guard = 0; guard < 20; ++guard) {
            EXPECT_TRUE(zal.page(2, first ? nullptr : &last, forward, 3, page).ok());
            if (page.empty()) break;
            for (const auto& r : page) {
                const auto z = as<dict::ZalRecord>(r);
                seen.emplace_back(z.DATA, z.N_KV, r.id.row);
            }
            last = page.back();
            first = false;
        }
        return seen;
    };
    EXPECT_EQ(pass(true), expected);
    auto backwards = expected;
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(pass(false), backwards);

    // The first of equal values by key, and none for a value not there.
    dict::ZalRecord want = pledge(9, 82159, "");
    Row found;
    ASSERT_TRUE(zal.getByKey(2, bytes(want), found).ok());
    EXPECT_EQ(found.id.row, rows[1]);
    want = pledge(3, 0, "");
    ASSERT_TRUE(zal.getByKey(2, bytes(want), found).ok());
    EXPECT_EQ(found.id.row, rows[2]);
    want = pledge(6, 82160, "");
    EXPECT_EQ(zal.getByKey(2, bytes(want), found).code, kRecordNotFound);
}

TEST_F(PgTable, ATextKeyIgnoresLetterCase) {
    Table pkl(c_, dict::table("PKL"));
    const char* names[] = {"петров Пётр", "Иванов Иван", "Петров Павел", "абрамов",
                           "ИВАНОВА Ирина"};
    for (const char* n : names) {
        dict::PklRecord p{};
        p.FIO.assign(W(n));
        RowId id;
        ASSERT_TRUE(pkl.add(bytes(p), id).ok());
    }
    dict::PklRecord want{};
    want.FIO.assign(W("ИВАНОВ ИВАН"));
    Row found;
    ASSERT_TRUE(pkl.getByKey(1, bytes(want), found).ok());
    EXPECT_EQ(cp::toUtf8(as<dict::PklRecord>(found).FIO.view().substr(0, 11)), "Иванов Иван");
    std::vector<Row> page;
    ASSERT_TRUE(pkl.page(1, nullptr, true, 10, page).ok());
    std::vector<std::string> order;
    for (const auto& r : page) {
        std::string s(as<dict::PklRecord>(r).FIO.view());
        while (!s.empty() && s.back() == ' ') s.pop_back();
        order.push_back(cp::toUtf8(s));
    }
    // By capitals, as the flat files' key orders them: Ё comes before А.
    EXPECT_EQ(order, (std::vector<std::string>{"абрамов", "Иванов Иван", "ИВАНОВА Ирина",
                                               "петров Пётр", "Петров Павел"}));
}

TEST_F(PgTable, APageIsReadThroughTheKeysIndexNotTheWholeTable) {
    Table zal(c_, dict::table("ZAL"));
    ASSERT_TRUE(c_.exec("INSERT INTO zal (n_kv, data) SELECT g, DATE '2025-01-01' + (g % 300) FROM "
                        "generate_series(1, 20000) g")
                    .ok());
    ASSERT_TRUE(c_.exec("ANALYZE zal").ok());
    std::vector<Row> page;
    ASSERT_TRUE(zal.page(2, nullptr, true, 20, page).ok());
    ASSERT_EQ(page.size(), 20u);
    Result plan = c_.exec(
        "EXPLAIN SELECT * FROM zal WHERE NOT (data IS NULL AND n_kv = 0) AND "
        "(COALESCE(data, DATE '1800-12-28'), n_kv, kw_row) > (COALESCE('2025-03-01'::date, DATE "
        "'1800-12-28'), "
        "5::integer, 7::bigint) ORDER BY COALESCE(data, DATE '1800-12-28'), n_kv, kw_row LIMIT 20");
    ASSERT_TRUE(plan.ok()) << plan.error();
    std::string text;
    for (int i = 0; i < plan.rows(); ++i) text += plan.value(i, 0) + "\n";
    EXPECT_NE(text.find("Index Scan using zal_key_2"), std::string::npos) << text;
    EXPECT_EQ(text.find("Seq Scan"), std::string::npos) << text;
}

}  // namespace
}  // namespace kw::storage::pg
