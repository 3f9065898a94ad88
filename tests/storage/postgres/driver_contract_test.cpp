// The driver's contract, once for the flat data files and once for the server database
// (a data directory holding kestrowd.conninfo): the same operations give the same
// results and error codes on both. The server half runs when KW_TEST_CONNINFO names a
// server (tests/server/with_server.sh starts one for CTest) and is skipped otherwise.
//
// Covered: the codes of every operation (37 before open, 40 a repeated unique key, 35
// nothing found, 33 no current record or a deleted one, 89 a record another desk
// changed, 43 and 5 a record another desk holds, 32 a file it locked, 5 a lock slot it
// keeps, 56/91 transaction frames), passes in key order either way across the driver's
// read-ahead, turning back mid-pass, duplicate and case-blind keys, the empty date,
// the partial key, positions, saved states, the whole-file scan and the enciphered
// users table.
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/last_error.h"
#include "storage/file.h"
#include "storage/postgres/pg_backend.h"
#include "storage/postgres/pg_connection.h"
#include "storage/postgres/pg_driver.h"
#include "storage/postgres/server_test_util.h"
#include "storage/record_codec.h"
#include "storage/storage_test_util.h"
#include "storage/view.h"

namespace kw::storage {
namespace {

using testing::Back;
using testing::backName;

// Another desk: a thread of its own (its own driver state, its own connection), kept
// alive between the steps it is given, so that its holds and locks last.
class Desk {
  public:
    Desk() : worker_([this] { loop(); }) {}
    ~Desk() {
        run(nullptr);
        worker_.join();
    }
    // Runs `step` on the desk's thread and waits for it; nullptr ends the desk.
    void run(std::function<void()> step) {
        std::unique_lock<std::mutex> l(m_);
        task_ = step ? std::move(step) : std::function<void()>([this] { stop_ = true; });
        pending_ = true;
        cv_.notify_all();
        cv_.wait(l, [this] { return !pending_; });
    }

