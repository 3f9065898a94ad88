// A browse over 300 clients: the three locators, a filter, ranges, selecting a record
// for a caller, an empty view and a filter that does not parse.
#include "browse_test_util.h"

namespace kwbrowse {
namespace {

namespace key = kw::ui::key;

class BrowseLocate : public BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        seedClients(300);
    }
    static int letter(char c) { return c - 'a' + 'A'; }  // the key code of a lower-case letter
};

TEST_F(BrowseLocate, AStepLocatorStepsThroughTheRecordsWithTheInitial) {
    browse.sort = 2;
    browse.locator = Locator::Step;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, letter('c')), Drive::Ok);
    EXPECT_EQ(highlighted(w), 3);  // the first Carter
    EXPECT_EQ(w.shown(Detail), "Carter");
    EXPECT_EQ(w.key(List, letter('c')), Drive::Ok);
    EXPECT_EQ(highlighted(w), 23);                                // the next one
    EXPECT_EQ(w.key(List, letter('c') | key::Shift), Drive::Ok);  // 'C' alike
    EXPECT_EQ(highlighted(w), 43);
    EXPECT_EQ(w.key(List, letter('d')), Drive::Ok);
    EXPECT_EQ(highlighted(w), 4);  // the next is no Dalton: the first one
    EXPECT_EQ(w.shown(Detail), "Dalton");
    close(w, run);
}

TEST_F(BrowseLocate, AnIncrementalLocatorFollowsWhatIsTypedAndBackspace) {
    browse.sort = 2;
    browse.locator = Locator::Incremental;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, letter('k')), Drive::Ok);
    EXPECT_EQ(w.key(List, letter('e')), Drive::Ok);
    EXPECT_EQ(highlighted(w), 11);  // Kelly
    EXPECT_EQ(w.shown(LocatorText), "ke");
    EXPECT_EQ(w.key(List, letter('x')), Drive::Ok);
    EXPECT_EQ(highlighted(w), 12);  // nothing from "kex" on but Lewis
    EXPECT_EQ(w.shown(LocatorText), "kex");
    EXPECT_EQ(w.key(List, key::Backspace), Drive::Ok);
    EXPECT_EQ(highlighted(w), 11);
    EXPECT_EQ(w.shown(LocatorText), "ke");
    EXPECT_EQ(w.key(List, key::Backspace), Drive::Ok);
    EXPECT_EQ(w.key(List, key::Backspace), Drive::Ok);
    EXPECT_EQ(highlighted(w), 1);  // "" finds the first record
    EXPECT_EQ(w.shown(LocatorText), "");
    // Backspace on an empty locator does nothing.
    EXPECT_EQ(w.selectRow(List, 5), Drive::Ok);
    const std::vector<int> page = ids(w);
    EXPECT_EQ(w.key(List, key::Backspace), Drive::Ok);
    EXPECT_EQ(ids(w), page);
    EXPECT_EQ(w.choice(List), 5);
    // Moving the highlight starts the locator afresh.
    EXPECT_EQ(w.key(List, letter('t')), Drive::Ok);
    EXPECT_EQ(w.shown(LocatorText), "t");
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(w.shown(LocatorText), "");
    close(w, run);
}

TEST_F(BrowseLocate, AnEntryLocatorRelocatesWhenItsEntryIsAccepted) {
    browse.locator = Locator::Entry;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(LocatorText, "150"), Drive::Ok);
    EXPECT_EQ(highlighted(w), 150);
    EXPECT_EQ(w.shown(Detail), surnameOf(150));
    EXPECT_EQ(w.type(LocatorText, "999"), Drive::Ok);  // past the end: the last record
    EXPECT_EQ(highlighted(w), 300);
    close(w, run);
}

TEST_F(BrowseLocate, AFilterLimitsTheRecordsShown) {
    browse.filter = "(cln:sum >= 1000 and cln:sum <= 1200)";
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), range(100, 109));
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(ids(w), range(111, 120));
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(highlighted(w), 120);
    close(w, run);
}

TEST_F(BrowseLocate, ARangeBetweenTwoVariables) {
    static int32_t low, high;
    low = 50;
    high = 64;
    browse.setup = [](kw::BrowseClass& b) {
        b.AddRange(kw::FieldRef{&clnTable(), 1}, kw::ui::Binding::of(low),
                   kw::ui::Binding::of(high));
    };
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), range(50, 59));
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(ids(w), range(55, 64));
    // New limits come into force at the next refresh of the window.
    low = 200;
    high = 203;
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(ids(w), range(200, 203));
    EXPECT_EQ(w.choice(List), 1);
    close(w, run);
}

