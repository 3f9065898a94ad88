// The view over real table files: orders through keys and sorted, filters, ranges given
// and found in the filter, reading in both directions from the ends and from positions,
// and the record count. Expected results come from a model of the records kept beside
// the file.
#include "storage/view.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "runtime/clock.h"
#include "runtime/last_error.h"
#include "storage/table_fields.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;

constexpr int32_t kBase = 73000;  // a day number
constexpr int kCount = 300;

struct Pledge {
    int32_t ticket, date;
    uint8_t state, metal;
    std::string fio;
};

// Tickets 2, 4, ..., 600 added in a scrambled order; ten dates, seven states, names in
// mixed letter case.
std::vector<Pledge> pledges() {
    static const char* names[] = {"Ivanov", "ivanova", "PETROV", "Petrova", "sidorov", "Orlov"};
    std::vector<Pledge> out;
    for (int i = 0; i < kCount; ++i) {
        const int t = (i * 7919) % kCount + 1;
        out.push_back({t * 2, kBase + t % 10, static_cast<uint8_t>(t % 7),
                       static_cast<uint8_t>(t % 3 + 1), names[t % 6]});
    }
    return out;
}

class ZalView : public ::testing::Test {
  protected:
    void SetUp() override {
        file = std::make_unique<File>(kw::dict::table("ZAL"), testing::in(dir));
        ASSERT_EQ(file->create().code, 0);
        ASSERT_EQ(file->open().code, 0);
        model = pledges();
        file->setDurable(false);  // bulk: no journal, no sync
        for (const Pledge& p : model) {
            ZAL = kw::dict::ZalRecord{};
            ZAL.N_KV = p.ticket;
            ZAL.DATA = p.date;
            ZAL.SOST = p.state;
            ZAL.MET = p.metal;
            ZAL.FIO = p.fio;
            ASSERT_EQ(file->add().code, 0);
        }
        file->setDurable(true);
        view = std::make_unique<View>(*file);
        vars.bind("D1", ui::Binding::of(d1));
        vars.bind("D2", ui::Binding::of(d2));
    }

    // Tickets of the model that pass `keep`, ordered by `less` (ties by ticket).
    std::vector<int> expect(const std::function<bool(const Pledge&)>& keep,
                            const std::function<bool(const Pledge&, const Pledge&)>& less) {
        std::vector<Pledge> m;
        for (const Pledge& p : model)
            if (keep(p)) m.push_back(p);
        std::stable_sort(m.begin(), m.end(),
                         [&](const Pledge& a, const Pledge& b) { return less(a, b); });
        std::vector<int> out;
        for (const Pledge& p : m) out.push_back(p.ticket);
        return out;
    }
    static bool all(const Pledge&) { return true; }
    static bool byTicket(const Pledge& a, const Pledge& b) { return a.ticket < b.ticket; }

    // Every ticket of the view from its start (or, backwards, from its end).
    std::vector<int> readAll(bool backwards = false) {
        std::vector<int> out;
        EXPECT_EQ((backwards ? view->setEnd() : view->setStart()).code, 0);
        Status s;
        while ((s = backwards ? view->previous() : view->next()).ok()) out.push_back(int{ZAL.N_KV});
        EXPECT_EQ(s.code, kRecordNotAvailable);
        if (backwards) std::reverse(out.begin(), out.end());
        return out;
    }
    int nextTicket() { return view->next().ok() ? ZAL.N_KV : -1; }
    int previousTicket() { return view->previous().ok() ? ZAL.N_KV : -1; }

    TempDir dir;
    std::unique_ptr<File> file;
    std::unique_ptr<View> view;
    std::vector<Pledge> model;
    int32_t d1 = 0, d2 = 0;
    expr::Variables vars;
};

// ------------------------------------------------------------- orders

