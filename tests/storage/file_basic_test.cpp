// The driver through its interface: reading and writing records, key order, the free
// chain, refused writes, OEM text, the owner password, positions and driver strings.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <future>
#include <thread>

#include "runtime/clock.h"
#include "storage/byte_order.h"
#include "storage/data_format.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;
using testing::zal;

class ZalFile : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = std::make_unique<File>(kw::dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(file_->create().code, 0);
        ASSERT_EQ(file_->open().code, 0);
    }
    void addTickets(int from, int to) {
        for (int t = from; t <= to; ++t) {
            zal(t);
            ASSERT_EQ(file_->add().code, 0) << t;
        }
    }
    // Tickets read in the order of `key` (0: physical).
    std::vector<int> order(int key, bool backward = false) {
        std::vector<int> out;
        EXPECT_EQ(file_->set(key).code, 0);
        while ((backward ? file_->previous() : file_->next()).ok()) out.push_back(ZAL.N_KV);
        return out;
    }
    TempDir dir_;
    std::unique_ptr<File> file_;
};

TEST_F(ZalFile, AddGetAndReadBackInBothOrders) {
    for (int t : {30, 10, 20}) {
        zal(t, "Иванов", 72687 + t);
        ASSERT_EQ(file_->add().code, 0);
    }
    EXPECT_EQ(order(0), (std::vector<int>{30, 10, 20}));
    EXPECT_EQ(order(1), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(order(1, true), (std::vector<int>{30, 20, 10}));
    EXPECT_TRUE(file_->bof());
    EXPECT_EQ(order(1), (std::vector<int>{10, 20, 30}));
    EXPECT_TRUE(file_->eof());
    EXPECT_EQ(file_->next().code, kRecordNotAvailable);

    zal(20);
    ASSERT_EQ(file_->get(1).code, 0);
    EXPECT_EQ(ZAL.N_KV, 20);
    EXPECT_EQ(ZAL.DATA, 72707);
    EXPECT_EQ(kw::cp::toUtf8(ZAL.FIO.clip()), "Иванов");
    EXPECT_EQ(file_->currentRecord(), 3u);
    zal(25);
    EXPECT_EQ(file_->get(1).code, kRecordNotFound);
    ASSERT_EQ(file_->getRecord(1).code, 0);
    EXPECT_EQ(ZAL.N_KV, 30);
    EXPECT_EQ(file_->getRecord(4).code, kRecordNotFound);

    // From a key value: the first record at or after it, and backwards from it.
    zal(15);
    ASSERT_EQ(file_->setFromBuffer(1).code, 0);
    ASSERT_EQ(file_->next().code, 0);
    EXPECT_EQ(ZAL.N_KV, 20);
    zal(20);
    ASSERT_EQ(file_->setFromBuffer(1).code, 0);
    ASSERT_EQ(file_->previous().code, 0);
    EXPECT_EQ(ZAL.N_KV, 20);
    ASSERT_EQ(file_->previous().code, 0);
    EXPECT_EQ(ZAL.N_KV, 10);
    // Physical order from a record number.
    ASSERT_EQ(file_->setRecord(2).code, 0);
    ASSERT_EQ(file_->next().code, 0);
    EXPECT_EQ(ZAL.N_KV, 10);

    // Everything survives closing and opening again.
    ASSERT_EQ(file_->close().code, 0);
    ASSERT_EQ(file_->open().code, 0);
    EXPECT_EQ(order(2), (std::vector<int>{10, 20, 30}));  // DATA, N_KV
}

TEST_F(ZalFile, FreeChainReusesTheLastDeletedSlotFirst) {
    addTickets(1, 10);
    for (uint32_t r : {3u, 5u}) {
        ASSERT_EQ(file_->getRecord(r).code, 0);
        ASSERT_EQ(file_->remove().code, 0);
    }
    uint32_t n = 0;
    ASSERT_EQ(file_->records(n).code, 0);
    EXPECT_EQ(n, 8u);  // 10 slots, 2 deleted
    ASSERT_EQ(file_->close().code, 0);
    auto bytes = testing::readAll(file_->dataPath());
    const uint8_t* h = bytes.data();
    EXPECT_EQ(le::get32(h + 5), 10u);
    EXPECT_EQ(le::get32(h + 9), 2u);
    EXPECT_EQ(le::get32(h + 33), 5u);  // head: 5
    const uint64_t data = le::get32(h + 21);
    const uint8_t* s5 = h + data + 4 * 717;
    EXPECT_EQ(s5[0], kSlotDeleted);
    EXPECT_EQ(le::get32(s5 + 1), 3u);  // link: 3
    EXPECT_EQ(le::get32(h + data + 2 * 717 + 1), 0u);
    // Only the prefix changed: the record bytes of slot 5 are still there.
    int32_t ticket;
    std::memcpy(&ticket, s5 + 5 + 185, 4);
    EXPECT_EQ(ticket, 5);

    ASSERT_EQ(file_->open().code, 0);
    EXPECT_EQ(order(0), (std::vector<int>{1, 2, 4, 6, 7, 8, 9, 10}));
    EXPECT_EQ(order(1), (std::vector<int>{1, 2, 4, 6, 7, 8, 9, 10}));
    std::vector<uint32_t> slots;
    for (int t : {100, 101, 102}) {
        zal(t);
        ASSERT_EQ(file_->add().code, 0);
        slots.push_back(file_->currentRecord());
    }
    EXPECT_EQ(slots, (std::vector<uint32_t>{5, 3, 11}));
    ASSERT_EQ(file_->records(n).code, 0);
    EXPECT_EQ(n, 11u);
    std::vector<std::string> problems;
    ASSERT_EQ(file_->check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems[0];
}

TEST_F(ZalFile, DuplicatesKeepRecordOrderAndNoCaseCyrillicSorts) {
    TableDecl pkl = kw::dict::table("PKL");
    File f(pkl, testing::in(dir_));
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    const std::vector<std::string> names = {"петров",  "Иванов", "ПЕТРОВ", "ёлкин",
                                            "Абрамов", "Петров", "Ёлкин",  "zed"};
    for (const auto& n : names) {
        PKL = kw::dict::PklRecord{};
        PKL.FIO = kw::W(n);
        PKL.ADR = kw::W(n);  // remembers the spelling
        ASSERT_EQ(f.add().code, 0);
    }
    std::vector<std::string> got;
    ASSERT_EQ(f.set(1).code, 0);
    while (f.next().ok()) got.push_back(kw::cp::toUtf8(PKL.ADR.clip()));
    // Latin before Cyrillic; Ё (0xA8) before А (0xC0); equal names in record order.
    EXPECT_EQ(got, (std::vector<std::string>{"zed", "ёлкин", "Ёлкин", "Абрамов", "Иванов", "петров",
                                             "ПЕТРОВ", "Петров"}));
    // A lower-case value finds the upper-case record.
    PKL = kw::dict::PklRecord{};
    PKL.FIO = kw::W("иВАНОВ");
    ASSERT_EQ(f.get(1).code, 0);
    EXPECT_EQ(kw::cp::toUtf8(PKL.ADR.clip()), "Иванов");
}

TEST_F(ZalFile, OptKeysLeaveOutBlankAndZeroRecords) {
    zal(1, "", 0, 0);  // DATA_K zero: not in KEY_3
    ASSERT_EQ(file_->add().code, 0);
    zal(0, "", 0, 0);  // everything zero: in no key
    ASSERT_EQ(file_->add().code, 0);
    zal(2, "", 0, 80000);
    ASSERT_EQ(file_->add().code, 0);
    EXPECT_EQ(order(0).size(), 3u);
    EXPECT_EQ(order(1), (std::vector<int>{1, 2}));
    EXPECT_EQ(order(2), (std::vector<int>{1, 2}));  // DATA zero but N_KV not: not all zero
    EXPECT_EQ(order(3), (std::vector<int>{2}));
    // Changing a record into and out of the key moves its entry.
    ASSERT_EQ(file_->getRecord(1).code, 0);
    ZAL.DATA_K = 70000;
    ASSERT_EQ(file_->put().code, 0);
    ASSERT_EQ(file_->getRecord(3).code, 0);
    ZAL.DATA_K = 0;
    ASSERT_EQ(file_->put().code, 0);
    EXPECT_EQ(order(3), (std::vector<int>{1}));
    std::vector<std::string> problems;
    ASSERT_EQ(file_->check(problems).code, 0);
    EXPECT_TRUE(problems.empty());
}

TEST(UniqueKey, DuplicateIsRefusedAndNothingIsWritten) {
    TempDir dir;
    File f(kw::dict::table("SEC"), testing::in(dir));
    ASSERT_EQ(f.create().code, 0);
    ASSERT_EQ(f.open().code, 0);
    SEC = kw::dict::SecRecord{};
    SEC.K_POL = 1;
    SEC.PAROL = "one";
    ASSERT_EQ(f.add().code, 0);
    SEC.K_POL = 2;
    SEC.PAROL = "two";
    ASSERT_EQ(f.add().code, 0);
    const auto before = testing::snapshotDir(dir.path());
    // The first key is free (3), the second (PAROL, NOCASE) is not: nothing may change.
    SEC.K_POL = 3;
    SEC.PAROL = "ONE";
    EXPECT_EQ(f.add().code, kDuplicateKey);
    EXPECT_EQ(testing::snapshotDir(dir.path()), before);
    bool taken = false;
    ASSERT_EQ(f.duplicate(2, taken).code, 0);
    EXPECT_TRUE(taken);
    ASSERT_EQ(f.duplicate(1, taken).code, 0);
    EXPECT_FALSE(taken);
    // A put that would take another record's value is refused the same way.
    SEC.K_POL = 2;
    ASSERT_EQ(f.get(1).code, 0);
    SEC.K_POL = 1;
    EXPECT_EQ(f.put().code, kDuplicateKey);
    EXPECT_EQ(testing::snapshotDir(dir.path()), before);
    // A put that keeps its own value is fine.
    SEC.K_POL = 2;
    SEC.FIO = "Second";
    EXPECT_EQ(f.put().code, 0);
    uint32_t n = 0;
    ASSERT_EQ(f.records(n).code, 0);
    EXPECT_EQ(n, 2u);
}

TEST_F(ZalFile, PutOfARecordChangedByAnotherStationIsRefused) {
    addTickets(1, 3);
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    std::thread station([&] {
        ASSERT_EQ(other.open().code, 0);
        ASSERT_EQ(other.getRecord(2).code, 0);
        ZAL.S_VID = 999;
        ASSERT_EQ(other.put().code, 0);
        ASSERT_EQ(other.close().code, 0);
    });
    ASSERT_EQ(file_->getRecord(2).code, 0);  // read before the other station writes
    station.join();
    ZAL.S_VID = 1;
    const auto before = testing::snapshotDir(dir_.path());
    EXPECT_EQ(file_->put().code, kRecordChanged);
    EXPECT_EQ(testing::snapshotDir(dir_.path()), before);
    // Read again, the record takes the change.
    ASSERT_EQ(file_->getRecord(2).code, 0);
    EXPECT_EQ(ZAL.S_VID, 999);
    ZAL.S_VID = 1;
    EXPECT_EQ(file_->put().code, 0);
}

TEST_F(ZalFile, HoldsAreExclusiveBetweenStations) {
    addTickets(1, 3);
    ASSERT_EQ(file_->getRecord(2, true).code, 0);
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    std::thread station([&] {
        ASSERT_EQ(other.open().code, 0);
        EXPECT_EQ(other.getRecord(2, true).code, kRecordHeld);
        ASSERT_EQ(other.getRecord(2).code, 0);  // reading without a hold is fine
        EXPECT_EQ(other.send("HELD"), "ON");
        EXPECT_EQ(other.put().code, kAccessDenied);
        EXPECT_EQ(other.remove().code, kAccessDenied);
        ASSERT_EQ(other.close().code, 0);
    });
    station.join();
    ASSERT_EQ(file_->release().code, 0);
    std::thread again([&] {
        ASSERT_EQ(other.open().code, 0);
        EXPECT_EQ(other.getRecord(2, true).code, 0);
        ASSERT_EQ(other.close().code, 0);
    });
    again.join();
}

TEST_F(ZalFile, NextAndPreviousReportARecordHeldByAnotherStationAndReadOn) {
    addTickets(1, 4);
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    std::promise<void> holding, done;
    std::thread station([&] {
        ASSERT_EQ(other.open().code, 0);
        ASSERT_EQ(other.getRecord(2, true).code, 0);
        holding.set_value();
        done.get_future().wait();
        ASSERT_EQ(other.close().code, 0);
    });
    holding.get_future().wait();
    for (int key : {0, 1}) {
        SCOPED_TRACE(key);
        ASSERT_EQ(file_->set(key).code, 0);
        ASSERT_EQ(file_->next().code, 0);
        EXPECT_EQ(ZAL.N_KV, 1);
        ZAL.N_KV = 77;
        const Status held = file_->next();
        EXPECT_EQ(held.code, kRecordHeld);
        EXPECT_EQ(ZAL.N_KV, 77);  // not read into the buffer
        EXPECT_FALSE(file_->eof());
        ASSERT_EQ(file_->next().code, 0);  // past the held one
        EXPECT_EQ(ZAL.N_KV, 3);
        EXPECT_EQ(file_->previous().code, kRecordHeld);
        ASSERT_EQ(file_->previous().code, 0);
        EXPECT_EQ(ZAL.N_KV, 1);
        // Holding while stepping reports the same; a get without hold still reads it.
        ASSERT_EQ(file_->set(key).code, 0);
        ASSERT_EQ(file_->next(true).code, 0);
        EXPECT_EQ(file_->next(true).code, kRecordHeld);
        ASSERT_EQ(file_->release().code, 0);
        ASSERT_EQ(file_->getRecord(2).code, 0);
        EXPECT_EQ(ZAL.N_KV, 2);
    }
    // The station's own hold does not stop its reading, nor does IGNORESTATUS.
    EXPECT_EQ(file_->send("IGNORESTATUS=ON"), "");
    EXPECT_EQ(order(0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(file_->send("IGNORESTATUS=OFF"), "");
    done.set_value();
    station.join();
    ASSERT_EQ(file_->getRecord(3, true).code, 0);
    EXPECT_EQ(order(1), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(order(1, true), (std::vector<int>{4, 3, 2, 1}));
}

// A station killed while it holds a record takes its hold with it: the others read the
// record, and holds taken afterwards are still seen by every reader.
TEST_F(ZalFile, AHoldOfAKilledStationDiesWithItAndLaterHoldsAreStillSeen) {
    addTickets(1, 4);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        File child(kw::dict::table("ZAL"), testing::in(dir_));
        if (!child.open().ok() || !child.getRecord(2, true).ok()) ::_exit(1);
        ::_exit(0);  // no release, no close
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(order(1), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(file_->getRecord(2, true).code, 0);
    ASSERT_EQ(file_->release().code, 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // The second round after a reopen, which puts the count of holds right.
        if (round == 1) {
            ASSERT_EQ(file_->close().code, 0);
            ASSERT_EQ(file_->open().code, 0);
        }
        File other(kw::dict::table("ZAL"), testing::in(dir_));
        std::promise<void> holding, done;
        std::thread station([&] {
            ASSERT_EQ(other.open().code, 0);
            ASSERT_EQ(other.getRecord(3, true).code, 0);
            holding.set_value();
            done.get_future().wait();
            ASSERT_EQ(other.close().code, 0);
        });
        holding.get_future().wait();
        ASSERT_EQ(file_->set(0).code, 0);
        std::vector<int> codes;
        for (int i = 0; i < 4; ++i) codes.push_back(file_->next().code);
        EXPECT_EQ(codes, (std::vector<int>{0, 0, kRecordHeld, 0}));
        done.set_value();
        station.join();
        EXPECT_EQ(order(0), (std::vector<int>{1, 2, 3, 4}));
    }
}

TEST_F(ZalFile, RollbackGivesBackTheRecordAsOnDiskForTheNextPut) {
    addTickets(1, 3);
    ASSERT_EQ(file_->getRecord(2).code, 0);
    ASSERT_EQ(File::logout(1, {file_.get()}).code, 0);
    ZAL.S_VID = 555;
    ASSERT_EQ(file_->put().code, 0);
    ASSERT_EQ(File::rollback().code, 0);
    // The record is as before on disk, and a put over it is this station's own change.
    EXPECT_EQ(ZAL.S_VID, 555);  // the buffer is the program's and stays
    ZAL.S_VID = 777;
    ASSERT_EQ(file_->put().code, 0);
    ASSERT_EQ(file_->getRecord(2).code, 0);
    EXPECT_EQ(ZAL.S_VID, 777);
    EXPECT_EQ(ZAL.N_KV, 2);
    // A change by another station after the rollback is still caught.
    ASSERT_EQ(File::logout(1, {file_.get()}).code, 0);
    ZAL.S_VID = 1;
    ASSERT_EQ(file_->put().code, 0);
    ASSERT_EQ(File::rollback().code, 0);
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    std::thread station([&] {
        ASSERT_EQ(other.open().code, 0);
        ASSERT_EQ(other.getRecord(2).code, 0);
        ZAL.S_VID = 999;
        ASSERT_EQ(other.put().code, 0);
        ASSERT_EQ(other.close().code, 0);
    });
    station.join();
    ZAL.S_VID = 2;
    EXPECT_EQ(file_->put().code, kRecordChanged);
    // A record added in a rolled-back frame is gone.
    ASSERT_EQ(File::logout(1, {file_.get()}).code, 0);
    zal(9);
    ASSERT_EQ(file_->add().code, 0);
    ASSERT_EQ(File::rollback().code, 0);
    EXPECT_NE(file_->put().code, 0);
    EXPECT_EQ(order(1), (std::vector<int>{1, 2, 3}));
}

TEST_F(ZalFile, StringsAreOemOnDiskAndAnsiInMemory) {
    zal(1, "Щукин Ёж");
    ASSERT_EQ(file_->add().code, 0);
    ASSERT_EQ(file_->close().code, 0);
    auto bytes = testing::readAll(file_->dataPath());
    const uint64_t data = le::get32(bytes.data() + 21);
    const std::string onDisk(reinterpret_cast<const char*>(bytes.data() + data + 5 + 5), 8);
    EXPECT_EQ(onDisk, kw::cp::ansiToOem(kw::W("Щукин Ёж")));
    EXPECT_EQ(static_cast<uint8_t>(onDisk[0]), 0x99);  // Щ in code page 866
    ASSERT_EQ(file_->open().code, 0);
    ASSERT_EQ(file_->getRecord(1).code, 0);
    EXPECT_EQ(kw::cp::toUtf8(ZAL.FIO.clip()), "Щукин Ёж");
}

TEST(OwnedFile, WrongOwnerPasswordFailsTheHeaderCheck) {
    TempDir dir;
    {
        File f(kw::dict::table("SEC"), testing::in(dir));
        ASSERT_EQ(f.create().code, 0);
        ASSERT_EQ(f.open().code, 0);
        SEC = kw::dict::SecRecord{};
        SEC.K_POL = 7;
        SEC.FIO = kw::W("Администратор");
        SEC.PAROL = "secret";
        ASSERT_EQ(f.add().code, 0);
    }
    // The record is enciphered on disk.
    auto bytes = testing::readAll(dir.file("SEC.DAT"));
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_EQ(all.find("secret"), std::string::npos);
    TableDecl wrong = kw::dict::table("SEC");
    wrong.owner = "QORVAX";
    File bad(wrong, testing::in(dir));
    EXPECT_EQ(bad.open().code, kInvalidDataFile);
    TableDecl none = kw::dict::table("SEC");
    none.owner.clear();
    none.encrypt = false;
    File plain(none, testing::in(dir));
    EXPECT_EQ(plain.open().code, kInvalidDataFile);
    File good(kw::dict::table("SEC"), testing::in(dir));
    ASSERT_EQ(good.open().code, 0);
    SEC = kw::dict::SecRecord{};
    SEC.K_POL = 7;
    ASSERT_EQ(good.get(1).code, 0);
    EXPECT_EQ(SEC.PAROL.clip(), "secret");
}

TEST_F(ZalFile, PositionsResetRegetAndSavedStates) {
    addTickets(1, 5);
    zal(3);
    ASSERT_EQ(file_->get(1).code, 0);
    const std::string byKey = file_->position(1);
    const std::string byRecord = file_->position(0);
    EXPECT_EQ(byKey.size(), 4u + 4u);
    const int saved = file_->saveState();
    ASSERT_EQ(file_->next().code, 0);
    EXPECT_EQ(ZAL.N_KV, 4);
    ASSERT_EQ(file_->reset(1, byKey).code, 0);
    ASSERT_EQ(file_->next().code, 0);
    EXPECT_EQ(ZAL.N_KV, 3);
    ASSERT_EQ(file_->reget(0, byRecord).code, 0);
    EXPECT_EQ(ZAL.N_KV, 3);
    ASSERT_EQ(file_->set(0).code, 0);
    ASSERT_EQ(file_->next().code, 0);
    ASSERT_EQ(file_->restoreState(saved).code, 0);
    EXPECT_EQ(file_->currentRecord(), 3u);
    ASSERT_EQ(file_->next().code, 0);
    EXPECT_EQ(ZAL.N_KV, 4);
    file_->freeState(saved);
    EXPECT_EQ(file_->restoreState(saved).code, kEntryNotFound);
}

TEST_F(ZalFile, DriverStringsAndIgnoreStatus) {
    addTickets(1, 3);
    EXPECT_EQ(file_->send("QUICKSCAN=on"), "");
    EXPECT_EQ(file_->send("quickscan"), "ON");
    EXPECT_EQ(file_->send("MAINTAINHEADERTIME"), "OFF");
    EXPECT_EQ(file_->send("MAINTAINHEADERTIME=ON"), "");
    kw::clock::setToday(80000);
    zal(4);
    ASSERT_EQ(file_->add().code, 0);
    kw::clock::setToday(0);
    EXPECT_EQ(le::get32(testing::readAll(file_->dataPath()).data() + 79), 80000u);  // change date
    ASSERT_EQ(file_->remove().code, 0);
    EXPECT_EQ(file_->send("RECOVER"), "10");  // answered like the switches, not reset
    EXPECT_EQ(file_->send("RECOVER=3"), "");
    EXPECT_EQ(file_->lastStatus().code, 0);
    EXPECT_EQ(file_->send("recover"), "3");
    EXPECT_EQ(file_->send("RECOVER"), "3");
    EXPECT_EQ(file_->send("NOSUCHTHING"), "");
    EXPECT_EQ(file_->lastStatus().code, kUnsupportedFunction);
    EXPECT_EQ(file_->send("IGNORESTATUS=ON"), "");
    ASSERT_EQ(file_->getRecord(2).code, 0);
    ASSERT_EQ(file_->remove().code, 0);
    EXPECT_EQ(file_->send("DELETED"), "");
    EXPECT_EQ(file_->lastStatus().code, kRecordNotAvailable);
    // With IGNORESTATUS the deleted slot is read, and a put revives it.
    ASSERT_EQ(file_->getRecord(2).code, 0);
    EXPECT_EQ(file_->send("DELETED"), "ON");
    ASSERT_EQ(file_->put().code, 0);
    EXPECT_EQ(file_->send("DELETED"), "OFF");
    EXPECT_EQ(file_->send("IGNORESTATUS=OFF"), "");
    uint32_t n = 0;
    ASSERT_EQ(file_->records(n).code, 0);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(order(1), (std::vector<int>{1, 2, 3}));
    std::vector<std::string> problems;
    ASSERT_EQ(file_->check(problems).code, 0);
    EXPECT_TRUE(problems.empty()) << problems[0];
    // Without it, a put to a deleted slot fails with 33.
    ASSERT_EQ(file_->getRecord(2).code, 0);
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    std::thread t([&] {
        ASSERT_EQ(other.open().code, 0);
        ASSERT_EQ(other.getRecord(2).code, 0);
        ASSERT_EQ(other.remove().code, 0);
    });
    t.join();
    EXPECT_EQ(file_->put().code, kRecordNotAvailable);
}

TEST_F(ZalFile, PackRemovesDeletedSlotsAndBuildRestoresKeys) {
    addTickets(1, 20);
    for (uint32_t r = 2; r <= 20; r += 3) {
        ASSERT_EQ(file_->getRecord(r).code, 0);
        ASSERT_EQ(file_->remove().code, 0);
    }
    ASSERT_EQ(file_->pack().code, 0);
    uint32_t n = 0;
    ASSERT_EQ(file_->records(n).code, 0);
    EXPECT_EQ(n, 13u);
    EXPECT_EQ(order(0), order(1));
    ASSERT_EQ(file_->close().code, 0);
    auto bytes = testing::readAll(file_->dataPath());
    EXPECT_EQ(le::get32(bytes.data() + 5), 13u);
    EXPECT_EQ(le::get32(bytes.data() + 33), 0u);
    EXPECT_FALSE(std::filesystem::exists(file_->tempPath()));
    // A key file lost: open asks for a rebuild; build brings it back.
    std::filesystem::remove(file_->keyPath(2));
    EXPECT_EQ(file_->open().code, kKeyFileMustBeRebuilt);
    ASSERT_EQ(file_->build().code, 0);
    ASSERT_EQ(file_->open().code, 0);
    EXPECT_EQ(order(2).size(), 13u);
    std::vector<std::string> problems;
    ASSERT_EQ(file_->check(problems).code, 0);
    EXPECT_TRUE(problems.empty());
}

TEST_F(ZalFile, SharingModesAndWholeFileLock) {
    File other(kw::dict::table("ZAL"), testing::in(dir_));
    auto inThread = [&](auto fn) {
        std::thread t(fn);
        t.join();
    };
    inThread([&] { EXPECT_EQ(other.open(kAccessReadWrite | kDenyAll).code, kAccessDenied); });
    ASSERT_EQ(file_->lock(1).code, 0);
    inThread([&] {
        ASSERT_EQ(other.open().code, 0);
        zal(5);
        EXPECT_EQ(other.add().code, kFileLocked);
        EXPECT_EQ(other.lock(0).code, kFileLocked);
        ASSERT_EQ(other.close().code, 0);
    });
    addTickets(1, 2);  // the locker writes
    ASSERT_EQ(file_->unlock().code, 0);
    inThread([&] {
        ASSERT_EQ(other.open().code, 0);
        zal(5);
        EXPECT_EQ(other.add().code, 0);
        ASSERT_EQ(other.close().code, 0);
    });
    ASSERT_EQ(file_->close().code, 0);
    ASSERT_EQ(file_->open(kAccessRead | kDenyWrite).code, 0);
    inThread([&] { EXPECT_EQ(other.open().code, kAccessDenied); });
    inThread([&] {
        ASSERT_EQ(other.open(kAccessRead | kDenyNone).code, 0);
        EXPECT_EQ(other.records(*std::make_unique<uint32_t>()).code, 0);
    });
    zal(9);
    EXPECT_EQ(file_->add().code, kAccessDenied);  // opened for reading
}

}  // namespace
}  // namespace kw::storage
