// Money totals that the server adds up itself (File::sumKopecks): each amount taken to
// whole kopecks as the ticket shows it, whatever binary residue or odd value the field
// holds, and the conditions on whole numbers and dates, the empty date included, exactly
// as the program compares them. The expected kopecks are written out by hand. The flat
// files leave the totals to the caller's own pass (80).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dictionary/tables.h"
#include "runtime/date.h"
#include "storage/error_codes.h"
#include "storage/file.h"
#include "storage/postgres/pg_backend.h"
#include "storage/postgres/server_test_util.h"
#include "storage/storage_test_util.h"

namespace kw::storage {
namespace {

using Cond = File::Condition;

const int32_t kToday = date::fromYmd(2026, 3, 14);

class MoneySums : public ::testing::Test {
  protected:
    void SetUp() override {
        pg::registerServerBackend();
        if (!testing::keepOnTestServer(dir_)) GTEST_SKIP() << "no server (KW_TEST_CONNINFO)";
    }
    testing::TempDir dir_;
};

int field(const char* name) {
    return dict::zalTable().fieldNumber(name);
}

// Ticket i holds amount kAmounts[i].value, whose kopecks (as the ticket prints the
// amount) are kAmounts[i].kopecks.
struct Amount {
    double value;
    int64_t kopecks;
};
const Amount kAmounts[] = {
    {1234.56, 123456},
    {1.005, 101},     // the double lies below 1.005; the decimal a person sees is 1.005
    {2.675, 268},     // likewise
    {-1.005, -101},   // half away from zero
    {0.1 + 0.2, 30},  // 0.30000000000000004
    {1.0 / 3, 33},
    {0.0049, 0},
    {0.005, 1},
    {99999.995, 10000000},
    {std::numeric_limits<double>::quiet_NaN(), 0},
    {std::numeric_limits<double>::infinity(), 0},
    {1e20, 9'000'000'000'000'000},  // cut at 9e13 roubles
    {1234567.891, 123456789},
};
constexpr int kCount = sizeof kAmounts / sizeof kAmounts[0];

TEST_F(MoneySums, EachAmountInTheKopecksTheTicketShowsAndTheConditionsAsTheProgramComparesThem) {
    File f(dict::zalTable(), testing::in(dir_));
    ASSERT_EQ(f.create().code, kOk);
    ASSERT_EQ(f.open().code, kOk);
    // Ticket i (1-based): the amount, state i % 7, taken in today (i % 3 == 0), on no
    // day (i % 3 == 1, the empty date) or the day before; KOL_D = i.
    for (int i = 1; i <= kCount; ++i) {
        testing::zal(i);
        ZAL.S_VID = kAmounts[i - 1].value;
        ZAL.SOST = static_cast<uint8_t>(i % 7);
        ZAL.DATA = i % 3 == 0 ? kToday : i % 3 == 1 ? 0 : kToday - 1;
        ZAL.KOL_D = static_cast<int16_t>(i);
        ASSERT_EQ(f.add().code, kOk) << i;
    }
    std::vector<File::SumTerm> terms;
    for (int i = 1; i <= kCount; ++i)
        terms.push_back({field("S_VID"), {{field("N_KV"), Cond::Op::Eq, i}}});
    const int perTicket = static_cast<int>(terms.size());
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Eq, kToday}}});  // 3 6 9 12
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Eq, 0}}});       // 1 4 7 10 13
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Lt, kToday}}});  // 1 2 4 5 7 8 ...
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Ge, kToday - 1}}});  // 2 3 5 6 ...
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Ne, kToday}}});
    terms.push_back(
        {field("S_VID"), {{field("SOST"), Cond::Op::Lt, 4}, {field("KOL_D"), Cond::Op::Gt, 6}}});
    terms.push_back({field("S_VID"), {{field("DATA"), Cond::Op::Gt, date::fromYmd(9999, 12, 31)}}});
    terms.push_back({field("S_VID"), {}});
    std::vector<int64_t> sums;
    ASSERT_EQ(f.sumKopecks(terms, sums).code, kOk);
    ASSERT_EQ(sums.size(), terms.size());
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(sums[i], kAmounts[i].kopecks) << "ticket " << i + 1;
    auto of = [](std::initializer_list<int> tickets) {
        int64_t k = 0;
        for (int t : tickets) k += kAmounts[t - 1].kopecks;
        return k;
    };
    EXPECT_EQ(sums[perTicket + 0], of({3, 6, 9, 12})) << "taken in today";
    EXPECT_EQ(sums[perTicket + 1], of({1, 4, 7, 10, 13})) << "the empty date is 0";
    EXPECT_EQ(sums[perTicket + 2], of({1, 2, 4, 5, 7, 8, 10, 11, 13})) << "0 lies before today";
    EXPECT_EQ(sums[perTicket + 3], of({2, 3, 5, 6, 8, 9, 11, 12})) << "but not after yesterday";
    EXPECT_EQ(sums[perTicket + 4], of({1, 2, 4, 5, 7, 8, 10, 11, 13}));
    // states below 4: tickets 7 (0), 8 (1), 9 (2), 10 (3); KOL_D above 6 from ticket 7
    EXPECT_EQ(sums[perTicket + 5], of({7, 8, 9, 10}));
    EXPECT_EQ(sums[perTicket + 6], 0) << "no stored date lies beyond the last day";
    EXPECT_EQ(sums[perTicket + 7], of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));

    // Conditions that every term has (the day's list: its totals and its count) select
    // the rows; each term's own conditions filter within them.
    const Cond today{field("DATA"), Cond::Op::Eq, kToday}, noDay{field("DATA"), Cond::Op::Eq, 0};
    const Cond open{field("SOST"), Cond::Op::Lt, 4};
    ASSERT_EQ(
        f.sumKopecks({{0, {today}}, {field("S_VID"), {today}}, {0, {today, open}}}, sums).code,
        kOk);
    EXPECT_EQ(sums, (std::vector<int64_t>{4, of({3, 6, 9, 12}), 2}))
        << "tickets 3 6 9 12 in states 3 6 2 5";
    ASSERT_EQ(f.sumKopecks({{0, {noDay}}, {field("S_VID"), {noDay, open}}}, sums).code, kOk);
    EXPECT_EQ(sums, (std::vector<int64_t>{5, of({1, 7, 10})})) << "1 4 7 10 13 of states 1 4 0 3 6";

    // A deleted record counts for nothing; a term on a field that is no amount is refused.
    ASSERT_EQ(f.getRecord(1).code, kOk);
    ASSERT_EQ(f.remove().code, kOk);
    ASSERT_EQ(f.sumKopecks({{field("S_VID"), {}}}, sums).code, kOk);
    EXPECT_EQ(sums.at(0), of({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(f.sumKopecks({{field("N_KV"), {}}}, sums).code, kInvalidFieldType);
    EXPECT_EQ(f.sumKopecks({{field("S_VID"), {{field("FIO"), Cond::Op::Eq, 1}}}}, sums).code,
              kInvalidFieldType);
    ASSERT_EQ(f.close().code, kOk);
}

TEST(MoneySumsFlat, TheFlatFilesLeaveTheTotalsToTheCallersPass) {
    testing::TempDir dir;
    File f(dict::zalTable(), testing::in(dir));
    ASSERT_EQ(f.create().code, kOk);
    ASSERT_EQ(f.open().code, kOk);
    std::vector<int64_t> sums{1};
    EXPECT_EQ(f.sumKopecks({{field("S_VID"), {}}}, sums).code, kUnsupportedFunction);
    EXPECT_TRUE(sums.empty());
    ASSERT_EQ(f.close().code, kOk);
}

}  // namespace
}  // namespace kw::storage
