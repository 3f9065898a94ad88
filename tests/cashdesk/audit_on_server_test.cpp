// The audit journal with the tables on a server (run by cashdesk_on_a_server; skipped on
// flat files): a loan's OK stores the pledge and its entry together or neither (the
// server refusing either row leaves no loan and no entry), and `kestrowd-file
// verify-audit` checks the server's journal and finds an entry altered there.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "cashdesk/auditor.h"
#include "cashdesk_test_util.h"
#include "framework/data/audit.h"
#include "pledges/pledge_procedures.h"

namespace kwcash {
namespace {

// A statement run on the server with psql; its output, trimmed, and whether it worked.
bool sql(const std::string& statement, std::string* out = nullptr) {
    const char* conninfo = std::getenv("KW_TEST_CONNINFO");
    if (conninfo == nullptr) return false;
    const std::string cmd = "\"$(pg_config --bindir)/psql\" -qAt -v ON_ERROR_STOP=1 \"" +
                            std::string(conninfo) + "\" -c \"" + statement + "\" 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return false;
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) text += buf;
    const int rc = ::pclose(p);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (out) *out = text;
    return rc == 0;
}

// `kestrowd-file verify-audit` in the data directory: its exit code and output.
int verifyAudit(std::string& out) {
    const std::string cmd = std::string(KW_BINARY_DIR) + "/kestrowd-file verify-audit AUD.DAT 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    char buf[256];
    out.clear();
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class AuditOnServerTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        if (HasFatalFailure()) return;
        if (!onServer()) GTEST_SKIP() << "the tables are in flat files (no KW_TEST_CONNINFO)";
        addRecords(kw::dict::kbpTable(), std::vector{loanSettings(10000)});
        addGoldPriceAndOperator();
        addRecords(kw::dict::dayTable(), std::vector{day(kToday, 10000)});
        kw::cashdesk::installAuditor();
        installed_ = true;
    }
    void TearDown() override {
        if (installed_) kw::cashdesk::removeAuditor();
        (void)sql("DROP TRIGGER IF EXISTS refuse ON aud");
        CashdeskTest::TearDown();
    }

    // The new-loan form of the day's list, with a loan of 10 g typed.
    WindowDriver typedLoan(int& thread, WindowDriver& list) {
        thread = run(ZAL_TAB);
        list = window(W("Залоговые ссуды за день"));
        EXPECT_EQ(list.press(W("Добавить")), Drive::Ok);
        WindowDriver f = window(W("Добавить ???"));
        EXPECT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
        EXPECT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
        return f;
    }
    static void closeTicket() {
        WindowDriver d = kw::script::waitWindow(W("печать билета"), 5s);
        ASSERT_TRUE(d);
        ASSERT_EQ(d.settle(), Drive::Ok);
        ASSERT_EQ(d.press(W("Закрыть")), Drive::Ok);
    }

    bool installed_ = false;
};

// `table`'s new rows refused by the server, as a statement that fails there would be.
bool refuseInserts(const char* table) {
    return sql("CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
               "\\$\\$BEGIN RAISE EXCEPTION 'refused'; END\\$\\$") &&
           sql(std::string("CREATE TRIGGER refuse BEFORE INSERT ON ") + table +
               " FOR EACH ROW EXECUTE FUNCTION refuse()");
}

// Rows of a table on the server ("" when it cannot be read).
std::string rows(const char* table) {
    std::string n;
    return sql(std::string("SELECT count(*) FROM ") + table, &n) ? n : std::string();
}

TEST_F(AuditOnServerTest, ALoansOkWritesThePledgeAndItsEntryTogetherOrNeither) {
    int t = 0;
    WindowDriver l;
    WindowDriver f = typedLoan(t, l);
    ASSERT_TRUE(f);
    // The server refuses the entry, then the pledge: each time neither is stored.
    for (const char* refused : {"aud", "zal"}) {
        ASSERT_TRUE(refuseInserts(refused)) << refused;
        const std::size_t shown = boxes.shown().size();
        ASSERT_EQ(f.press("OK"), Drive::Ok);
        ASSERT_TRUE(eventually([&] { return boxes.shown().size() > shown; })) << refused;
        ASSERT_EQ(boxes.reply(lastBox().defaultButton), Drive::Ok);
        ASSERT_EQ(f.settle(), Drive::Ok);
        EXPECT_TRUE(f.isOpen()) << "the form stays for another try";
        EXPECT_EQ(rows("zal"), "0") << refused << " refused: no loan without its entry";
        EXPECT_EQ(rows("aud"), "0") << refused << " refused: no entry without its loan";
        ASSERT_TRUE(sql(std::string("DROP TRIGGER refuse ON ") + refused));
    }
    // Taken again: the pledge and its entry, once each.
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    closeTicket();
    closeWith(l, W("Закрыть"), t);
    ASSERT_EQ(pledges().size(), 1u);
    std::string entries;
    ASSERT_TRUE(
        sql("SELECT count(*) FROM zal z JOIN aud a ON a.tab = 'ZAL' AND a.key = "
            "z.n_kv::text AND a.kind = 1",
            &entries));
    EXPECT_EQ(entries, "1");
    EXPECT_EQ(rows("aud"), "1");
}

TEST_F(AuditOnServerTest, VerifyAuditChecksTheServersJournalAndFindsAnAlteredEntry) {
    for (const char* client : {"Сидоров Пётр", "Иванова Анна"}) {
        int t = 0;
        WindowDriver l;
        WindowDriver f = typedLoan(t, l);
        ASSERT_TRUE(f);
        ASSERT_EQ(f.type("ZAL:FIO", W(client)), Drive::Ok);
        ASSERT_EQ(f.press("OK"), Drive::Ok);
        ASSERT_TRUE(f.waitClosed(5s));
        closeTicket();
        closeWith(l, W("Закрыть"), t);
    }
    std::string out;
    EXPECT_EQ(verifyAudit(out), 0) << out;
    EXPECT_NE(out.find("2 entries"), std::string::npos) << out;

    ASSERT_TRUE(sql("UPDATE aud SET text = 'OPER: 0 -> 1' WHERE n = 2"));
    EXPECT_NE(verifyAudit(out), 0) << out;
    EXPECT_NE(out.find('2'), std::string::npos) << "names the entry: " << out;
}

}  // namespace
}  // namespace kwcash
