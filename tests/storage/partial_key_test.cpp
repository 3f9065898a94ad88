// The key of the open pledges (ZAL.P01): the entries of KEY_1 for the records whose state
// is at most 3, kept by every write, checked and rebuilt like the other keys; a view in
// KEY_1's order reads it when its filter lets through open pledges only, and shows
// exactly what it would show reading KEY_1.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "storage/byte_order.h"
#include "storage/view.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;
using testing::zal;

constexpr int kOpenKey = 4;  // the driver's number of the partial key of ZAL

class OpenPledgesKey : public ::testing::Test {
  protected:
    void SetUp() override {
        file = std::make_unique<File>(kw::dict::table("ZAL"), testing::in(dir));
        ASSERT_EQ(file->create().code, 0);
        ASSERT_EQ(file->open().code, 0);
    }
    void add(int ticket, uint8_t state) {
        zal(ticket);
        ZAL.SOST = state;
        states[ticket] = state;
        ASSERT_EQ(file->add().code, 0) << ticket;
    }
    void setState(int ticket, uint8_t state) {
        ZAL.N_KV = ticket;
        ASSERT_EQ(file->get(1).code, 0) << ticket;
        ZAL.SOST = state;
        ASSERT_EQ(file->put().code, 0) << ticket;
        states[ticket] = state;
    }
    void remove(int ticket) {
        ZAL.N_KV = ticket;
        ASSERT_EQ(file->get(1).code, 0) << ticket;
        ASSERT_EQ(file->remove().code, 0) << ticket;
        states.erase(ticket);
    }
    // Tickets in the order of a key of the file.
    std::vector<int> inKey(int key) {
        std::vector<int> out;
        EXPECT_EQ(file->set(key).code, 0);
        while (file->next().ok()) out.push_back(ZAL.N_KV);
        return out;
    }
    std::vector<int> openOnes() const {
        std::vector<int> out;
        for (const auto& [t, s] : states)
            if (s <= 3) out.push_back(t);
        return out;
    }
    std::vector<std::string> problems() {
        std::vector<std::string> p;
        EXPECT_EQ(file->check(p).code, 0);
        return p;
    }
    TempDir dir;
    std::unique_ptr<File> file;
    std::map<int, uint8_t> states;
};

TEST_F(OpenPledgesKey, HoldsTheOpenPledgesInTicketOrderThroughAddsChangesAndDeletes) {
    EXPECT_TRUE(std::filesystem::exists(dir.file("ZAL.P01")));
    EXPECT_EQ(file->keyPath(kOpenKey), dir.file("ZAL.P01"));
    // Added out of ticket order, every state and a damaged one (9).
    for (int i = 0; i < 300; ++i) {
        const int t = 1 + (i * 37) % 300;
        add(t, static_cast<uint8_t>(t % 11 == 0 ? 9 : t % 7));
    }
    EXPECT_EQ(inKey(kOpenKey), openOnes());
    // Prolonged (stays), redeemed (leaves), a mistake put right (comes back), deleted.
    setState(1, 2);
    setState(3, 4);
    setState(5, 0);
    setState(14, 1);  // from 0 to 1
    remove(2);
    remove(7);     // not open: nothing to take out
    add(1000, 0);  // reuses a deleted slot
    EXPECT_EQ(inKey(kOpenKey), openOnes());
    EXPECT_TRUE(problems().empty());
    // The other keys are those of every pledge, as before.
    std::vector<int> all;
    for (const auto& [t, s] : states) all.push_back(t);
    EXPECT_EQ(inKey(1), all);
}