  private:
    void loop() {
        std::unique_lock<std::mutex> l(m_);
        while (!stop_) {
            cv_.wait(l, [this] { return pending_; });
            task_();
            pending_ = false;
            cv_.notify_all();
        }
    }
    std::mutex m_;
    std::condition_variable cv_;
    std::function<void()> task_;
    bool pending_ = false, stop_ = false;
    std::thread worker_;
};

class Contract : public ::testing::TestWithParam<Back> {
  protected:
    void SetUp() override {
        pg::registerServerBackend();
        if (GetParam() == Back::Server) {
            if (!testing::keepOnTestServer(dir_)) GTEST_SKIP() << "no server (KW_TEST_CONNINFO)";
        }
    }
    // The server's half wrote no data file: the tables were the server's.
    void TearDown() override {
        if (GetParam() != Back::Server) return;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            EXPECT_NE(e.path().extension(), ".DAT") << e.path();
    }
    // A table of the dictionary in the test's directory, made empty and opened.
    std::unique_ptr<File> table(const char* label) {
        auto f = std::make_unique<File>(dict::table(label), testing::in(dir_));
        EXPECT_EQ(f->create().code, kOk) << label;
        EXPECT_EQ(f->open().code, kOk) << label;
        return f;
    }
    template <class R>
    static R& buf(File& f) {
        return *reinterpret_cast<R*>(f.buffer());
    }
    testing::TempDir dir_;
};

void addClient(File& pkl, const std::string& fio, const std::string& adr) {
    auto& r = *reinterpret_cast<dict::PklRecord*>(pkl.buffer());
    r = dict::PklRecord{};
    r.FIO.assign(fio);
    r.ADR.assign(adr);
    ASSERT_EQ(pkl.add().code, kOk) << fio;
}

std::string fioOf(File& pkl) {
    return reinterpret_cast<dict::PklRecord*>(pkl.buffer())->FIO.clip();
}
std::string adrOf(File& pkl) {
    return reinterpret_cast<dict::PklRecord*>(pkl.buffer())->ADR.clip();
}

TEST_P(Contract, EveryOperationGivesTheFlatDriversCodes) {
    File day(dict::table("DAY"), testing::in(dir_));
    EXPECT_EQ(day.next().code, kFileNotOpen);
    EXPECT_EQ(day.add().code, kFileNotOpen);
    EXPECT_FALSE(day.isOpen());
    ASSERT_EQ(day.create().code, kOk);
    ASSERT_EQ(day.open().code, kOk);
    EXPECT_TRUE(day.isOpen());
    EXPECT_EQ(day.open().code, kFileAlreadyOpen);

    auto& d = buf<dict::DayRecord>(day);
    const int32_t d1 = date::fromYmd(2025, 12, 8), d2 = date::fromYmd(2025, 12, 9);
    d = dict::DayRecord{};
    EXPECT_EQ(day.put().code, kRecordNotAvailable);  // nothing read yet
    d.DATA = d1;
    d.KAS = 1500.25;
    ASSERT_EQ(day.add().code, kOk);
    const uint32_t first = day.currentRecord();
    EXPECT_NE(first, 0u);
    d.KAS = 7;
    EXPECT_EQ(day.add().code, kDuplicateKey);
    d.DATA = d2;
    d.KAS = 99.5;
    ASSERT_EQ(day.add().code, kOk);
    uint32_t n = 0;
    ASSERT_EQ(day.records(n).code, kOk);
    EXPECT_EQ(n, 2u);

    d = dict::DayRecord{};
    d.DATA = d1;
    ASSERT_EQ(day.get(1).code, kOk);
    EXPECT_EQ(d.KAS, 1500.25);
    EXPECT_EQ(day.currentRecord(), first);
    d.DATA = date::fromYmd(2020, 1, 1);
    EXPECT_EQ(day.get(1).code, kRecordNotFound);
    EXPECT_EQ(day.getRecord(first + 1000).code, kRecordNotFound);
    EXPECT_EQ(day.get(9).code, kEntryNotFound);

    bool taken = false;
    d.DATA = d2;
    ASSERT_EQ(day.duplicate(1, taken).code, kOk);
    EXPECT_TRUE(taken);
    d.DATA = date::fromYmd(2030, 1, 1);
    ASSERT_EQ(day.duplicate(1, taken).code, kOk);
    EXPECT_FALSE(taken);

    ASSERT_EQ(day.getRecord(first).code, kOk);
    d.OBO = 42;
    ASSERT_EQ(day.put().code, kOk);
    d.DATA = d2;  // the other day's date: a unique key repeated by a put
    EXPECT_EQ(day.put().code, kDuplicateKey);
    d = dict::DayRecord{};
    ASSERT_EQ(day.getRecord(first).code, kOk);
    EXPECT_EQ(d.OBO, 42);
    EXPECT_EQ(d.DATA, d1);

    ASSERT_EQ(day.remove().code, kOk);
    EXPECT_EQ(day.currentRecord(), 0u);
    EXPECT_EQ(day.remove().code, kRecordNotAvailable);
    EXPECT_EQ(day.getRecord(first).code, kRecordNotFound);
    ASSERT_EQ(day.records(n).code, kOk);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(day.send("NOSUCHOPTION"), "");
    EXPECT_EQ(day.lastStatus().code, kUnsupportedFunction);
    EXPECT_EQ(day.send("RECOVER=7"), "");
    EXPECT_EQ(day.lastStatus().code, kOk);
    EXPECT_EQ(day.send("RECOVER"), "7");

    ASSERT_EQ(day.close().code, kOk);
    EXPECT_FALSE(day.isOpen());
    EXPECT_EQ(day.records(n).code, kFileNotOpen);
    // Maintenance of a closed table: the keys rebuilt (or nothing to do on the server).
    EXPECT_EQ(day.build().code, kOk);
    EXPECT_EQ(day.pack().code, kOk);
    if (GetParam() == Back::Server) {  // the tables of earlier tests are there
        pg::Connection admin;
        std::string message;
        ASSERT_TRUE(admin.open(testing::testServer(), message)) << message;
        ASSERT_TRUE(admin.exec("DROP TABLE IF EXISTS pkl").ok());
    }
    File missing(dict::table("PKL"), testing::in(dir_));
    EXPECT_EQ(missing.build().code, kFileNotFound);
    // Opened again, what was written is there.
    ASSERT_EQ(day.open().code, kOk);
    d.DATA = d2;
    ASSERT_EQ(day.get(1).code, kOk);
    EXPECT_EQ(d.KAS, 99.5);
}

// 300 clients under 40 names in mixed letter case: a pass in the name key's order
// reads them by name regardless of case, equal names in the order added, either way,
// across the read-ahead batches, and turns back where it stands.
TEST_P(Contract, APassInKeyOrderFollowsTheKeyEitherWay) {
    auto pkl = table("PKL");
    struct Client {
        std::string fio, adr;
    };
    std::vector<Client> added;
    for (int i = 0; i < 300; ++i) {
        std::string fio = "Client " + std::to_string((i * 7) % 40 + 100);
        if (i % 3 == 0) std::transform(fio.begin(), fio.end(), fio.begin(), ::toupper);
        if (i % 3 == 1) std::transform(fio.begin(), fio.end(), fio.begin(), ::tolower);
        added.push_back({fio, "adr " + std::to_string(i)});
        addClient(*pkl, fio, added.back().adr);
    }
    std::vector<Client> want = added;
    std::stable_sort(want.begin(), want.end(), [](const Client& a, const Client& b) {
        std::string x = a.fio, y = b.fio;
        std::transform(x.begin(), x.end(), x.begin(), ::toupper);
        std::transform(y.begin(), y.end(), y.begin(), ::toupper);
        return x < y;
    });

    ASSERT_EQ(pkl->set(1).code, kOk);
    for (const auto& c : want) {
        ASSERT_EQ(pkl->next().code, kOk);
        ASSERT_EQ(adrOf(*pkl), c.adr);
    }
    EXPECT_EQ(pkl->next().code, kRecordNotAvailable);
    EXPECT_TRUE(pkl->eof());

    ASSERT_EQ(pkl->set(1).code, kOk);
    for (auto it = want.rbegin(); it != want.rend(); ++it) {
        ASSERT_EQ(pkl->previous().code, kOk);
        ASSERT_EQ(adrOf(*pkl), it->adr);
    }
    EXPECT_EQ(pkl->previous().code, kRecordNotAvailable);
    EXPECT_TRUE(pkl->bof());

    // Forward to the 150th, back two, forward again.
    ASSERT_EQ(pkl->set(1).code, kOk);
    for (int i = 0; i < 150; ++i) ASSERT_EQ(pkl->next().code, kOk);
    ASSERT_EQ(pkl->previous().code, kOk);
    EXPECT_EQ(adrOf(*pkl), want[148].adr);
    ASSERT_EQ(pkl->previous().code, kOk);
    EXPECT_EQ(adrOf(*pkl), want[147].adr);
    ASSERT_EQ(pkl->next().code, kOk);
    EXPECT_EQ(adrOf(*pkl), want[148].adr);

    // From a value in the buffer, in another letter case: forward the first of the
    // name, backward its last.
    auto sameName = [](const Client& c, const char* name) {
        return ::strcasecmp(c.fio.c_str(), name) == 0;
    };
    const auto first = std::find_if(want.begin(), want.end(),
                                    [&](const Client& c) { return sameName(c, "client 121"); });
    ASSERT_NE(first, want.end());
    const auto last = std::find_if(first, want.end(),
                                   [&](const Client& c) { return !sameName(c, "client 121"); }) -
                      1;
    buf<dict::PklRecord>(*pkl).FIO.assign("cLiEnT 121");
    ASSERT_EQ(pkl->setFromBuffer(1).code, kOk);
    ASSERT_EQ(pkl->next().code, kOk);
    EXPECT_EQ(adrOf(*pkl), first->adr);
    buf<dict::PklRecord>(*pkl).FIO.assign("CLIENT 121");
    ASSERT_EQ(pkl->setFromBuffer(1).code, kOk);
    ASSERT_EQ(pkl->previous().code, kOk);
    EXPECT_EQ(adrOf(*pkl), last->adr);
    // A get by a case-blind key finds the first of the name.
    buf<dict::PklRecord>(*pkl).FIO.assign("client 121");
    ASSERT_EQ(pkl->get(1).code, kOk);
    EXPECT_EQ(adrOf(*pkl), first->adr);

    // Record order: the order added.
    ASSERT_EQ(pkl->set(0).code, kOk);
    for (const auto& c : added) {
        ASSERT_EQ(pkl->next().code, kOk);
        ASSERT_EQ(adrOf(*pkl), c.adr);
    }
}

// Russian names in the order of their capitals in the program's code page (Ё first of
// all, as it is there; a sign after the Latin capitals), on both back ends.
TEST_P(Contract, RussianNamesInTheOrderOfTheProgramsCodePage) {
    auto pkl = table("PKL");
    for (const char* fio : {"Яковлев", "ежов", "Ёлкин", "алексеев", "Ёжиков", "Abel", "_Прочие"})
        addClient(*pkl, W(fio), "");
    std::vector<std::string> names;
    ASSERT_EQ(pkl->set(1).code, kOk);
    while (pkl->next().ok()) names.push_back(cp::toUtf8(fioOf(*pkl)));
    EXPECT_EQ(names, (std::vector<std::string>{"Abel", "_Прочие", "Ёжиков", "Ёлкин", "алексеев",
                                               "ежов", "Яковлев"}));
    buf<dict::PklRecord>(*pkl).FIO.assign(W("ёжиков"));
    ASSERT_EQ(pkl->get(1).code, kOk);
    EXPECT_EQ(cp::toUtf8(fioOf(*pkl)), "Ёжиков");
}

dict::ZalRecord pledge(int32_t ticket, int32_t date, uint8_t sost) {
    dict::ZalRecord z{};
    z.N_KV = ticket;
    z.DATA = date;
    z.SOST = sost;
    z.FIO.assign("Pledger " + std::to_string(ticket));
    return z;
}

// The pledges by date and ticket: the empty date first; the partial key of the open
// pledges reads those only, in ticket order; a record comes back byte for byte.
TEST_P(Contract, DateKeysAndThePartialKeyOfOpenPledges) {
    auto zal = table("ZAL");
    const int32_t today = date::fromYmd(2025, 12, 8);
    const std::vector<dict::ZalRecord> rows = {pledge(30, today, 1), pledge(10, today + 1, 4),
                                               pledge(20, 0, 0),     pledge(40, today - 5, 3),
                                               pledge(5, today, 6),  pledge(25, today + 1, 2)};
    for (const auto& z : rows) {
        std::memcpy(zal->buffer(), &z, sizeof z);
        ASSERT_EQ(zal->add().code, kOk);
    }
    auto tickets = [&](int key, bool forward) {
        std::vector<int32_t> out;
        EXPECT_EQ(zal->set(key).code, kOk);
        while ((forward ? zal->next() : zal->previous()).ok())
            out.push_back(buf<dict::ZalRecord>(*zal).N_KV);
        return out;
    };
    EXPECT_EQ(tickets(1, true), (std::vector<int32_t>{5, 10, 20, 25, 30, 40}));
    EXPECT_EQ(tickets(2, true), (std::vector<int32_t>{20, 40, 5, 30, 10, 25}));
    EXPECT_EQ(tickets(2, false), (std::vector<int32_t>{25, 10, 30, 5, 40, 20}));
    const int partial = static_cast<int>(dict::table("ZAL").keys.size()) + 1;
    EXPECT_EQ(tickets(partial, true), (std::vector<int32_t>{20, 25, 30, 40}));

    buf<dict::ZalRecord>(*zal).N_KV = 40;
    ASSERT_EQ(zal->get(1).code, kOk);
    EXPECT_EQ(std::memcmp(zal->buffer(), &rows[3], sizeof rows[3]), 0);
}

// A pass narrowed to a few fields (totals of a list) reads them right, record by
// record in the key's order across the read-ahead batches, through a filtered view too;
// narrowed back, the records come whole again, byte for byte.
TEST_P(Contract, ANarrowedPassReadsItsFieldsAndTheWholeRecordsAfterwards) {
    auto zal = table("ZAL");
    const TableDecl& decl = dict::table("ZAL");
    const int32_t d = date::fromYmd(2025, 12, 8);
    std::map<int32_t, dict::ZalRecord> written;
    for (int32_t i = 1; i <= 300; ++i) {  // beyond the first batches of a pass
        dict::ZalRecord z = pledge(i, d + i % 3, static_cast<uint8_t>(i % 6));
        z.S_VID = i * 100.25;
        z.S_OZEN = i * 7.5;
        written[i] = z;
        std::memcpy(zal->buffer(), &z, sizeof z);
        ASSERT_EQ(zal->add().code, kOk);
    }
    auto span = [&](const char* name) {
        for (const auto& f : decl.fields)
            if (f.name == name) return File::Span{f.offset, f.size};
        ADD_FAILURE() << name;
        return File::Span{};
    };
    zal->narrow({span("S_VID"), span("SOST")});
    View today(*zal);
    ASSERT_EQ(today.setOrder("+ZAL:DATA,+ZAL:N_KV").code, kOk);
    ASSERT_EQ(today.setFilter("zal:data=" + std::to_string(d + 1) + " and zal:sost<>4").code, kOk);
    double sum = 0, expected = 0;
    int count = 0, last = 0;
    for (const auto& [ticket, z] : written)
        if (z.DATA == d + 1 && z.SOST != 4) expected += z.S_VID;
    ASSERT_EQ(today.setStart().code, kOk);
    while (today.next().ok()) {
        const auto& z = buf<dict::ZalRecord>(*zal);
        EXPECT_GT(z.N_KV, last);  // the key's fields are there: the pass goes on in order
        last = z.N_KV;
        EXPECT_EQ(z.S_VID, written[z.N_KV].S_VID) << z.N_KV;
        EXPECT_EQ(z.SOST, written[z.N_KV].SOST) << z.N_KV;
        sum += z.S_VID;
        ++count;
    }
    EXPECT_EQ(count, 50);
    EXPECT_EQ(sum, expected);
    zal->narrow({});
    ASSERT_EQ(zal->set(1).code, kOk);
    int whole = 0;
    while (zal->next().ok()) {
        const auto& z = buf<dict::ZalRecord>(*zal);
        EXPECT_EQ(std::memcmp(&z, &written[z.N_KV], sizeof z), 0) << z.N_KV;
        ++whole;
    }
    EXPECT_EQ(whole, 300);
}

// Views read through a key: one narrowed by its filter's conditions on the key (an open
// lower end), one through the partial key of the open pledges; the same records in the
// same order either way.
TEST_P(Contract, AViewReadsItsPartOfAKeyEitherWay) {
    auto zal = table("ZAL");
    const TableDecl& decl = dict::table("ZAL");
    const int32_t d = date::fromYmd(2025, 12, 8);
    std::vector<dict::ZalRecord> all;
    for (int32_t i = 1; i <= 60; ++i) {
        dict::ZalRecord z = pledge(i, d + i % 6, static_cast<uint8_t>(i % 5));
        z.DATA_K = i % 7 == 0 ? 0 : d + 30 + i % 10;
        all.push_back(z);
        std::memcpy(zal->buffer(), &z, sizeof z);
        ASSERT_EQ(zal->add().code, kOk);
    }
    auto pass = [&](View& v, bool forward) {
        std::vector<int32_t> out;
        EXPECT_EQ((forward ? v.setStart() : v.setEnd()).code, kOk);
        while ((forward ? v.next() : v.previous()).ok())
            out.push_back(buf<dict::ZalRecord>(*zal).N_KV);
        return out;
    };

    View byEnd(*zal);
    ASSERT_EQ(byEnd.setOrder(keyOrder(decl, 3)).code, kOk);
    ASSERT_EQ(byEnd.setFilter("zal:data_k <= " + std::to_string(d + 33)).code, kOk);
    std::vector<const dict::ZalRecord*> due;
    for (const auto& z : all)
        if (z.DATA_K != 0 && z.DATA_K <= d + 33) due.push_back(&z);
    std::stable_sort(due.begin(), due.end(),
                     [](auto* a, auto* b) { return a->DATA_K < b->DATA_K; });
    std::vector<int32_t> want;
    for (auto* z : due) want.push_back(z->N_KV);
    EXPECT_EQ(byEnd.key(), 3);
    EXPECT_EQ(pass(byEnd, true), want);
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(pass(byEnd, false), want);

    View open(*zal);
    ASSERT_EQ(open.setOrder(keyOrder(decl, 1)).code, kOk);
    ASSERT_EQ(open.setFilter("zal:sost < 4 and zal:n_kv >= 10 and zal:n_kv <= 40").code, kOk);
    want.clear();
    for (int32_t i = 10; i <= 40; ++i)
        if (i % 5 < 4) want.push_back(i);
    EXPECT_EQ(pass(open, true), want);
    EXPECT_EQ(open.fileKey(), static_cast<int>(decl.keys.size()) + 1)
        << "read through the partial key";
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(pass(open, false), want);
}

// A position names a record: reset goes back to it for a pass, reget reads it again;
// a saved state comes back with its place in the pass.
TEST_P(Contract, PositionsAndSavedStatesLeadBackToTheirRecord) {
    auto pkl = table("PKL");
    for (int i = 0; i < 30; ++i)
        addClient(*pkl, "Name " + std::to_string(100 + (i * 13) % 30), "adr " + std::to_string(i));
    ASSERT_EQ(pkl->set(1).code, kOk);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(pkl->next().code, kOk);
    const std::string at = pkl->position(1), tenth = fioOf(*pkl);
    const int saved = pkl->saveState();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(pkl->next().code, kOk);
    const std::string fifteenth = fioOf(*pkl);

    ASSERT_EQ(pkl->reget(1, at).code, kOk);
    EXPECT_EQ(fioOf(*pkl), tenth);
    ASSERT_EQ(pkl->reset(1, at).code, kOk);
    ASSERT_EQ(pkl->next().code, kOk);
    EXPECT_EQ(fioOf(*pkl), tenth);
    ASSERT_EQ(pkl->reset(1, at).code, kOk);
    ASSERT_EQ(pkl->previous().code, kOk);
    EXPECT_EQ(fioOf(*pkl), tenth);

    ASSERT_EQ(pkl->set(0).code, kOk);
    ASSERT_EQ(pkl->next().code, kOk);
    ASSERT_EQ(pkl->restoreState(saved).code, kOk);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(pkl->next().code, kOk);
    EXPECT_EQ(fioOf(*pkl), fifteenth);
    pkl->freeState(saved);
    EXPECT_EQ(pkl->restoreState(saved).code, kEntryNotFound);
    EXPECT_EQ(pkl->reset(1, "xy").code, kRecordNotFound);
}

// Two desks: a record one holds is refused to the other (43 to read with a hold or in a
// pass, 5 to write), a changed one gives 89 and a deleted one 33; a locked file is
// refused (32) and the lock slots keep shared and exclusive apart (5).
TEST_P(Contract, HoldsLocksAndChangesBetweenTwoDesks) {
    auto pkl = table("PKL");
    addClient(*pkl, "Alpha", "a");
    addClient(*pkl, "Beta", "b");
    addClient(*pkl, "Gamma", "c");
    buf<dict::PklRecord>(*pkl).FIO.assign("Beta");
    ASSERT_EQ(pkl->get(1, true).code, kOk);
    const uint32_t beta = pkl->currentRecord();

    Desk other;
    other.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        EXPECT_EQ(pkl->getRecord(beta, true).code, kRecordHeld);
        ASSERT_EQ(pkl->getRecord(beta).code, kOk);  // reading without a hold is allowed
        EXPECT_EQ(pkl->put().code, kAccessDenied);
        ASSERT_EQ(pkl->set(1).code, kOk);
        EXPECT_EQ(pkl->next().code, kOk);          // Alpha
        EXPECT_EQ(pkl->next().code, kRecordHeld);  // Beta, passed over
        ASSERT_EQ(pkl->next().code, kOk);
        EXPECT_EQ(fioOf(*pkl), "Gamma");
    });
    ASSERT_EQ(pkl->release().code, kOk);
    other.run([&] {
        ASSERT_EQ(pkl->getRecord(beta, true).code, kOk);
        buf<dict::PklRecord>(*pkl).ADR.assign("changed");
        ASSERT_EQ(pkl->put().code, kOk);
        ASSERT_EQ(pkl->release().code, kOk);
    });
    buf<dict::PklRecord>(*pkl).ADR.assign("mine");
    EXPECT_EQ(pkl->put().code, kRecordChanged);
    ASSERT_EQ(pkl->getRecord(beta).code, kOk);
    EXPECT_EQ(adrOf(*pkl), "changed");
    buf<dict::PklRecord>(*pkl).ADR.assign("mine");
    ASSERT_EQ(pkl->put().code, kOk);
    other.run([&] {
        ASSERT_EQ(pkl->getRecord(beta).code, kOk);
        ASSERT_EQ(pkl->remove().code, kOk);
    });
    EXPECT_EQ(pkl->put().code, kRecordNotAvailable);