TEST_F(BrowseLocate, ARangeOnANameReadFromAVariableAndPrimedIntoANewRecord) {
    static kw::FixedString<40> name;
    name = "Carter";
    browse.sort = 2;
    browse.setup = [](kw::BrowseClass& b) {
        b.AddRange(kw::FieldRef{&clnTable(), 2}, kw::ui::Binding::of(name));
    };
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), (std::vector<int>{3, 23, 43, 63, 83, 103, 123, 143, 163, 183}));
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(highlighted(w), 283);
    name = "dalton";  // a case-insensitive key: any case matches
    EXPECT_EQ(w.selectRow(List, 1), Drive::Ok);
    EXPECT_EQ(ids(w), (std::vector<int>{4, 24, 44, 64, 84, 104, 124, 144, 164, 184}));
    // A new record gets the range's value.
    EXPECT_EQ(w.press(InsertButton), Drive::Ok);
    auto form = window("Добавить ???");
    ASSERT_TRUE(form);
    // The number is taken while the form is open, with the range's name (the form
    // then primes its own fields).
    const std::vector<std::string> all = rows();
    EXPECT_NE(std::find_if(all.begin(), all.end(),
                           [](const std::string& r) { return r.rfind("301|dalton|", 0) == 0; }),
              all.end());
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    close(w, run);
}

TEST_F(BrowseLocate, SelectingLeavesTheChosenRecordInTheBuffer) {
    ClnRecord caller;
    caller.ID = 999;
    caller.FIO = "Caller";
    for (bool doubleClick : {false, true}) {
        BrowseRun run;
        auto w = openBrowse(run, kw::req::Select, caller);
        ASSERT_TRUE(w);
        EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
        EXPECT_EQ(w.selectRow(List, 3), Drive::Ok);
        EXPECT_EQ(doubleClick ? w.key(List, key::DoubleClick) : w.press(SelectButton), Drive::Ok);
        ASSERT_TRUE(run.join());
        EXPECT_EQ(run.response, kw::resp::Completed);
        EXPECT_EQ(run.after.ID, 13);
        EXPECT_EQ(run.after.FIO.clip(), surnameOf(13));
        EXPECT_EQ(run.after.ADR.clip(), "Street 13");
    }
}

TEST_F(BrowseLocate, CancellingASelectionRestoresTheCallersRecord) {
    ClnRecord caller;
    caller.ID = 999;
    caller.FIO = "Caller";
    caller.SUM = 12.5;
    BrowseRun run;
    auto w = openBrowse(run, kw::req::Select, caller);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown(Detail), "Adams");  // the buffer follows the list meanwhile
    EXPECT_EQ(w.selectRow(List, 7), Drive::Ok);
    EXPECT_EQ(w.key(0, key::Esc), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(run.after.ID, 999);
    EXPECT_EQ(run.after.FIO.clip(), "Caller");
    EXPECT_EQ(run.after.SUM, 12.5);
}

TEST_F(BrowseLocate, AnEmptyViewShowsNoRowsAndClearsTheBuffer) {
    browse.filter = "(cln:sum < 0)";
    ClnRecord caller;
    caller.ID = 999;
    caller.FIO = "Caller";
    BrowseRun run;
    auto w = openBrowse(run, 0, caller);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.rows(List), 0);
    EXPECT_EQ(w.choice(List), 0);
    EXPECT_EQ(w.shown(Detail), "");
    // Nothing is disabled by the browse itself.
    EXPECT_TRUE(w.enabled(InsertButton));
    EXPECT_TRUE(w.enabled(ChangeButton));
    EXPECT_TRUE(w.enabled(DeleteButton));
    // Scrolling and changing an empty list do nothing.
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(w.press(ChangeButton), Drive::Ok);
    EXPECT_EQ(w.rows(List), 0);
    close(w, run);
    EXPECT_EQ(run.after.ID, 0);
    EXPECT_EQ(run.after.FIO.clip(), "");
    EXPECT_TRUE(captions().empty());
}

TEST_F(BrowseLocate, AFilterThatDoesNotParseGivesMessage40AndNoRows) {
    browse.filter = "(cln:sum >= and cln:fio)";
    BrowseRun run;
    startBrowse(run);
    ASSERT_TRUE(boxes.waitForCount(1, 5s));
    const auto box = boxes.last();
    EXPECT_EQ(box.caption, "View Open Error");
    EXPECT_NE(box.text.find("attempting to open the current VIEW"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Invalid filter"), std::string::npos) << box.text;
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    auto w = window("Клиенты");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.rows(List), 0);
    EXPECT_EQ(w.shown(Detail), "");
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(w.rows(List), 0);
    close(w, run);
    EXPECT_EQ(boxes.count(), 1u);
}

}  // namespace
}  // namespace kwbrowse
