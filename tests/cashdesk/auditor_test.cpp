// The auditor's reading of a write: the kind of a pledge's change of state, the user's
// password never in the text, and KBP's running cash counters that leave no entry.
#include "cashdesk/auditor.h"

#include <gtest/gtest.h>

#include "dictionary/tables.h"
#include "runtime/codepage.h"

namespace kw::cashdesk {
namespace {

using audit::Kind;

template <class Record>
WriteNotice notice(const storage::TableDecl& t, WriteOperation op, const Record* before,
                   const Record* after) {
    WriteNotice n;
    n.table = &t;
    n.operation = op;
    n.before = reinterpret_cast<const uint8_t*>(before);
    n.after = reinterpret_cast<const uint8_t*>(after);
    n.record = 7;
    return n;
}

TEST(Auditor, APledgesChangeOfStateIsItsEvent) {
    dict::ZalRecord before;
    before.N_KV = 1368;
    before.SOST = 2;
    struct Case {
        uint8_t state;
        Kind kind;
    };
    for (const Case c :
         {Case{3, Kind::Prolongation3}, Case{4, Kind::Redemption}, Case{5, Kind::Sale},
          Case{6, Kind::PledgeDeleted}, Case{1, Kind::RolledBack}, Case{2, Kind::PledgeChanged}}) {
        dict::ZalRecord after = before;
        after.SOST = c.state;
        after.S_VID =
            10;  // one more field changed, so that a change of nothing but the state is none
        audit::Entry e;
        ASSERT_TRUE(Auditor::classify(
            notice(dict::zalTable(), WriteOperation::Update, &before, &after), e));
        EXPECT_EQ(e.kind, c.kind) << int(c.state);
        EXPECT_EQ(e.table, "ZAL");
        EXPECT_EQ(e.key, "1368");
        EXPECT_NE(e.text.find("S_VID: 0 -> 10"), std::string::npos) << e.text;
    }
    audit::Entry e;
    ASSERT_TRUE(Auditor::classify(
        notice<dict::ZalRecord>(dict::zalTable(), WriteOperation::Delete, &before, nullptr), e));
    EXPECT_EQ(e.kind, Kind::PledgeDeleted);
    EXPECT_EQ(e.key, "1368") << "a deleted pledge is named by its ticket";
    EXPECT_NE(e.text.find("N_KV: 1368 -> 0"), std::string::npos) << e.text;
}

TEST(Auditor, AUsersPasswordNeverAppearsAndItsChangeIsSaid) {
    dict::SecRecord before;
    before.K_POL = 7;
    before.FIO.assign(W("Орлова"));
    before.PAROL.assign("secret1");
    dict::SecRecord after = before;
    after.PAROL.assign("secret2");
    after.OP1 = 1;
    audit::Entry e;
    ASSERT_TRUE(
        Auditor::classify(notice(dict::secTable(), WriteOperation::Update, &before, &after), e));
    EXPECT_EQ(e.kind, Kind::UserChanged);
    EXPECT_EQ(e.key, "7");
    EXPECT_EQ(e.text, "OP1: 0 -> 1; " + W("пароль изменён"));
    ASSERT_TRUE(Auditor::classify(
        notice<dict::SecRecord>(dict::secTable(), WriteOperation::Insert, nullptr, &after), e));
    EXPECT_EQ(e.kind, Kind::UserAdded);
    EXPECT_EQ(e.text.find("secret"), std::string::npos) << e.text;
    ASSERT_TRUE(Auditor::classify(
        notice<dict::SecRecord>(dict::secTable(), WriteOperation::Delete, &before, nullptr), e));
    EXPECT_EQ(e.kind, Kind::UserDeleted);
    EXPECT_EQ(e.text.find("secret"), std::string::npos) << e.text;
}

TEST(Auditor, OnlyTheRunningCashCountersOfTheSettingsLeaveNoEntry) {
    dict::KbpRecord before;
    before.KAS_N = 1000;
    dict::KbpRecord after = before;
    after.KAS_P = 150;
    after.KAS_R = 20.5;
    audit::Entry e;
    EXPECT_FALSE(
        Auditor::classify(notice(dict::kbpTable(), WriteOperation::Update, &before, &after), e));
    after.PRO_S = 75;
    ASSERT_TRUE(
        Auditor::classify(notice(dict::kbpTable(), WriteOperation::Update, &before, &after), e));
    EXPECT_EQ(e.kind, Kind::SettingsChanged);
    EXPECT_NE(e.text.find("PRO_S: 0 -> 75"), std::string::npos) << e.text;
    after = before;
    after.KAS_N = 2000;  // the opening balance typed in the settings is money
    ASSERT_TRUE(
        Auditor::classify(notice(dict::kbpTable(), WriteOperation::Update, &before, &after), e));
    EXPECT_EQ(e.text, "KAS_N: 1000 -> 2000");
}

}  // namespace
}  // namespace kw::cashdesk