    other.run([&] { ASSERT_EQ(pkl->lock(0).code, kOk); });
    EXPECT_EQ(pkl->lock(0).code, kFileLocked);
    buf<dict::PklRecord>(*pkl).FIO.assign("Delta");
    EXPECT_EQ(pkl->add().code, kFileLocked);
    other.run([&] { ASSERT_EQ(pkl->unlock().code, kOk); });
    ASSERT_EQ(pkl->lock(1).code, kOk);
    ASSERT_EQ(pkl->unlock().code, kOk);
    ASSERT_EQ(pkl->add().code, kOk);

    ASSERT_EQ(pkl->lockRange(3, LockKind::Shared, 0).code, kOk);
    other.run([&] {
        EXPECT_EQ(pkl->lockRange(3, LockKind::Shared, 0).code, kOk);
        EXPECT_EQ(pkl->lockRange(4, LockKind::Exclusive, 0).code, kOk);
    });
    EXPECT_EQ(pkl->lockRange(4, LockKind::Shared, 1).code, kAccessDenied);
    EXPECT_EQ(pkl->lockRange(3, LockKind::Exclusive, 0).code, kAccessDenied);
    other.run([&] { ASSERT_EQ(pkl->close().code, kOk); });  // closing gives back its locks
    EXPECT_EQ(pkl->lockRange(4, LockKind::Exclusive, 0).code, kOk);
    EXPECT_EQ(pkl->lockRange(3, LockKind::Exclusive, 0).code, kOk);
    ASSERT_EQ(pkl->unlockRange(3).code, kOk);
    other.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        EXPECT_EQ(pkl->lockRange(3, LockKind::Exclusive, 0).code, kOk);
        EXPECT_EQ(pkl->lockRange(4, LockKind::Shared, 0).code, kAccessDenied);
    });
}