TEST_F(OpenPledgesKey, CheckFindsAWrongOrMissingEntryAndBuildPutsItRight) {
    for (int t = 1; t <= 200; ++t) add(t, static_cast<uint8_t>(t % 7));
    ASSERT_EQ(file->close().code, 0);
    // The record of ticket 1 (state 1) taken out of the open pledges behind the driver's
    // back: the key file still names it.
    auto dat = testing::readAll(dir.file("ZAL.DAT"));
    const uint32_t dataOffset = le::get32(dat.data() + 21);
    const auto& sost = kw::dict::table("ZAL").field(kw::dict::table("ZAL").fieldNumber("SOST"));
    dat[dataOffset + 5 + sost.offset] = 4;
    testing::writeAll(dir.file("ZAL.DAT"), dat);
    ASSERT_EQ(file->open().code, 0);
    std::vector<std::string> p = problems();
    ASSERT_FALSE(p.empty());
    for (const std::string& line : p)
        EXPECT_EQ(line.rfind("key file .P01: ", 0), 0u)
            << "only the open pledges' key disagrees: " << line;
    ASSERT_EQ(file->close().code, 0);
    ASSERT_EQ(file->build().code, 0);
    ASSERT_EQ(file->open().code, 0);
    EXPECT_TRUE(problems().empty());
    states[1] = 4;
    EXPECT_EQ(inKey(kOpenKey), openOnes());
    ASSERT_EQ(file->close().code, 0);

    // A missing file: the open asks for a rebuild, which makes it again.
    std::filesystem::remove(dir.file("ZAL.P01"));
    EXPECT_EQ(file->open().code, kKeyFileMustBeRebuilt);
    ASSERT_EQ(file->build().code, 0);
    ASSERT_EQ(file->open().code, 0);
    EXPECT_TRUE(problems().empty());
    EXPECT_EQ(inKey(kOpenKey), openOnes());
}