TEST_F(ZalView, KeyOrderReadsThroughTheKeyInBothDirections) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    EXPECT_EQ(view->key(), 1);
    EXPECT_FALSE(view->backward());
    const auto asc = expect(all, byTicket);
    EXPECT_EQ(readAll(), asc);
    EXPECT_EQ(readAll(true), asc);

    ASSERT_EQ(view->setOrder("-zal:n_kv").code, 0);
    EXPECT_EQ(view->key(), 1);
    EXPECT_TRUE(view->backward());
    auto desc = asc;
    std::reverse(desc.begin(), desc.end());
    EXPECT_EQ(readAll(), desc);
    EXPECT_EQ(readAll(true), desc);
}

TEST_F(ZalView, PrefixOfAKeyReadsThroughThatKey) {
    ASSERT_EQ(view->setOrder("+ZAL:DATA").code, 0);
    EXPECT_EQ(view->key(), 2);  // DATA, N_KV
    EXPECT_EQ(readAll(), expect(all, [](const Pledge& a, const Pledge& b) {
                  return std::tie(a.date, a.ticket) < std::tie(b.date, b.ticket);
              }));
    ASSERT_EQ(view->setOrder(keyOrder(file->decl(), 2)).code, 0);
    EXPECT_EQ(view->key(), 2);
}

TEST_F(ZalView, OtherOrdersAreSorted) {
    ASSERT_EQ(view->setOrder("+ZAL:SOST,-ZAL:N_KV").code, 0);
    EXPECT_TRUE(view->sorted());
    const auto stateDesc = expect(all, [](const Pledge& a, const Pledge& b) {
        return a.state != b.state ? a.state < b.state : a.ticket > b.ticket;
    });
    EXPECT_EQ(readAll(), stateDesc);
    EXPECT_EQ(readAll(true), stateDesc);

    // A duplicate key followed by further fields is not enough to read through it.
    ASSERT_EQ(view->setOrder("+ZAL:N_KV,+ZAL:DATA").code, 0);
    EXPECT_TRUE(view->sorted());
    EXPECT_EQ(readAll(), expect(all, byTicket));

    // Names by their upper-case letters, descending, ties by ticket.
    ASSERT_EQ(view->setOrder("-UPPER(ZAL:FIO),+ZAL:N_KV").code, 0);
    EXPECT_TRUE(view->sorted());
    EXPECT_EQ(readAll(), expect(all, [](const Pledge& a, const Pledge& b) {
                  const std::string x = cp::upper(a.fio), y = cp::upper(b.fio);
                  return x != y ? x > y : a.ticket < b.ticket;
              }));
    // Case-sensitive: byte order of the names as stored.
    ASSERT_EQ(view->setOrder("+ZAL:FIO,+ZAL:N_KV").code, 0);
    EXPECT_EQ(readAll(), expect(all, [](const Pledge& a, const Pledge& b) {
                  return a.fio != b.fio ? a.fio < b.fio : a.ticket < b.ticket;
              }));
}

TEST_F(ZalView, WithoutOrderRecordNumberOrder) {
    ASSERT_EQ(view->setOrder("").code, 0);
    EXPECT_EQ(view->key(), 0);
    EXPECT_FALSE(view->sorted());
    std::vector<int> added;
    for (const Pledge& p : model) added.push_back(p.ticket);
    EXPECT_EQ(readAll(), added);
    EXPECT_EQ(readAll(true), added);
}

TEST(ViewOrders, UniqueKeyFollowedByMoreFieldsReadsThroughTheKey) {
    TempDir dir;
    File day(kw::dict::table("DAY"), testing::in(dir));
    ASSERT_EQ(day.create().code, 0);
    ASSERT_EQ(day.open().code, 0);
    for (int32_t d : {5, 3, 9, 1}) {
        DAY = kw::dict::DayRecord{};
        DAY.DATA = d;
        DAY.KAS = 10 - d;
        ASSERT_EQ(day.add().code, 0);
    }
    View v(day);
    ASSERT_EQ(v.setOrder("+DAY:DATA,-DAY:KAS").code, 0);
    EXPECT_EQ(v.key(), 1);
    std::vector<int> got;
    ASSERT_EQ(v.setStart().code, 0);
    while (v.next().ok()) got.push_back(int{DAY.DATA});
    EXPECT_EQ(got, (std::vector<int>{1, 3, 5, 9}));
}

