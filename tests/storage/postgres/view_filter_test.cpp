// A view's filter on both back ends: the server is sent the conditions it can test as
// the program does and sends only the rows that meet them; the flat files read every
// record. Either way the view gives exactly the records that a plain loop over what was
// written picks, in the order asked for, either way, and from a saved position; a pass
// of the same file on the thread afterwards (or in between) sees every record. The
// server half runs when KW_TEST_CONNINFO names a server (tests/server/with_server.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "storage/file.h"
#include "storage/postgres/pg_backend.h"
#include "storage/postgres/server_test_util.h"
#include "storage/storage_test_util.h"
#include "storage/view.h"

namespace kw::storage {
namespace {

using testing::Back;

const int32_t kDay = date::fromYmd(2026, 2, 10);
constexpr int32_t kPledges = 400;

// Ticket i: a state, a fineness, a metal, a date of the last prolongation that is
// empty for every fourth, a client among a few names (two that differ in letter case).
dict::ZalRecord pledge(int32_t i) {
    dict::ZalRecord z{};
    z.N_KV = i;
    z.DATA = kDay + i % 5;
    z.SOST = static_cast<uint8_t>(i % 6);
    z.DATA_PRW = i % 4 == 0 ? 0 : kDay - 10 + i % 13;
    z.PROB = static_cast<int16_t>(250 + (i * 7) % 100);
    z.MET = static_cast<uint8_t>(i % 3);
    z.S_VID = i * 10.5;
    if (i % 10 == 3)
        z.FIO.assign(W("Иванов И.И."));
    else if (i % 10 == 4)
        z.FIO.assign(W("иванов и.и."));
    else
        z.FIO.assign("Pledger " + std::to_string(i % 20));
    return z;
}

using Pick = std::function<bool(const dict::ZalRecord&)>;

struct Case {
    std::string filter;
    Pick want;  // the program's answer
    Pick sent;  // what the server lets through: the conditions it is sent
};

std::string day(int32_t offset) {
    return std::to_string(kDay + offset);
}

std::vector<Case> cases() {
    auto all = [](const dict::ZalRecord&) { return true; };
    return {
        {"zal:sost <> 4 and zal:data_prw < " + day(0) + " and zal:prob >= 300",
         [](const auto& z) { return z.SOST != 4 && z.DATA_PRW < kDay && z.PROB >= 300; },
         {}},
        {"zal:data_prw = 0 and zal:met = 2",
         [](const auto& z) { return z.DATA_PRW == 0 && z.MET == 2; },
         {}},
        {"zal:data_prw >= " + day(-3) + " and " + day(0) + " >= zal:data_prw and zal:sost > 1",
         [](const auto& z) { return z.DATA_PRW >= kDay - 3 && z.DATA_PRW <= kDay && z.SOST > 1; },
         {}},
        {"zal:data_prw <> 0 and zal:data_prw > 3 and zal:met > -5",
         [](const auto& z) { return z.DATA_PRW != 0; },
         {}},
        {"zal:fio = 'Pledger 7   ' and zal:sost < 5",
         [](const auto& z) { return z.FIO.clip() == "Pledger 7" && z.SOST < 5; },
         {}},
        {W("zal:fio = 'Иванов И.И.'"),
         [](const auto& z) { return z.FIO.clip() == W("Иванов И.И."); },
         {}},
        {"zal:prob > 299.5 and zal:sost = '3'",
         [](const auto& z) { return z.PROB >= 300 && z.SOST == 3; },
         {}},
        // Within the program's tolerance of 300: 300; a fraction no whole number equals.
        {"zal:prob = 300.0000000000001 and zal:sost <> 2.5",
         [](const auto& z) { return z.PROB == 300; },
         {}},
        {"zal:met = 300", [](const auto&) { return false; }, {}},
        // A REAL and upper() stay with the program; the metal goes to the server.
        {"zal:s_vid > 1000 and zal:met = 1 and upper(zal:fio) <> 'X'",
         [](const auto& z) { return z.S_VID > 1000 && z.MET == 1; },
         [](const auto& z) { return z.MET == 1; }},
        {"zal:met = 1 or zal:sost = 2", [](const auto& z) { return z.MET == 1 || z.SOST == 2; },
         all},
    };
}

class ViewFilter : public ::testing::TestWithParam<Back> {
  protected:
    void SetUp() override {
        pg::registerServerBackend();
        if (GetParam() == Back::Server) {
            if (!testing::keepOnTestServer(dir_)) GTEST_SKIP() << "no server (KW_TEST_CONNINFO)";
        }
        zal_ = std::make_unique<File>(dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(zal_->create().code, kOk);
        ASSERT_EQ(zal_->open().code, kOk);
        for (int32_t i = 1; i <= kPledges; ++i) {
            written_.push_back(pledge(i));
            std::memcpy(zal_->buffer(), &written_.back(), sizeof(dict::ZalRecord));
            ASSERT_EQ(zal_->add().code, kOk);
        }
    }
    bool server() const { return GetParam() == Back::Server; }
    const dict::ZalRecord& record() const {
        return *reinterpret_cast<const dict::ZalRecord*>(zal_->buffer());
    }
    // The tickets of a pass from the start (the end), and the records it read.
    std::vector<int32_t> pass(View& v, bool forward, uint64_t* reads = nullptr) {
        const uint64_t before = v.reads();
        std::vector<int32_t> out;
        EXPECT_EQ((forward ? v.setStart() : v.setEnd()).code, kOk);
        while ((forward ? v.next() : v.previous()).ok()) {
            out.push_back(record().N_KV);
            EXPECT_EQ(std::memcmp(&record(), &written_[std::size_t(out.back() - 1)],
                                  sizeof(dict::ZalRecord)),
                      0)
                << out.back();
        }
        if (reads) *reads = v.reads() - before;
        return out;
    }
    // Every ticket of the file, read on this thread without a view.
    std::vector<int32_t> wholeFile() {
        std::vector<int32_t> out;
        EXPECT_EQ(zal_->set(1).code, kOk);
        while (zal_->next().ok()) out.push_back(record().N_KV);
        return out;
    }
    testing::TempDir dir_;
    std::unique_ptr<File> zal_;
    std::vector<dict::ZalRecord> written_;
};

std::vector<int32_t> everyTicket() {
    std::vector<int32_t> v;
    for (int32_t i = 1; i <= kPledges; ++i) v.push_back(i);
    return v;
}

// Each filter in record-number order, in a key's order and in an order no key gives:
// the program's records, in order either way; on the server the rows read are those
// that meet the conditions sent, on the flat files every record.
TEST_P(ViewFilter, TheRecordsOfTheProgramsOwnEvaluationInEveryOrder) {
    const TableDecl& decl = dict::table("ZAL");
    struct Order {
        std::string text;
        std::function<bool(const dict::ZalRecord*, const dict::ZalRecord*)> before;
    };
    const std::vector<Order> orders = {
        {"", [](auto* a, auto* b) { return a->N_KV < b->N_KV; }},
        {orderText(decl, keyOrder(decl, 1)), [](auto* a, auto* b) { return a->N_KV < b->N_KV; }},
        {"+ZAL:PROB,-ZAL:N_KV",
         [](auto* a, auto* b) {
             return a->PROB != b->PROB ? a->PROB < b->PROB : a->N_KV > b->N_KV;
         }},
    };
    for (const Case& c : cases()) {
        std::vector<const dict::ZalRecord*> picked;
        uint64_t sent = 0;
        for (const auto& z : written_) {
            if (c.want(z)) picked.push_back(&z);
            if (c.sent ? c.sent(z) : c.want(z)) ++sent;
        }
        for (const Order& o : orders) {
            SCOPED_TRACE(c.filter + " / " + o.text);
            View v(*zal_);
            ASSERT_EQ(v.setOrder(o.text).code, kOk);
            ASSERT_EQ(v.setFilter(c.filter).code, kOk);
            std::stable_sort(picked.begin(), picked.end(), o.before);
            std::vector<int32_t> want;
            for (auto* z : picked) want.push_back(z->N_KV);
            uint64_t reads = 0;
            EXPECT_EQ(pass(v, true, &reads), want);
            // A sorted view reads each of its records once more to give it.
            const uint64_t given = v.sorted() ? want.size() : 0;
            EXPECT_EQ(reads, (server() ? sent : uint64_t{kPledges}) + given);
            std::reverse(want.begin(), want.end());
            EXPECT_EQ(pass(v, false), want);
        }
    }
    EXPECT_EQ(wholeFile(), everyTicket());
}

// A saved position, setFromBuffer, reget and turning back mid-pass with the filter on
// the server; a pass of the file in between and after the view sees every record, and
// the view then goes on where it was.
TEST_P(ViewFilter, PositionsAndOtherReadsOfTheFileOnTheThread) {
    const TableDecl& decl = dict::table("ZAL");
    const std::string filter = "zal:data_prw <= " + day(-2) + " and zal:sost <> 0";
    std::vector<int32_t> want;
    for (const auto& z : written_)
        if (z.DATA_PRW <= kDay - 2 && z.SOST != 0) want.push_back(z.N_KV);
    ASSERT_GT(want.size(), 60u);
    View v(*zal_);
    ASSERT_EQ(v.setOrder(keyOrder(decl, 1)).code, kOk);
    ASSERT_EQ(v.setFilter(filter).code, kOk);

    ASSERT_EQ(v.setStart().code, kOk);
    for (std::size_t i = 0; i < 40; ++i) {
        ASSERT_EQ(v.next().code, kOk);
        ASSERT_EQ(record().N_KV, want[i]);
    }
    const std::string at = v.position();  // want[39]
    EXPECT_EQ(wholeFile(), everyTicket()) << "a read of the file between the view's reads";
    std::vector<int32_t> rest;
    while (v.next().ok()) rest.push_back(record().N_KV);
    EXPECT_EQ(rest, std::vector<int32_t>(want.begin() + 40, want.end()));

    ASSERT_EQ(v.reset(at).code, kOk);
    ASSERT_EQ(v.next().code, kOk);
    EXPECT_EQ(record().N_KV, want[39]);
    ASSERT_EQ(v.next().code, kOk);
    EXPECT_EQ(record().N_KV, want[40]);
    ASSERT_EQ(v.previous().code, kOk);  // turning back
    EXPECT_EQ(record().N_KV, want[39]);
    ASSERT_EQ(v.reset(at).code, kOk);
    std::vector<int32_t> back;
    while (v.previous().ok()) back.push_back(record().N_KV);
    std::vector<int32_t> head(want.begin(), want.begin() + 40);
    std::reverse(head.begin(), head.end());
    EXPECT_EQ(back, head);

    ASSERT_EQ(v.reget(at).code, kOk);
    EXPECT_EQ(record().N_KV, want[39]);
    ASSERT_EQ(v.setFromBuffer().code, kOk);
    ASSERT_EQ(v.next().code, kOk);
    EXPECT_EQ(record().N_KV, want[39]);

    // A record the filter refuses is still read by number and by its key.
    const int32_t refused = 6;  // its state is 0
    ASSERT_EQ(std::find(want.begin(), want.end(), refused), want.end());
    ASSERT_EQ(zal_->getRecord(static_cast<uint32_t>(refused)).code, kOk);
    EXPECT_EQ(record().N_KV, refused);
    dict::ZalRecord key{};
    key.N_KV = refused;
    std::memcpy(zal_->buffer(), &key, sizeof key);
    ASSERT_EQ(zal_->get(1).code, kOk);
    EXPECT_EQ(record().N_KV, refused);

    uint32_t count = 0;
    ASSERT_EQ(v.records(count).code, kOk);
    EXPECT_EQ(count, want.size());
    EXPECT_EQ(wholeFile(), everyTicket());
}

// The values of the conditions are taken at every positioning: a variable changed
// between two passes changes what the server is asked for.
TEST_P(ViewFilter, TheConditionsValuesOfEachPositioning) {
    expr::Variables names;
    double metal = 0;
    names.bind("M", [&metal] { return expr::Value(metal); });
    View v(*zal_);
    ASSERT_EQ(v.setOrder(keyOrder(dict::table("ZAL"), 1)).code, kOk);
    ASSERT_EQ(v.setFilter("zal:met = m and zal:sost <> 5", &names).code, kOk);
    for (metal = 0; metal <= 2; ++metal) {
        std::vector<int32_t> want;
        for (const auto& z : written_)
            if (z.MET == metal && z.SOST != 5) want.push_back(z.N_KV);
        uint64_t reads = 0;
        EXPECT_EQ(pass(v, true, &reads), want) << metal;
        EXPECT_EQ(reads, server() ? want.size() : std::size_t{kPledges}) << metal;
    }
}

// Read through a key whose range the filter bounds: the key's conditions make the
// range, the others go to the server beside it.
TEST_P(ViewFilter, BesideTheRangeOfAKey) {
    const TableDecl& decl = dict::table("ZAL");
    View v(*zal_);
    ASSERT_EQ(v.setOrder(keyOrder(decl, 2)).code, kOk);  // the date taken in, the ticket
    ASSERT_EQ(v.setFilter("zal:data >= " + day(1) + " and zal:data <= " + day(2) +
                          " and zal:met = 1 and zal:sost <> 3")
                  .code,
              kOk);
    std::vector<const dict::ZalRecord*> inRange;
    for (const auto& z : written_)
        if (z.DATA >= kDay + 1 && z.DATA <= kDay + 2) inRange.push_back(&z);
    std::stable_sort(inRange.begin(), inRange.end(),
                     [](auto* a, auto* b) { return a->DATA < b->DATA; });
    std::vector<int32_t> want;
    for (auto* z : inRange)
        if (z->MET == 1 && z->SOST != 3) want.push_back(z->N_KV);
    // Either way the pass ends at the first record it reads beyond the range (there
    // are some on both sides, of metal 1 too).
    const std::size_t read = (server() ? want.size() : inRange.size()) + 1;
    uint64_t reads = 0;
    EXPECT_EQ(pass(v, true, &reads), want);
    EXPECT_EQ(reads, read);
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(pass(v, false, &reads), want);
    EXPECT_EQ(reads, read);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, ViewFilter, ::testing::Values(Back::Flat, Back::Server),
                         testing::backName);

}  // namespace
}  // namespace kw::storage