// The sharing of an open: a desk's open is refused (access denied) when another desk
// denies what it would do, or does what it would deny; what no desk denies opens
// beside the others, and a denial ends with the open that made it.
// On the server a thread's link keeps the uses it declared until it ends: this thread's
// link, which the earlier tests used, starts anew.
TEST_P(Contract, SharingModesRefuseWhatAnotherDeskDenies) {
    if (GetParam() == Back::Server) pg::threadSession(testing::testServer()).connection.close();
    auto pkl = table("PKL");  // this desk reads and writes, denying nothing
    {
        Desk writer;
        File day(dict::table("DAY"), testing::in(dir_));
        writer.run([&] {
            ASSERT_EQ(day.create().code, kOk);
            ASSERT_EQ(day.open(kAccessRead | kDenyWrite).code, kOk);
        });
        Desk other;
        other.run([&] {
            File f(dict::table("PKL"), testing::in(dir_));
            EXPECT_EQ(f.open(kAccessReadWrite | kDenyAll).code, kAccessDenied);
            EXPECT_EQ(f.open(kAccessRead | kDenyWrite).code, kAccessDenied);
            EXPECT_EQ(f.open(kAccessRead | kShareCompat).code, kAccessDenied);  // deny-write
            EXPECT_EQ(f.open(kAccessRead | kDenyRead).code, kAccessDenied);
            ASSERT_EQ(f.open(kAccessRead | kDenyNone).code, kOk);
            EXPECT_EQ(f.close().code, kOk);
            ASSERT_EQ(f.open(kAccessReadWrite | kDenyNone).code, kOk);
            EXPECT_EQ(f.close().code, kOk);

            File d(dict::table("DAY"), testing::in(dir_));
            EXPECT_EQ(d.open(kAccessReadWrite | kDenyNone).code, kAccessDenied);
            EXPECT_EQ(d.open(kAccessWrite | kDenyNone).code, kAccessDenied);
            EXPECT_EQ(d.open(kAccessRead | kDenyRead).code, kAccessDenied);
            ASSERT_EQ(d.open(kAccessRead | kDenyWrite).code, kOk);  // both deny, none writes
            uint32_t n = 99;
            EXPECT_EQ(d.records(n).code, kOk);
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(d.close().code, kOk);
        });
        // The denial ends with the writer's close, not before: a second open of the
        // same desk denying too keeps it.
        File again(dict::table("DAY"), testing::in(dir_));
        writer.run([&] {
            ASSERT_EQ(again.open(kAccessRead | kDenyWrite).code, kOk);
            ASSERT_EQ(day.close().code, kOk);
        });
        other.run([&] {
            File d(dict::table("DAY"), testing::in(dir_));
            EXPECT_EQ(d.open().code, kAccessDenied);
        });
        writer.run([&] { ASSERT_EQ(again.close().code, kOk); });
        other.run([&] {
            File d(dict::table("DAY"), testing::in(dir_));
            ASSERT_EQ(d.open().code, kOk);
            ASSERT_EQ(d.close().code, kOk);
        });
    }
    // A desk that denies nothing is refused nothing while others work beside it.
    Desk other;
    other.run([&] {
        File f(dict::table("PKL"), testing::in(dir_));
        ASSERT_EQ(f.open().code, kOk);
        addClient(f, "Alpha", "a");
    });
    uint32_t n = 0;
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 1u);
}