TEST(ViewOrders, OrderTextsParseAndPrint) {
    const TableDecl& zal = kw::dict::table("ZAL");
    std::vector<OrderPart> parts;
    std::string error;
    ASSERT_TRUE(parseOrder(" -upper( zal:fio ) , Zal:N_KV,+DATA ", zal, parts, error)) << error;
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], (OrderPart{zal.fieldNumber("FIO"), true, true}));
    EXPECT_EQ(parts[1], (OrderPart{zal.fieldNumber("N_KV"), false, false}));
    EXPECT_EQ(parts[2], (OrderPart{zal.fieldNumber("DATA"), false, false}));
    EXPECT_EQ(orderText(zal, parts), "-UPPER(ZAL:FIO),+ZAL:N_KV,+ZAL:DATA");
    EXPECT_EQ(orderText(zal, keyOrder(zal, 2)), "+ZAL:DATA,+ZAL:N_KV");
    EXPECT_TRUE(keyOrder(zal, 9).empty());

    EXPECT_FALSE(parseOrder("+ZAL:NOSUCH", zal, parts, error));
    EXPECT_NE(error.find("NOSUCH"), std::string::npos);
    EXPECT_FALSE(parseOrder("+ZAL:N_KV,,+ZAL:DATA", zal, parts, error));
    EXPECT_FALSE(parseOrder("+KLM:DATA", zal, parts, error));
    File f(zal);
    View v(f);
    EXPECT_EQ(v.setOrder("+ZAL:NOSUCH").code, kInvalidOrder);
    EXPECT_EQ(v.setOrder(std::vector<OrderPart>{{999, false, false}}).code, kInvalidOrder);
}

// ------------------------------------------------------------- filters and ranges

TEST_F(ZalView, FilterSkipsRecordsAndAFullPageStopsTheScan) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setFilter("(zal:sost=0)", &vars).code, 0);
    const auto want = expect([](const Pledge& p) { return p.state == 0; }, byTicket);
    EXPECT_EQ(readAll(), want);
    EXPECT_EQ(readAll(true), want);

    // The first five records of the view read no further than the fifth, and only the
    // open pledges up to it: the view reads the key of the open pledges.
    EXPECT_EQ(view->fileKey(), 4);
    ASSERT_EQ(view->setStart().code, 0);
    const uint64_t before = view->reads();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(nextTicket(), want[static_cast<std::size_t>(i)]);
    const auto open = std::count_if(model.begin(), model.end(), [&](const Pledge& p) {
        return p.state <= 3 && p.ticket <= want[4];
    });
    EXPECT_EQ(view->reads() - before, static_cast<uint64_t>(open));
}

