// Several procedure threads using one table at once: each keeps its own record buffer,
// position, open count and end-of-file state.
#include <barrier>
#include <mutex>

#include "data_test_util.h"
#include "dictionary/tables.h"

namespace kw::testing {
namespace {

using kw::Level;
using ThreadsTest = DictTest;

TEST_F(ThreadsTest, ThreadsKeepTheirOwnBuffersPositionsAndOpenCounts) {
    ASSERT_EQ(Access::ZAL->Open(), Level::Benign);
    for (int32_t t = 1; t <= 6; ++t) {
        ZAL = dict::ZalRecord{};
        ZAL.N_KV = t * 10;
        ASSERT_EQ(Access::ZAL->Insert(), Level::Benign);
    }
    ZAL.N_KV = 30;
    ASSERT_EQ(Access::ZAL->Fetch(dict::zalTable().keys[0]), Level::Benign);

    constexpr int kThreads = 3;
    std::barrier sync(kThreads);
    std::mutex mu;
    std::vector<std::string> failures;
    auto fail = [&](const std::string& what) {
        std::lock_guard lock(mu);
        failures.push_back(what);
    };
    auto worker = [&](int number) {
        proc::setCurrentThread(number);
        const int opens = number - 1;  // 1, 2, 3 opens
        for (int i = 0; i < opens; ++i)
            if (Access::ZAL->Open() != Level::Benign) fail("open");
        ZAL = dict::ZalRecord{};
        // thread 2 reads forwards from the start, 3 backwards from the end, 4 from 40
        if (number == 4) {
            ZAL.N_KV = 40;
            if (Access::ZAL->Fetch(dict::zalTable().keys[0]) != Level::Benign) fail("fetch");
        } else {
            if (Access::ZAL->UseFile() != Level::Benign || !Access::ZAL->File->set(1).ok())
                fail("set");
        }
        sync.arrive_and_wait();
        std::vector<int32_t> seen;
        for (int step = 0; step < 3; ++step) {
            const Level l = number == 3 ? Access::ZAL->TryPrevious() : Access::ZAL->TryNext();
            if (l == Level::Benign) seen.push_back(ZAL.N_KV);
            sync.arrive_and_wait();  // every thread has stepped: buffers must not mix
            if (l == Level::Benign && ZAL.N_KV != seen.back())
                fail("buffer changed by another thread");
        }
        const std::vector<int32_t> expected = number == 2   ? std::vector<int32_t>{10, 20, 30}
                                              : number == 3 ? std::vector<int32_t>{60, 50, 40}
                                                            : std::vector<int32_t>{50, 60};
        if (seen != expected) fail("thread " + std::to_string(number) + " read the wrong records");
        if (Access::ZAL->GetEOF() != (number == 4 ? 1 : 0))
            fail("end of file of thread " + std::to_string(number));
        if (Access::ZAL->SetThread().Opened != opens)
            fail("open count of thread " + std::to_string(number));
        sync.arrive_and_wait();
        for (int i = 0; i < opens; ++i) Access::ZAL->Close();
        if (Access::ZAL->SetThread().Opened != 0 || Access::ZAL->File->isOpen()) fail("closed");
    };
    std::vector<std::thread> threads;
    for (int n = 2; n < 2 + kThreads; ++n) threads.emplace_back(worker, n);
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures, std::vector<std::string>{});

    // the main thread's own state is untouched
    EXPECT_EQ(ZAL.N_KV, 30);
    EXPECT_EQ(Access::ZAL->SetThread().Opened, 1);
    EXPECT_TRUE(Access::ZAL->File->isOpen());
    ASSERT_EQ(Access::ZAL->TryNext(), Level::Benign);
    EXPECT_EQ(ZAL.N_KV, 40);
    Access::ZAL->Close();
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(assertion::reportCount(), 0u);
}

TEST_F(ThreadsTest, ThreadsAddingAtOnceEachSeeTheirOwnRecordInTheirBuffer) {
    constexpr int kThreads = 4, kEach = 25;
    std::vector<std::thread> threads;
    std::atomic<int> bad{0};
    for (int n = 0; n < kThreads; ++n) {
        threads.emplace_back([&, n] {
            proc::setCurrentThread(n + 2);
            if (Relate::DAY->Open(0) != Level::Benign) ++bad;
            for (int i = 0; i < kEach; ++i) {
                DAY = dict::DayRecord{};
                DAY.DATA = 1000 + n * kEach + i;
                DAY.KAS = n;
                if (Access::DAY->Insert() != Level::Benign || DAY.KAS != n) ++bad;
            }
            Relate::DAY->Close(0);
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(bad.load(), 0);
    for (const auto& t : texts()) ADD_FAILURE() << t;
    ASSERT_EQ(Access::DAY->Open(), Level::Benign);
    ASSERT_EQ(Access::DAY->UseFile(), Level::Benign);
    uint32_t count = 0;
    ASSERT_TRUE(Access::DAY->File->records(count).ok());
    EXPECT_EQ(count, static_cast<uint32_t>(kThreads * kEach));
    Access::DAY->Close();
}

}  // namespace
}  // namespace kw::testing