// A table of another desk destroyed while open, without a close, gives back what it
// held there: its hold on a record, its lock of the file and its lock slots.
TEST_P(Contract, ATableDestroyedOpenGivesBackItsHoldsAndLocks) {
    auto pkl = table("PKL");
    addClient(*pkl, "Alpha", "a");
    const uint32_t alpha = pkl->currentRecord();
    Desk other;
    other.run([&] {
        File mine(dict::table("PKL"), testing::in(dir_));
        ASSERT_EQ(mine.open().code, kOk);
        ASSERT_EQ(mine.getRecord(alpha, true).code, kOk);
        ASSERT_EQ(mine.lockRange(5, LockKind::Exclusive, 0).code, kOk);
        ASSERT_EQ(mine.lock(0).code, kOk);
        // Still held while the table lives.
        std::thread([&] {
            ASSERT_EQ(pkl->open().code, kOk);
            EXPECT_EQ(pkl->getRecord(alpha, true).code, kRecordHeld);
            EXPECT_EQ(pkl->lockRange(5, LockKind::Shared, 0).code, kAccessDenied);
            EXPECT_EQ(pkl->lock(0).code, kFileLocked);
        }).join();
    });
    EXPECT_EQ(pkl->getRecord(alpha, true).code, kOk);
    EXPECT_EQ(pkl->lockRange(5, LockKind::Exclusive, 0).code, kOk);
    EXPECT_EQ(pkl->lock(0).code, kOk);
    ASSERT_EQ(pkl->unlock().code, kOk);
}

// Desks that wait for a file's lock get it when the desk before lets go, on the server
// in the order they asked; a wait in vain is 32 and, inside a transaction, leaves the
// transaction's writes standing.
TEST_P(Contract, DesksWaitingForAFileLockGetItInTurn) {
    using namespace std::chrono_literals;
    auto pkl = table("PKL");
    auto day = table("DAY");
    Desk holder;
    holder.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        ASSERT_EQ(pkl->lock(0).code, kOk);
    });

    ASSERT_EQ(File::logout(1, {day.get()}).code, kOk);
    buf<dict::DayRecord>(*day).DATA = 1000;
    ASSERT_EQ(day->add().code, kOk);
    EXPECT_EQ(pkl->lock(1).code, kFileLocked);
    buf<dict::DayRecord>(*day).DATA = 1001;
    ASSERT_EQ(day->add().code, kOk);
    ASSERT_EQ(File::commit().code, kOk);
    uint32_t n = 0;
    ASSERT_EQ(day->records(n).code, kOk);
    EXPECT_EQ(n, 2u);

    std::mutex m;
    std::vector<std::string> events;
    auto note = [&](std::string e) {
        std::lock_guard<std::mutex> l(m);
        events.push_back(std::move(e));
    };
    auto waiter = [&](const std::string name, std::chrono::milliseconds after) {
        return std::thread([&, name, after] {
            std::this_thread::sleep_for(after);
            if (pkl->open().code != kOk) return note(name + " not opened");
            if (pkl->lock(20).code != kOk) return note(name + " refused");
            note(name + " locked");
            std::this_thread::sleep_for(150ms);
            note(name + " lets go");
            (void)pkl->unlock();
            (void)pkl->close();
        });
    };
    std::thread first = waiter("first", 0ms), second = waiter("second", 200ms);
    std::this_thread::sleep_for(500ms);
    holder.run([&] { ASSERT_EQ(pkl->unlock().code, kOk); });
    first.join();
    second.join();
    ASSERT_EQ(events.size(), 4u);
    if (GetParam() == Back::Server) {
        EXPECT_EQ(events, (std::vector<std::string>{"first locked", "first lets go",
                                                    "second locked", "second lets go"}));
    } else {
        EXPECT_EQ(events[0].substr(events[0].find(' ')), " locked");
        EXPECT_EQ(events[2].substr(events[2].find(' ')), " locked");
    }
    ASSERT_EQ(pkl->lock(0).code, kOk);
    ASSERT_EQ(pkl->unlock().code, kOk);
}