TEST_F(ZalView, KeyConditionsOfTheFilterBoundTheScan) {
    d1 = kBase + 3;
    d2 = kBase + 5;
    const auto inPeriod = [this](const Pledge& p) { return p.date >= d1 && p.date <= d2; };
    const auto byDate = [](const Pledge& a, const Pledge& b) {
        return std::tie(a.date, a.ticket) < std::tie(b.date, b.ticket);
    };
    ASSERT_EQ(view->setOrder("+ZAL:DATA").code, 0);
    ASSERT_EQ(view->setFilter("(zal:data>=d1 and zal:data<=d2)", &vars).code, 0);
    auto want = expect(inPeriod, byDate);
    ASSERT_EQ(want.size(), 90u);
    // Nothing outside the period is read but the one record that shows its end.
    uint64_t before = view->reads();
    EXPECT_EQ(readAll(), want);
    EXPECT_EQ(view->reads() - before, want.size() + 1);
    before = view->reads();
    EXPECT_EQ(readAll(true), want);
    EXPECT_EQ(view->reads() - before, want.size() + 1);

    // Backwards through the key, and new values of the variables at the next start.
    ASSERT_EQ(view->setOrder("-ZAL:DATA,-ZAL:N_KV").code, 0);
    EXPECT_TRUE(view->backward());
    ASSERT_EQ(
        view->setFilter("(d1 <= zal:data and zal:data < d2 + 1 and zal:sost <> 6)", &vars).code, 0);
    d1 = kBase + 8;
    d2 = kBase + 9;
    want = expect([&](const Pledge& p) { return inPeriod(p) && p.state != 6; }, byDate);
    std::reverse(want.begin(), want.end());
    before = view->reads();
    EXPECT_EQ(readAll(), want);
    EXPECT_EQ(view->reads() - before, 60u + 1);  // the 60 of the period and the one below it

    // The equality of the day list and the second key component after it.
    clock::setToday(kBase + 4);
    ASSERT_EQ(view->setOrder("+ZAL:DATA,+ZAL:N_KV").code, 0);
    ASSERT_EQ(
        view->setFilter("(zal:data=today()) and zal:n_kv >= 300 and zal:n_kv < 400", &vars).code,
        0);
    before = view->reads();
    want = expect(
        [](const Pledge& p) { return p.date == kBase + 4 && p.ticket >= 300 && p.ticket < 400; },
        byTicket);
    EXPECT_EQ(readAll(), want);
    EXPECT_EQ(view->reads() - before, want.size() + 1);
    clock::setToday(0);

    // A range no record can meet reads nothing.
    ASSERT_EQ(view->setFilter("zal:data > 5 and zal:data < 5.5", &vars).code, 0);
    before = view->reads();
    EXPECT_TRUE(readAll().empty());
    EXPECT_EQ(view->reads(), before);
}

TEST_F(ZalView, ConditionsThatCannotBoundTheKeyStillFilter) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    // OR, a computed field side, a field on both sides, a text compared with the number.
    for (const char* text :
         {"zal:n_kv < 20 or zal:n_kv > 590", "zal:n_kv + 0 < 20 or zal:n_kv - 0 > 590",
          "(zal:n_kv < 20 or zal:n_kv > 590) and zal:n_kv <> zal:data"}) {
        ASSERT_EQ(view->setFilter(text, &vars).code, 0) << text;
        EXPECT_EQ(readAll(),
                  expect([](const Pledge& p) { return p.ticket < 20 || p.ticket > 590; }, byTicket))
            << text;
    }
    // Texts that spell numbers bound the key as the numbers would.
    ASSERT_EQ(view->setFilter("zal:n_kv >= ' 100' and zal:n_kv <= '104 '", &vars).code, 0);
    const uint64_t before = view->reads();
    EXPECT_EQ(readAll(), (std::vector<int>{100, 102, 104}));
    EXPECT_EQ(view->reads() - before, 3u + 1);
}