// Two stations changing states at once keep the key of the open pledges right.
TEST_F(OpenPledgesKey, TwoProcessesMovingPledgesInAndOutLeaveTheKeyRight) {
    for (int t = 1; t <= 400; ++t) add(t, 0);
    ASSERT_EQ(file->close().code, 0);
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = ::fork();
        ASSERT_GE(pids[p], 0);
        if (pids[p] == 0) {
            File f(kw::dict::table("ZAL"), testing::in(dir));
            int failures = f.open().ok() ? 0 : 1;
            // Each process moves its half of the pledges through the states.
            for (int round = 0; round < 3 && failures == 0; ++round)
                for (int t = 1 + p; t <= 400; t += 2) {
                    ZAL.N_KV = t;
                    if (!f.get(1).ok()) {
                        ++failures;
                        continue;
                    }
                    ZAL.SOST = static_cast<uint8_t>((ZAL.SOST + 1 + t % 3) % 7);
                    if (!f.put().ok()) ++failures;
                }
            if (!f.close().ok()) ++failures;
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_EQ(file->open().code, 0);
    EXPECT_TRUE(problems().empty());
    std::vector<int> expected;
    for (int t = 1; t <= 400; ++t) {
        int s = 0;
        for (int round = 0; round < 3; ++round) s = (s + 1 + t % 3) % 7;
        if (s <= 3) expected.push_back(t);
    }
    EXPECT_EQ(inKey(kOpenKey), expected);
}

// ------------------------------------------------------------- the view's choice

class OpenPledgesView : public OpenPledgesKey {
  protected:
    void SetUp() override {
        OpenPledgesKey::SetUp();
        std::mt19937 rng(5);
        std::vector<int> order(500);
        for (int i = 0; i < 500; ++i) order[static_cast<std::size_t>(i)] = 2 * i + 2;
        std::shuffle(order.begin(), order.end(), rng);
        file->setDurable(false);
        for (int t : order) add(t, static_cast<uint8_t>(rng() % 8));  // 7: a damaged state
        file->setDurable(true);
        vars.bind("SI", ui::Binding::of(si));
    }
    std::vector<int> both(View& v) {
        std::vector<int> fwd, back;
        EXPECT_EQ(v.setStart().code, 0);
        while (v.next().ok()) fwd.push_back(ZAL.N_KV);
        EXPECT_EQ(v.setEnd().code, 0);
        while (v.previous().ok()) back.push_back(ZAL.N_KV);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(fwd, back);
        return fwd;
    }
    std::vector<int> where(const std::function<bool(uint8_t)>& keep) const {
        std::vector<int> out;
        for (const auto& [t, s] : states)
            if (keep(s)) out.push_back(t);
        return out;
    }
    int32_t si = 0;
    expr::Variables vars;
};

TEST_F(OpenPledgesView, ReadsTheOpenPledgesKeyOnlyWhenTheFilterAllowsNothingElse) {
    struct Case {
        const char* filter;
        int fileKey;
        std::function<bool(uint8_t)> keep;
    };
    const std::vector<Case> cases = {
        {"(zal:sost=0)", kOpenKey, [](uint8_t s) { return s == 0; }},
        {"(zal:sost=3)", kOpenKey, [](uint8_t s) { return s == 3; }},
        {"(zal:sost<=3)", kOpenKey, [](uint8_t s) { return s <= 3; }},
        {"zal:n_kv>100 and zal:sost<4", kOpenKey, [](uint8_t s) { return s <= 3; }},
        {"(4>zal:sost)", kOpenKey, [](uint8_t s) { return s <= 3; }},
        {"(zal:sost=4)", 1, [](uint8_t s) { return s == 4; }},
        {"(zal:sost<=4)", 1, [](uint8_t s) { return s <= 4; }},
        {"(zal:sost<5)", 1, [](uint8_t s) { return s <= 4; }},
        {"(zal:sost>=1)", 1, [](uint8_t s) { return s >= 1; }},
        {"(zal:sost=1 or zal:sost=5)", 1, [](uint8_t s) { return s == 1 || s == 5; }},
        {"(zal:sost<>6)", 1, [](uint8_t s) { return s != 6; }},
        {"", 1, [](uint8_t) { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        View v(*file);
        ASSERT_EQ(v.setOrder("+ZAL:N_KV").code, 0);
        ASSERT_EQ(v.setFilter(c.filter, &vars).code, 0);
        ASSERT_EQ(v.setStart().code, 0);
        EXPECT_EQ(v.fileKey(), c.fileKey);
        std::vector<int> want = where(c.keep);
        if (std::string(c.filter).find("n_kv>100") != std::string::npos)
            std::erase_if(want, [](int t) { return t <= 100; });
        EXPECT_EQ(both(v), want);
        // A locator's place: the first pledge of the view at or after a ticket.
        ZAL.N_KV = 501;
        ASSERT_EQ(v.setFromBuffer().code, 0);
        const auto at = std::find_if(want.begin(), want.end(), [](int t) { return t >= 501; });
        EXPECT_EQ(v.next().ok() ? int{ZAL.N_KV} : -1, at == want.end() ? -1 : *at);
    }
}

TEST_F(OpenPledgesView, AVariableOfTheFilterChoosesTheKeyAtEveryPositioning) {
    View v(*file);
    ASSERT_EQ(v.setOrder("+ZAL:N_KV").code, 0);
    ASSERT_EQ(v.setFilter("zal:sost=si", &vars).code, 0);
    for (int32_t value : {2, 5, 0, 6, 3}) {
        SCOPED_TRACE(value);
        si = value;
        EXPECT_EQ(both(v), where([&](uint8_t s) { return s == value; }));
        EXPECT_EQ(v.fileKey(), value <= 3 ? kOpenKey : 1);
    }
    // A position taken while one key was read is good for the other.
    si = 1;
    ASSERT_EQ(v.setStart().code, 0);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(v.next().ok());
    const std::string p = v.position();
    const int at = ZAL.N_KV;
    ASSERT_EQ(v.setFilter("zal:sost=1 or zal:sost=9", &vars).code, 0);
    ASSERT_EQ(v.reset(p).code, 0);
    EXPECT_EQ(v.fileKey(), 1);
    EXPECT_EQ(v.next().ok() ? int{ZAL.N_KV} : -1, at);
}

}  // namespace
}  // namespace kw::storage