// A lock slot waited for: given when the desks holding it let go, refused (5) when the
// wait is in vain; on the server the wait is in turn, so a desk waiting for a slot
// exclusively holds off a desk that asks for it shared afterwards.
TEST_P(Contract, ALockSlotWaitedForExclusivelyHoldsOffLaterSharers) {
    using namespace std::chrono_literals;
    auto pkl = table("PKL");
    EXPECT_EQ(pkl->rangeLocksWaitInTurn(), GetParam() == Back::Server);
    Desk sharer, later;
    sharer.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        ASSERT_EQ(pkl->lockRange(0, LockKind::Shared, 0).code, kOk);
    });
    EXPECT_EQ(pkl->lockRange(0, LockKind::Exclusive, 1).code, kAccessDenied);
    std::atomic<int> got{-1};
    std::thread closer([&] {
        if (pkl->open().code != kOk) return;
        got = static_cast<int>(pkl->lockRange(0, LockKind::Exclusive, 20).code);
        std::this_thread::sleep_for(100ms);
        (void)pkl->unlockRange(0);
        (void)pkl->close();
    });
    std::this_thread::sleep_for(400ms);
    later.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        const int code = pkl->lockRange(0, LockKind::Shared, 0).code;
        if (GetParam() == Back::Server)
            EXPECT_EQ(code, kAccessDenied) << "a later sharer waits behind the exclusive wait";
        else
            EXPECT_EQ(code, kOk);
        if (code == kOk) {
            ASSERT_EQ(pkl->unlockRange(0).code, kOk);
        }
    });
    EXPECT_EQ(got.load(), -1) << "still waiting while a sharer holds the slot";
    sharer.run([&] { ASSERT_EQ(pkl->unlockRange(0).code, kOk); });
    closer.join();
    EXPECT_EQ(got.load(), kOk);
    later.run([&] {
        ASSERT_EQ(pkl->lockRange(0, LockKind::Shared, 5).code, kOk);
        ASSERT_EQ(pkl->unlockRange(0).code, kOk);
    });
}

// A transaction over two tables: rolled back it leaves nothing, committed it keeps all;
// a write refused inside it leaves the others standing.
TEST_P(Contract, ATransactionRolledBackLeavesNothing) {
    auto pkl = table("PKL");
    auto day = table("DAY");
    EXPECT_EQ(File::commit().code, kLogoutNotActive);
    ASSERT_EQ(File::logout(1, {pkl.get(), day.get()}).code, kOk);
    EXPECT_EQ(File::logout(1, {pkl.get(), day.get()}).code, kLogoutAlreadyActive);
    addClient(*pkl, "Rolled", "back");
    buf<dict::DayRecord>(*day).DATA = 1000;
    ASSERT_EQ(day->add().code, kOk);
    ASSERT_EQ(File::rollback().code, kOk);
    uint32_t n = 9;
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 0u);
    ASSERT_EQ(day->records(n).code, kOk);
    EXPECT_EQ(n, 0u);

    ASSERT_EQ(File::logout(1, {pkl.get(), day.get()}).code, kOk);
    addClient(*pkl, "Kept", "one");
    buf<dict::DayRecord>(*day).DATA = 1000;
    ASSERT_EQ(day->add().code, kOk);
    EXPECT_EQ(day->add().code, kDuplicateKey);
    buf<dict::DayRecord>(*day).DATA = 1001;
    ASSERT_EQ(day->add().code, kOk);
    ASSERT_EQ(File::commit().code, kOk);
    EXPECT_EQ(File::rollback().code, kLogoutNotActive);

    // A transaction waits for another desk's lock of its file, in vain: 32, nothing
    // begun; while it runs, no other desk locks its files.
    Desk locker;
    locker.run([&] {
        ASSERT_EQ(day->open().code, kOk);
        ASSERT_EQ(day->lock(0).code, kOk);
    });
    EXPECT_EQ(File::logout(1, {pkl.get(), day.get()}).code, kFileLocked);
    EXPECT_EQ(File::commit().code, kLogoutNotActive);
    locker.run([&] { ASSERT_EQ(day->unlock().code, kOk); });
    ASSERT_EQ(File::logout(1, {pkl.get(), day.get()}).code, kOk);
    locker.run([&] { EXPECT_EQ(day->lock(0).code, kFileLocked); });
    ASSERT_EQ(File::commit().code, kOk);
    locker.run([&] {
        ASSERT_EQ(day->lock(0).code, kOk);
        ASSERT_EQ(day->unlock().code, kOk);
    });

    // A record changed inside a transaction rolled back is the stored one again: a put
    // of it afterwards is no change by another desk.
    buf<dict::DayRecord>(*day).DATA = 1001;
    ASSERT_EQ(day->get(1).code, kOk);
    ASSERT_EQ(File::logout(1, {day.get()}).code, kOk);
    buf<dict::DayRecord>(*day).KAS = 5;
    ASSERT_EQ(day->put().code, kOk);
    ASSERT_EQ(File::rollback().code, kOk);
    buf<dict::DayRecord>(*day).KAS = 6;
    ASSERT_EQ(day->put().code, kOk);
    Desk other;
    other.run([&] {
        ASSERT_EQ(day->open().code, kOk);
        uint32_t m = 0;
        ASSERT_EQ(day->records(m).code, kOk);
        EXPECT_EQ(m, 2u);
        ASSERT_EQ(pkl->open().code, kOk);
        ASSERT_EQ(pkl->records(m).code, kOk);
        EXPECT_EQ(m, 1u);
    });
}

// Two desks' transactions in one table follow one another, as a desk's frame expects
// when it reads a record inside and writes it back: while one runs, another desk's
// transaction in the table waits for it (32 when the wait is in vain); two desks adding
// to one counter at once that way lose nothing and are refused nothing.
TEST_P(Contract, TransactionsOfTwoDesksInATableFollowOneAnother) {
    auto day = table("DAY");
    auto pkl = table("PKL");
    buf<dict::DayRecord>(*day) = dict::DayRecord{};
    buf<dict::DayRecord>(*day).DATA = 1000;
    ASSERT_EQ(day->add().code, kOk);
    ASSERT_EQ(File::logout(1, {day.get()}).code, kOk);
    Desk other;
    other.run([&] {
        ASSERT_EQ(day->open().code, kOk);
        ASSERT_EQ(pkl->open().code, kOk);
        EXPECT_EQ(File::logout(0, {day.get()}).code, kFileLocked);
        EXPECT_EQ(File::commit().code, kLogoutNotActive);
        ASSERT_EQ(File::logout(0, {pkl.get()}).code, kOk) << "another table is free";
        ASSERT_EQ(File::commit().code, kOk);
    });
    ASSERT_EQ(File::commit().code, kOk);
    other.run([&] {
        ASSERT_EQ(File::logout(0, {day.get()}).code, kOk);
        ASSERT_EQ(File::rollback().code, kOk);
    });

    constexpr int kEach = 30;
    std::atomic<int> refused{0};
    auto addUp = [&] {
        if (day->open().code != kOk) {
            ++refused;
            return;
        }
        auto& d = buf<dict::DayRecord>(*day);
        for (int i = 0; i < kEach; ++i) {
            if (File::logout(10, {day.get()}).code != kOk) {
                ++refused;
                continue;
            }
            d = dict::DayRecord{};
            d.DATA = 1000;
            const bool stored = day->get(1).code == kOk && (d.KAS += 1, day->put().code == kOk);
            if (stored && File::commit().code == kOk) continue;
            ++refused;
            (void)File::rollback();
        }
        (void)day->close();
    };
    std::thread first(addUp), second(addUp);
    first.join();
    second.join();
    EXPECT_EQ(refused.load(), 0);
    buf<dict::DayRecord>(*day).DATA = 1000;
    ASSERT_EQ(day->get(1).code, kOk);
    EXPECT_EQ(buf<dict::DayRecord>(*day).KAS, 2.0 * kEach);
}