TEST_F(ZalView, GivenRangeLimitsTheView) {
    ASSERT_EQ(view->setOrder("+ZAL:DATA").code, 0);
    ASSERT_EQ(view->setRange({expr::Value(kBase + 2)}, {expr::Value(kBase + 3)}).code, 0);
    const auto want =
        expect([](const Pledge& p) { return p.date == kBase + 2 || p.date == kBase + 3; },
               [](const Pledge& a, const Pledge& b) {
                   return std::tie(a.date, a.ticket) < std::tie(b.date, b.ticket);
               });
    const uint64_t before = view->reads();
    EXPECT_EQ(readAll(), want);
    EXPECT_EQ(view->reads() - before, want.size() + 1);
    EXPECT_EQ(readAll(true), want);

    // On a sorted order, with a filter on top.
    ASSERT_EQ(view->setOrder("+ZAL:SOST,-ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setRange({expr::Value(2)}, {expr::Value(3)}).code, 0);
    ASSERT_EQ(view->setFilter("zal:met = 1", &vars).code, 0);
    EXPECT_EQ(readAll(),
              expect([](const Pledge& p) { return (p.state == 2 || p.state == 3) && p.metal == 1; },
                     [](const Pledge& a, const Pledge& b) {
                         return a.state != b.state ? a.state < b.state : a.ticket > b.ticket;
                     }));
    // Only a high value: everything up to it.
    ASSERT_EQ(view->setRange({}, {expr::Value(0)}).code, 0);
    ASSERT_EQ(view->setFilter("", &vars).code, 0);
    EXPECT_EQ(readAll().size(),
              static_cast<std::size_t>(std::count_if(
                  model.begin(), model.end(), [](const Pledge& p) { return p.state == 0; })));
    view->clearRange();
    EXPECT_EQ(readAll().size(), model.size());

    EXPECT_EQ(view->setRange({expr::Value(1), expr::Value(2), expr::Value(3)}, {}).code,
              kInvalidRange);
    EXPECT_EQ(view->setRange({expr::Value(300)}, {}).code, kInvalidRange);  // SOST is a BYTE
    ASSERT_EQ(view->setRange({expr::Value(5)}, {expr::Value(4)}).code, 0);
    EXPECT_TRUE(readAll().empty());
}

TEST_F(ZalView, FilterThatDoesNotParseLeavesTheViewEmpty) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    for (const char* text :
         {"(zal:sost=", "zal:nosuch = 1", "nosuch(zal:sost)", "zal:sost = 0 )"}) {
        const Status s = view->setFilter(text, &vars);
        EXPECT_EQ(s.code, kInvalidFilter) << text;
        EXPECT_FALSE(view->filterError().empty());
        EXPECT_NE(last_error::text().find(view->filterError()), std::string::npos);
        EXPECT_TRUE(readAll().empty()) << text;
        uint32_t n = 1;
        EXPECT_EQ(view->records(n).code, 0);
        EXPECT_EQ(n, 0u);
    }
    ASSERT_EQ(view->setFilter("   ", &vars).code, 0);
    EXPECT_TRUE(view->filterError().empty());
    EXPECT_EQ(readAll().size(), model.size());
}

TEST_F(ZalView, FilterNamesFieldsOfOtherTablesAndVariables) {
    File prb(kw::dict::table("PRB"), testing::in(dir));
    ASSERT_EQ(prb.create().code, 0);
    ASSERT_EQ(prb.open().code, 0);
    for (int kod = 1; kod <= 4; ++kod)
        for (int prob : {375, 585, 750, 999}) {
            PRB = kw::dict::PrbRecord{};
            PRB.KOD = static_cast<uint8_t>(kod);
            PRB.PROB = static_cast<int16_t>(prob);
            ASSERT_EQ(prb.add().code, 0);
        }
    TableFields tables(kw::dict::allTables());
    View v(prb);
    ASSERT_EQ(v.setOrder(keyOrder(prb.decl(), 1)).code, 0);
    EXPECT_EQ(v.key(), 1);
    ASSERT_EQ(v.setFilter("(prb:kod=zal:met)", &tables).code, 0);
    ZAL.MET = 3;
    ASSERT_EQ(v.setStart().code, 0);
    std::vector<int> got;
    while (v.next().ok()) got.push_back(PRB.KOD * 1000 + PRB.PROB);
    EXPECT_EQ(got, (std::vector<int>{3375, 3585, 3750, 3999}));
    EXPECT_EQ(v.reads(), 4u + 1);  // the metal of the pledge bounds the key
}

TEST(ViewRanges, EqualTextsBoundACaseInsensitiveKey) {
    TempDir dir;
    File pkl(kw::dict::table("PKL"), testing::in(dir));
    ASSERT_EQ(pkl.create().code, 0);
    ASSERT_EQ(pkl.open().code, 0);
    for (const char* n :
         {"Ivanov", "IVANOV", "ivanov", "Ivanova", "Petrov", "Abakumov", "Иванов"}) {
        PKL = kw::dict::PklRecord{};
        PKL.FIO = W(n);
        ASSERT_EQ(pkl.add().code, 0);
    }
    View v(pkl);
    ASSERT_EQ(v.setOrder(keyOrder(pkl.decl(), 1)).code, 0);
    auto names = [&] {
        std::vector<std::string> out;
        EXPECT_EQ(v.setStart().code, 0);
        while (v.next().ok()) out.push_back(cp::toUtf8(PKL.FIO.clip()));
        return out;
    };
    expr::Variables none;
    ASSERT_EQ(v.setFilter("upper(pkl:fio) = 'IVANOV'", &none).code, 0);
    uint64_t before = v.reads();
    EXPECT_EQ(names(), (std::vector<std::string>{"Ivanov", "IVANOV", "ivanov"}));
    EXPECT_EQ(v.reads() - before, 3u + 1);
    ASSERT_EQ(v.setFilter("pkl:fio = 'ivanov'", &none).code, 0);  // case counts in the filter
    before = v.reads();
    EXPECT_EQ(names(), (std::vector<std::string>{"ivanov"}));
    EXPECT_EQ(v.reads() - before, 3u + 1);
    ASSERT_EQ(v.setFilter("upper(pkl:fio) = '" + W("ИВАНОВ") + "'", &none).code, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Иванов"}));
    ASSERT_EQ(v.setFilter("pkl:fio = '" + std::string(61, 'x') + "'", &none).code, 0);
    EXPECT_TRUE(names().empty());
    // Inequalities of texts do not bound the key (its order is by upper case) but filter.
    ASSERT_EQ(v.setFilter("pkl:fio >= 'a'", &none).code, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"ivanov", "Иванов"}));
}

