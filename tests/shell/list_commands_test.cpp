// The scenario commands that work a list (key, locate, row, expect-rows, expect-row)
// on PKL_TAB, whose quick search is a locator: Cyrillic text located in either case,
// rows found by their text, and the failures a scenario reports.
#include "list_commands.h"

#include "framework/data/dct_init.h"
#include "procedure_test_util.h"
#include "shell/small_forms.h"

using namespace kwproc;

namespace {

kw::dict::PklRecord client(const char* fio) {
    kw::dict::PklRecord r;
    r.FIO = W(fio);
    return r;
}

class ListCommandsTest : public ProcedureTest {
  protected:
    void SetUp() override {
        ProcedureTest::SetUp();
        kw::script::setTimeout(2s);
        addRecords(kw::dict::pklTable(), PKL,
                   {client("Сидоров Сидор"), client("петров пётр"), client("Иванов Иван"),
                    client("Петрова Анна")});
        start(run, PKL_TAB);
        list = kw::script::waitWindow(kw::shell::pklListTitle());
        ASSERT_TRUE(list);
        ASSERT_EQ(list.settle(), Drive::Ok);
    }
    void TearDown() override {
        if (list.isOpen()) {
            EXPECT_EQ(list.closeBox(), Drive::Ok);
        }
        EXPECT_TRUE(run.join());
        kw::script::setTimeout(5s);
        ProcedureTest::TearDown();
    }

    // Runs one command line; `expected` says what was missing when it did not hold.
    bool step(const std::string& command, std::vector<std::string> args) {
        kw::scenario::Step s;
        s.command = command;
        s.args = std::move(args);
        expected.clear();
        return kw::scenario::runListCommand(
            s, [this] { return list; }, expected);
    }

    ProcedureRun run;
    WindowDriver list;
    std::string expected;
};

}  // namespace

TEST_F(ListCommandsTest, LocateTypesCyrillicOnTheListAndRowsAreReadByTheirText) {
    EXPECT_TRUE(step("expect-rows", {"4"}));
    EXPECT_TRUE(step("expect-row", {"1", "Иванов Иван"}));
    EXPECT_TRUE(step("locate", {"ПЕТРОВА"}));
    EXPECT_EQ(list.cell(1, list.choice(1), 1), W("Петрова Анна"));
    EXPECT_EQ(list.shown("LOOK"), W("ПЕТРОВА"));
    EXPECT_TRUE(step("key", {"Home"}));
    EXPECT_EQ(list.choice(1), 1);
    EXPECT_TRUE(step("locate", {"сид"}));
    EXPECT_EQ(list.cell(1, list.choice(1), 1), W("Сидоров Сидор"));
    EXPECT_TRUE(step("row", {"петров пётр"}));
    EXPECT_EQ(list.choice(1), 2);
    EXPECT_TRUE(step("key", {"Down"}));
    EXPECT_EQ(list.choice(1), 3);
    EXPECT_TRUE(step("key", {"Escape"}));
    EXPECT_TRUE(list.waitClosed(2s));
}

TEST_F(ListCommandsTest, WhatDoesNotHoldIsReportedWithWhatWasExpected) {
    kw::script::setTimeout(300ms);  // how long each expectation waits in vain
    EXPECT_FALSE(step("expect-rows", {"3"}));
    EXPECT_NE(expected.find("3 rows"), std::string::npos) << expected;
    EXPECT_FALSE(step("expect-row", {"2", "Иванов Иван"}));
    EXPECT_FALSE(step("expect-row", {"0", "x"}));
    EXPECT_FALSE(step("row", {"Кузнецов"}));
    EXPECT_FALSE(step("key", {"F13"}));
    EXPECT_NE(expected.find("F13"), std::string::npos) << expected;
    EXPECT_FALSE(step("locate", {"a-b"}));  // no key types '-'
    EXPECT_NE(expected.find("locator"), std::string::npos) << expected;
}