// The count of records is exact for every desk: after many adds (the server folds the
// changes it gathered), after another desk's adds and deletes, after a transaction's
// roll-back.
TEST_P(Contract, TheCountOfRecordsIsExactForEveryDesk) {
    auto pkl = table("PKL");
    uint32_t n = 9;
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 0u);
    for (int i = 0; i < 150; ++i) addClient(*pkl, "C" + std::to_string(i), "x");
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 150u);
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 150u) << "the same after the changes were folded";
    Desk other;
    other.run([&] {
        ASSERT_EQ(pkl->open().code, kOk);
        for (int i = 0; i < 5; ++i) addClient(*pkl, "D" + std::to_string(i), "y");
        for (uint32_t r : {3u, 7u}) {
            ASSERT_EQ(pkl->getRecord(r).code, kOk);
            ASSERT_EQ(pkl->remove().code, kOk);
        }
        uint32_t seen = 0;
        ASSERT_EQ(pkl->records(seen).code, kOk);
        EXPECT_EQ(seen, 153u);
    });
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 153u);
    ASSERT_EQ(File::logout(1, {pkl.get()}).code, kOk);
    for (int i = 0; i < 70; ++i) addClient(*pkl, "T" + std::to_string(i), "z");
    ASSERT_EQ(File::rollback().code, kOk);
    ASSERT_EQ(pkl->records(n).code, kOk);
    EXPECT_EQ(n, 153u);
}

// The whole-file scan gives every record once with its texts in the data files' code
// page; the enciphered users table gives its records as they were written.
TEST_P(Contract, TheScanAndTheEncipheredTable) {
    auto pkl = table("PKL");
    for (int i = 0; i < 1100; ++i) addClient(*pkl, W("Иванов ") + std::to_string(i), "x");
    std::vector<int> seen(1100, 0);
    const StringFields strings(dict::table("PKL"));
    ASSERT_EQ(pkl->scan([&](const uint8_t* rec) {
                     dict::PklRecord r;
                     std::memcpy(&r, rec, sizeof r);
                     strings.toAnsi(reinterpret_cast<uint8_t*>(&r));
                     const std::string fio = r.FIO.clip();
                     ASSERT_EQ(fio.rfind(W("Иванов "), 0), 0u) << "texts in code page 866";
                     seen[static_cast<std::size_t>(std::atoi(fio.c_str() + W("Иванов ").size()))]++;
                 })
                  .code,
              kOk);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 1100);

    // A pass that names the bytes it reads gets those right in every record.
    for (int i = 0; i < 1100; ++i) {
        ASSERT_EQ(pkl->getRecord(static_cast<uint32_t>(i + 1)).code, kOk);
        buf<dict::PklRecord>(*pkl).ADR.assign("a" + std::to_string(i));
        ASSERT_EQ(pkl->put().code, kOk);
    }
    const auto adr = static_cast<uint16_t>(offsetof(dict::PklRecord, ADR));
    std::fill(seen.begin(), seen.end(), 0);
    ASSERT_EQ(pkl->scan(
                     [&](const uint8_t* rec) {
                         dict::PklRecord r;
                         std::memcpy(&r, rec, sizeof r);
                         const std::string a = r.ADR.clip();
                         ASSERT_EQ(a.rfind('a', 0), 0u) << a;
                         seen[static_cast<std::size_t>(std::atoi(a.c_str() + 1))]++;
                     },
                     {File::Span{adr, static_cast<uint16_t>(sizeof(dict::PklRecord{}.ADR))}})
                  .code,
              kOk);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 1100);

    auto sec = table("SEC");
    dict::SecRecord s{};
    s.K_POL = 7;
    s.FIO.assign(W("Кассир Петрова"));
    s.PAROL.assign("secret");
    s.OP3 = 1;
    std::memcpy(sec->buffer(), &s, sizeof s);
    ASSERT_EQ(sec->add().code, kOk);
    std::memset(sec->buffer(), 0, sizeof s);
    buf<dict::SecRecord>(*sec).K_POL = 7;
    ASSERT_EQ(sec->get(1).code, kOk);
    EXPECT_EQ(std::memcmp(sec->buffer(), &s, sizeof s), 0);
}

// A pledge whose fields take values of every kind and sign: texts in Cyrillic, REALs
// that no short decimal holds, negative amounts, dates far apart and the empty date.
dict::ZalRecord variedPledge(int32_t i) {
    dict::ZalRecord z{};
    z.N_KV = i;
    z.OPER = static_cast<uint8_t>(i % 256);
    z.FIO.assign(W("Петров-") + std::to_string(i));
    z.OP_IZ.assign(W("Серьги \"Ёлка\""));
    z.DATA = date::fromYmd(1801, 1, 1) + i % 3000000;
    z.DATA_K = i % 2 ? 0 : date::fromYmd(9999, 12, 31);
    z.S_VID = (i - 12345) * 0.1;
    z.S_ST1 = i % 7 == 0 ? -0.0 : 1e300 / (i + 1);
    z.KOL_D1 = static_cast<int16_t>(-(i % 30000));
    z.SOST = static_cast<uint8_t>(i % 7);
    return z;
}

// A scan longer than the server's page gives every record once, byte for byte as
// written, its texts in the data files' code page, on both back ends; perRecord may
// use another table meanwhile.
TEST_P(Contract, AScanOfMoreThanAPageGivesEveryRecordAsWritten) {
    auto zal = table("ZAL");
    auto sec = table("SEC");
    buf<dict::SecRecord>(*sec) = dict::SecRecord{};
    buf<dict::SecRecord>(*sec).K_POL = 7;
    ASSERT_EQ(sec->add().code, kOk);
    constexpr int n = pg::kScanPage + 3;
    zal->setDurable(false);
    for (int i = 1; i <= n; ++i) {
        buf<dict::ZalRecord>(*zal) = variedPledge(i);
        ASSERT_EQ(zal->add().code, kOk) << i;
    }
    zal->setDurable(true);
    const StringFields strings(dict::table("ZAL"));
    std::vector<int> seen(n + 1, 0);
    int differ = 0, others = 0;
    ASSERT_EQ(zal->scan([&](const uint8_t* rec) {
                     dict::ZalRecord z;
                     std::memcpy(&z, rec, sizeof z);
                     strings.toAnsi(reinterpret_cast<uint8_t*>(&z));
                     if (z.N_KV < 1 || z.N_KV > n) return void(++differ);
                     ++seen[static_cast<std::size_t>(z.N_KV)];
                     const dict::ZalRecord want = variedPledge(z.N_KV);
                     if (std::memcmp(&z, &want, sizeof z) != 0) ++differ;
                     if (z.N_KV % 5000 == 0) {
                         buf<dict::SecRecord>(*sec).K_POL = 7;
                         others += sec->get(1).code == kOk;
                     }
                 })
                  .code,
              kOk);
    EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), n);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(others, n / 5000);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, Contract, ::testing::Values(Back::Flat, Back::Server),
                         backName);

}  // namespace
}  // namespace kw::storage