// ------------------------------------------------------------- moving about

TEST_F(ZalView, NextAndPreviousAtTheEnds) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(view->previous().code, kRecordNotAvailable);
    EXPECT_EQ(nextTicket(), 2);  // after the start edge, next reads the first
    EXPECT_EQ(nextTicket(), 4);
    EXPECT_EQ(nextTicket(), 6);
    EXPECT_EQ(previousTicket(), 4);
    EXPECT_EQ(previousTicket(), 2);
    EXPECT_EQ(view->previous().code, kRecordNotAvailable);
    EXPECT_EQ(nextTicket(), 2);

    ASSERT_EQ(view->setEnd().code, 0);
    EXPECT_EQ(view->next().code, kRecordNotAvailable);
    EXPECT_EQ(previousTicket(), 600);
    EXPECT_EQ(nextTicket(), -1);
    EXPECT_EQ(view->next().code, kRecordNotAvailable);  // stays at the end
    EXPECT_EQ(previousTicket(), 600);
    EXPECT_EQ(previousTicket(), 598);
}

TEST_F(ZalView, TurningAfterSkippedRecordsAndAfterOtherReads) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setFilter("zal:sost = 0", &vars).code, 0);  // tickets 14, 28, ... (t % 7 == 0)
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(nextTicket(), 14);
    EXPECT_EQ(nextTicket(), 28);
    EXPECT_EQ(previousTicket(), 14);
    EXPECT_EQ(nextTicket(), 28);
    // The file is moved by another read between two reads of the view.
    ZAL.N_KV = 500;
    ASSERT_EQ(file->get(1).code, 0);
    EXPECT_EQ(nextTicket(), 42);
    ASSERT_EQ(file->getRecord(1).code, 0);
    EXPECT_EQ(previousTicket(), 28);
    // At the end after skipped records, previous reads the last record of the view.
    ASSERT_EQ(view->setEnd().code, 0);
    EXPECT_EQ(previousTicket(), 588);
    EXPECT_EQ(nextTicket(), -1);
    EXPECT_EQ(previousTicket(), 588);
}

