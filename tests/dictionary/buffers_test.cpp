// Record buffers: one per table and per procedure thread, blank and zero when a thread
// first uses them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "dictionary/tables.h"
#include "runtime/codepage.h"

namespace {

// Every string field all blanks, every number zero.
void expectCleared(const kw::storage::TableDecl& t) {
    const auto* r = static_cast<const unsigned char*>(t.buffer());
    for (const auto& f : t.fields) {
        SCOPED_TRACE(t.label + ":" + f.name);
        for (int i = 0; i < f.size; ++i) {
            unsigned char want = 0;
            if (f.type == kw::storage::FieldType::String) want = ' ';
            if (f.type == kw::storage::FieldType::Decimal && i == f.size - 1) want = 0x0C;  // +0
            EXPECT_EQ(r[f.offset + i], want) << "byte " << i;
        }
    }
}

}  // namespace

TEST(RecordBuffers, EveryBufferStartsClearedOnANewThread) {
    std::thread t([] {
        for (const auto* table : kw::dict::allTables()) expectCleared(*table);
        EXPECT_EQ(static_cast<double>(KBP.KDZ), 0.0);
    });
    t.join();
}

TEST(RecordBuffers, EachThreadHasItsOwnBuffers) {
    ZAL.S_CCYD = 1;
    ZAL.FIO = "main";
    std::string seenA, seenB;
    double amountA = 0, amountB = 0;
    const void *addrA = nullptr, *addrB = nullptr;
    auto worker = [](const char* name, double amount, std::string& seen, double& seenAmount,
                     const void*& addr) {
        ZAL.FIO = name;
        ZAL.S_CCYD = amount;
        SEC.FIO = kw::W("Иванов");
        // give the other thread time to write its values
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        seen = ZAL.FIO.clip();
        seenAmount = ZAL.S_CCYD;
        addr = kw::dict::table("ZAL").buffer();
    };
    std::thread a(worker, "first", 100.0, std::ref(seenA), std::ref(amountA), std::ref(addrA));
    std::thread b(worker, "second", 200.0, std::ref(seenB), std::ref(amountB), std::ref(addrB));
    a.join();
    b.join();
    EXPECT_EQ(seenA, "first");
    EXPECT_EQ(amountA, 100.0);
    EXPECT_EQ(seenB, "second");
    EXPECT_EQ(amountB, 200.0);
    EXPECT_NE(addrA, addrB);
    // this thread's buffers are untouched
    EXPECT_EQ(ZAL.FIO.clip(), "main");
    EXPECT_EQ(ZAL.S_CCYD, 1.0);
    EXPECT_TRUE(SEC.FIO.blank());
    EXPECT_EQ(kw::dict::table("ZAL").buffer(), static_cast<void*>(&ZAL));
    ZAL = kw::dict::ZalRecord();
}