namespace kw::storage {
namespace {

// The server only: a connection the server ended answers the driver's usual error
// (90, the server named in the driver's text) and the next operation connects again;
// a transaction it broke does not commit (48) and leaves nothing.
class ServerLink : public ::testing::Test {
  protected:
    void SetUp() override {
        pg::registerServerBackend();
        if (!testing::keepOnTestServer(dir_)) GTEST_SKIP() << "no server (KW_TEST_CONNINFO)";
        conninfo_ = testing::testServer();
    }
    // Ends every other session of the database, as a server restart or a cut cable does.
    void cutTheLink() {
        pg::Connection admin;
        std::string message;
        ASSERT_TRUE(admin.open(conninfo_, message)) << message;
        ASSERT_TRUE(
            admin
                .exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                      "current_database() AND pid <> pg_backend_pid()")
                .ok());
    }
    std::string conninfo_;
    testing::TempDir dir_;
};

TEST_F(ServerLink, ALostConnectionIsAnErrorAndTheNextOperationConnectsAgain) {
    File pkl(dict::table("PKL"), testing::in(dir_));
    ASSERT_EQ(pkl.create().code, kOk);
    ASSERT_EQ(pkl.open().code, kOk);
    addClient(pkl, "Before", "cut");
    cutTheLink();
    uint32_t n = 0;
    EXPECT_EQ(pkl.records(n).code, kFileSystemError);
    EXPECT_NE(cp::toUtf8(last_error::driverText()).find("потеряна"), std::string::npos)
        << last_error::driverText();
    ASSERT_EQ(pkl.records(n).code, kOk);
    EXPECT_EQ(n, 1u);

    ASSERT_EQ(File::logout(1, {&pkl}).code, kOk);
    addClient(pkl, "Inside", "the transaction");
    cutTheLink();
    reinterpret_cast<dict::PklRecord*>(pkl.buffer())->FIO.assign("After the cut");
    EXPECT_EQ(pkl.add().code, kFileSystemError);
    EXPECT_EQ(pkl.add().code, kFileSystemError);  // nothing written outside the broken transaction
    EXPECT_EQ(File::commit().code, kUnableToLogTransaction);
    ASSERT_EQ(pkl.records(n).code, kOk);
    EXPECT_EQ(n, 1u);
    ASSERT_EQ(pkl.add().code, kOk);
}

// Desks made by fork() from a process with an open connection: each child works on a
// connection of its own (the one it was given is its parent's), and letting go of the
// given one leaves the parent's session as it was, its hold and its transaction with it.
TEST_F(ServerLink, ForkedDesksWriteOnConnectionsOfTheirOwn) {
    File pkl(dict::table("PKL"), testing::in(dir_));
    ASSERT_EQ(pkl.create().code, kOk);
    ASSERT_EQ(pkl.open().code, kOk);
    addClient(pkl, "Parent", "held");
    ASSERT_EQ(pkl.hold().code, kOk);
    const uint32_t held = pkl.currentRecord();
    constexpr int kEach = 40;
    std::vector<pid_t> children;
    for (int child = 1; child <= 2; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto& r = *reinterpret_cast<dict::PklRecord*>(pkl.buffer());
            for (int i = 0; i < kEach; ++i) {
                r = dict::PklRecord{};
                r.FIO.assign("Child " + std::to_string(child) + " " + std::to_string(i));
                if (pkl.add().code != kOk) ::_exit(10 + child);
            }
            // the parent's hold is not this process's: the row is held by another desk
            if (pkl.getRecord(held, true).code != kRecordHeld) ::_exit(20 + child);
            ::_exit(pkl.close().code == kOk ? 0 : 30 + child);
        }
        children.push_back(pid);
    }
    ASSERT_EQ(File::logout(1, {&pkl}).code, kOk);  // the parent works on meanwhile
    for (int i = 0; i < kEach; ++i) addClient(pkl, "Parent " + std::to_string(i), "p");
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "a child failed: " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    ASSERT_EQ(File::commit().code, kOk) << "the parent's transaction outlived its children";
    uint32_t n = 0;
    ASSERT_EQ(pkl.records(n).code, kOk);
    EXPECT_EQ(n, 1u + 3u * kEach);
    Desk other;
    other.run([&] {
        ASSERT_EQ(pkl.open().code, kOk);
        EXPECT_EQ(pkl.getRecord(held, true).code, kRecordHeld) << "the parent still holds it";
        ASSERT_EQ(pkl.close().code, kOk);
    });
    ASSERT_EQ(pkl.close().code, kOk);  // its hold with it: the session outlives the test
}

// A statement that fails inside a transaction (a table another program dropped) leaves
// it unable to commit (48) and nothing of it written; the desk works on afterwards.
TEST_F(ServerLink, ATransactionWithAFailedStatementDoesNotCommitHalf) {
    File pkl(dict::table("PKL"), testing::in(dir_));
    File day(dict::table("DAY"), testing::in(dir_));
    ASSERT_EQ(pkl.create().code, kOk);
    ASSERT_EQ(day.create().code, kOk);
    ASSERT_EQ(pkl.open().code, kOk);
    ASSERT_EQ(day.open().code, kOk);
    ASSERT_EQ(File::logout(1, {&pkl, &day}).code, kOk);
    addClient(pkl, "Half", "done");
    {
        pg::Connection admin;
        std::string message;
        ASSERT_TRUE(admin.open(conninfo_, message)) << message;
        ASSERT_TRUE(admin.exec("DROP TABLE day").ok());
    }
    uint32_t n = 0;
    EXPECT_NE(day.records(n).code, kOk);
    EXPECT_EQ(File::commit().code, kUnableToLogTransaction);
    ASSERT_EQ(pkl.records(n).code, kOk);
    EXPECT_EQ(n, 0u);
    addClient(pkl, "Afterwards", "stored");
    ASSERT_EQ(pkl.records(n).code, kOk);
    EXPECT_EQ(n, 1u);
    // The desk found the table gone: opening it again answers 2, as for a table never
    // made, though the connection had seen it (it opens tables it has seen without
    // asking the server). Made again, it opens.
    ASSERT_EQ(day.close().code, kOk);
    EXPECT_EQ(day.open().code, kFileNotFound);
    ASSERT_EQ(day.create().code, kOk);
    ASSERT_EQ(day.open().code, kOk);
    ASSERT_EQ(day.records(n).code, kOk);
    EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace kw::storage