TEST_F(ZalView, PositionsResetAndReget) {
    for (const char* order : {"+ZAL:N_KV", "-ZAL:N_KV", "+ZAL:SOST,-ZAL:N_KV", ""}) {
        ASSERT_EQ(view->setOrder(order).code, 0) << order;
        const auto all = readAll();
        ASSERT_EQ(all.size(), model.size());
        ASSERT_EQ(view->setStart().code, 0);
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(view->next().ok());
        const std::string p = view->position();
        const int at = ZAL.N_KV;
        EXPECT_EQ(at, all[49]) << order;
        for (int i = 0; i < 10; ++i) ASSERT_TRUE(view->next().ok());
        ASSERT_EQ(view->reset(p).code, 0);
        EXPECT_EQ(nextTicket(), at) << order;  // the record of the position itself
        EXPECT_EQ(nextTicket(), all[50]) << order;
        ASSERT_EQ(view->reset(p).code, 0);
        EXPECT_EQ(previousTicket(), at) << order;
        EXPECT_EQ(previousTicket(), all[48]) << order;
        ZAL = kw::dict::ZalRecord{};
        ASSERT_EQ(view->reget(p).code, 0);
        EXPECT_EQ(int{ZAL.N_KV}, at) << order;
        EXPECT_EQ(previousTicket(), all[47]) << order;  // reget leaves the place of the view
        EXPECT_EQ(view->reset(p + "x").code, kRecordNotFound) << order;
    }
}

TEST_F(ZalView, DeletedRecordPositionStillPlacesTheView) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setStart().code, 0);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(view->next().ok());
    const std::string p = view->position();  // ticket 20
    ASSERT_EQ(file->remove().code, 0);
    ASSERT_EQ(view->reset(p).code, 0);
    EXPECT_EQ(nextTicket(), 22);
    ASSERT_EQ(view->reset(p).code, 0);
    EXPECT_EQ(previousTicket(), 18);
    EXPECT_EQ(view->reget(p).code, kRecordNotFound);
}

TEST_F(ZalView, SetKeyAndSetFromBufferFindTheFirstRecordAtOrAfter) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setKey({expr::Value(151)}).code, 0);
    EXPECT_EQ(nextTicket(), 152);
    ASSERT_EQ(view->setKey({expr::Value(151)}).code, 0);
    EXPECT_EQ(previousTicket(), 150);
    ASSERT_EQ(view->setKey({expr::Value(150)}).code, 0);
    EXPECT_EQ(previousTicket(), 150);
    ZAL.N_KV = 151;
    ASSERT_EQ(view->setFromBuffer().code, 0);
    EXPECT_EQ(nextTicket(), 152);
    ASSERT_EQ(view->setKey({expr::Value(9999)}).code, 0);
    EXPECT_EQ(view->next().code, kRecordNotAvailable);
    EXPECT_EQ(previousTicket(), 600);

    ASSERT_EQ(view->setOrder("-ZAL:N_KV").code, 0);  // in the view's order
    ASSERT_EQ(view->setKey({expr::Value(151)}).code, 0);
    EXPECT_EQ(nextTicket(), 150);
    ASSERT_EQ(view->setKey({expr::Value(151)}).code, 0);
    EXPECT_EQ(previousTicket(), 152);

    // Only the order's fields count, not the rest of the key in the buffer.
    ASSERT_EQ(view->setOrder("+ZAL:DATA").code, 0);
    ZAL.DATA = kBase + 3;
    ZAL.N_KV = 500;
    ASSERT_EQ(view->setFromBuffer().code, 0);
    const auto firstOfDay = expect([](const Pledge& p) { return p.date == kBase + 3; }, byTicket);
    EXPECT_EQ(nextTicket(), firstOfDay.front());
    ASSERT_EQ(view->setFromBuffer().code, 0);  // every record of that day is at the place
    EXPECT_EQ(previousTicket(), firstOfDay.back());

    // Sorted: the place within the list's own order.
    ASSERT_EQ(view->setOrder("+ZAL:SOST,-ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setKey({expr::Value(3)}).code, 0);
    const auto state3 =
        expect([](const Pledge& p) { return p.state == 3; },
               [](const Pledge& a, const Pledge& b) { return a.ticket > b.ticket; });
    EXPECT_EQ(nextTicket(), state3.front());
    ASSERT_EQ(view->setKey({expr::Value(3), expr::Value(301)}).code, 0);
    EXPECT_EQ(nextTicket(),
              *std::find_if(state3.begin(), state3.end(), [](int t) { return t <= 301; }));

    EXPECT_EQ(view->setKey({expr::Value(1), expr::Value(2), expr::Value(3)}).code, kInvalidRange);
    EXPECT_EQ(view->setKey({expr::Value(1000)}).code, kInvalidRange);
}

TEST_F(ZalView, RecordCountKeepsThePlaceAndTheBuffer) {
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    uint32_t n = 0;
    ASSERT_EQ(view->records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(kCount));
    ASSERT_EQ(view->setFilter("zal:sost = 0", &vars).code, 0);
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(nextTicket(), 14);
    ASSERT_EQ(view->records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(std::count_if(
                     model.begin(), model.end(), [](const Pledge& p) { return p.state == 0; })));
    EXPECT_EQ(int{ZAL.N_KV}, 14);
    EXPECT_EQ(nextTicket(), 28);

    ASSERT_EQ(view->setOrder("+ZAL:SOST,-ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(nextTicket(), 588);
    ASSERT_EQ(view->records(n).code, 0);
    EXPECT_EQ(n, 42u);
    EXPECT_EQ(nextTicket(), 574);
}

TEST_F(ZalView, SortedViewNoticesAddedAndDeletedRecords) {
    ASSERT_EQ(view->setOrder("+ZAL:SOST,+ZAL:N_KV").code, 0);
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(nextTicket(), 14);
    const std::string p = view->position();
    ZAL = kw::dict::ZalRecord{};
    ZAL.N_KV = 1;
    ZAL.SOST = 0;
    ASSERT_EQ(file->add().code, 0);  // sorts before ticket 14
    ASSERT_EQ(view->reset(p).code, 0);
    EXPECT_EQ(previousTicket(), 14);
    EXPECT_EQ(previousTicket(), 1);
    // A record deleted after the list was built is passed over.
    ASSERT_EQ(view->setStart().code, 0);
    EXPECT_EQ(nextTicket(), 1);
    ZAL.N_KV = 28;
    ASSERT_EQ(file->get(1).code, 0);
    ASSERT_EQ(file->remove().code, 0);
    EXPECT_EQ(nextTicket(), 14);
    EXPECT_EQ(nextTicket(), 42);
}

TEST_F(ZalView, RecordsLeftOutOfAnOptionalKeyAreNotInItsView) {
    ZAL = kw::dict::ZalRecord{};  // ticket 0: blank for KEY_1
    ZAL.DATA = kBase;
    ASSERT_EQ(file->add().code, 0);
    ASSERT_EQ(view->setOrder("+ZAL:N_KV").code, 0);
    uint32_t n = 0;
    ASSERT_EQ(view->records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(kCount));
    ASSERT_EQ(view->setOrder("").code, 0);
    ASSERT_EQ(view->records(n).code, 0);
    EXPECT_EQ(n, static_cast<uint32_t>(kCount + 1));
}

TEST(ViewEdges, EmptyFileAndClosedFile) {
    TempDir dir;
    File f(kw::dict::table("ZAL"), testing::in(dir));
    View v(f);
    EXPECT_EQ(v.setStart().code, kFileNotOpen);
    EXPECT_EQ(v.next().code, kFileNotOpen);
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    for (const char* order : {"+ZAL:N_KV", "+ZAL:SOST,-ZAL:DATA", ""}) {
        ASSERT_EQ(v.setOrder(order).code, 0);
        ASSERT_EQ(v.setStart().code, 0);
        EXPECT_EQ(v.next().code, kRecordNotAvailable);
        EXPECT_EQ(v.previous().code, kRecordNotAvailable);
        ASSERT_EQ(v.setEnd().code, 0);
        EXPECT_EQ(v.previous().code, kRecordNotAvailable);
        uint32_t n = 9;
        EXPECT_EQ(v.records(n).code, 0);
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(v.position(), "");
    }
}

}  // namespace
}  // namespace kw::storage
