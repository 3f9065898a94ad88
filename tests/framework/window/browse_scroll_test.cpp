// A browse over 300 clients driven through the scripted back end: the first page, row,
// page and end scrolling, the thumb, and the record buffer following the highlight.
#include "browse_test_util.h"

namespace kwbrowse {
namespace {

namespace ev = kw::ui::ev;
namespace key = kw::ui::key;

class BrowseScroll : public BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        seedClients(300);
    }
};

TEST_F(BrowseScroll, OpensOnTheFirstPageWithTheFirstRecordInTheBuffer) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(w.choice(List), 1);
    EXPECT_EQ(w.cell(List, 1, 2), "Adams");
    EXPECT_EQ(w.cell(List, 3, 3), "30.00");
    EXPECT_EQ(w.shown(Detail), "Adams");
    close(w, run);
    EXPECT_EQ(run.response, kw::resp::Cancelled);
}

TEST_F(BrowseScroll, RowScrollingMovesTheHighlightThenThePage) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.focus(List), Drive::Ok);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(w.key(List, key::Down), Drive::Ok);
    EXPECT_EQ(w.choice(List), 10);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(w.shown(Detail), surnameOf(10));
    // Past the bottom row the page moves by one record.
    EXPECT_EQ(w.key(List, key::Down), Drive::Ok);
    EXPECT_EQ(ids(w), range(2, 11));
    EXPECT_EQ(w.choice(List), 10);
    EXPECT_EQ(highlighted(w), 11);
    EXPECT_EQ(w.shown(Detail), surnameOf(11));
    // And up again past the top row.
    EXPECT_EQ(w.selectRow(List, 1), Drive::Ok);
    EXPECT_EQ(w.key(List, key::Up), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(highlighted(w), 1);
    // At the start of the view nothing moves.
    EXPECT_EQ(w.scroll(List, ev::ScrollUp), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(w.choice(List), 1);
    close(w, run);
}

TEST_F(BrowseScroll, PageScrollingKeepsTheScreenRow) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 4), Drive::Ok);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(ids(w), range(11, 20));
    EXPECT_EQ(w.choice(List), 4);
    EXPECT_EQ(w.shown(Detail), surnameOf(14));
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(ids(w), range(21, 30));
    EXPECT_EQ(w.key(List, key::PgUp), Drive::Ok);
    EXPECT_EQ(ids(w), range(11, 20));
    EXPECT_EQ(w.choice(List), 4);
    // Page up near the start loads what there is and moves the highlight the rest.
    EXPECT_EQ(w.scroll(List, ev::ScrollUp), Drive::Ok);  // within the page
    EXPECT_EQ(w.scroll(List, ev::ScrollUp), Drive::Ok);
    EXPECT_EQ(w.scroll(List, ev::ScrollUp), Drive::Ok);
    EXPECT_EQ(w.choice(List), 1);
    EXPECT_EQ(w.scroll(List, ev::ScrollUp), Drive::Ok);  // loads record 10
    EXPECT_EQ(ids(w), range(10, 19));
    EXPECT_EQ(w.selectRow(List, 5), Drive::Ok);  // record 14
    EXPECT_EQ(w.key(List, key::PgUp), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(highlighted(w), 4);  // ten records up
    close(w, run);
}

TEST_F(BrowseScroll, FirstAndLastAndPageDownAtTheEndGoesToTheLastRow) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(ids(w), range(291, 300));
    EXPECT_EQ(w.choice(List), 10);
    EXPECT_EQ(w.shown(Detail), surnameOf(300));
    EXPECT_EQ(w.selectRow(List, 3), Drive::Ok);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(ids(w), range(291, 300));
    EXPECT_EQ(w.choice(List), 10);
    EXPECT_EQ(w.scroll(List, ev::ScrollDown), Drive::Ok);
    EXPECT_EQ(ids(w), range(291, 300));
    EXPECT_EQ(highlighted(w), 300);
    EXPECT_EQ(w.key(List, key::Ctrl | key::Home), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(w.choice(List), 1);
    EXPECT_EQ(w.shown(Detail), "Adams");
    close(w, run);
}

TEST_F(BrowseScroll, ANameOrderPagesThroughTheDuplicatesInRecordOrder) {
    browse.sort = 2;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), (std::vector<int>{1, 21, 41, 61, 81, 101, 121, 141, 161, 181}));
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(ids(w), (std::vector<int>{201, 221, 241, 261, 281, 2, 22, 42, 62, 82}));
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(ids(w), (std::vector<int>{120, 140, 160, 180, 200, 220, 240, 260, 280, 300}));
    close(w, run);
}

TEST_F(BrowseScroll, TheThumbAtTopAndBottomGoesToTheEnds) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.drag(List, 100), Drive::Ok);
    EXPECT_EQ(ids(w), range(291, 300));
    EXPECT_EQ(highlighted(w), 300);
    EXPECT_EQ(w.drag(List, 1), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(highlighted(w), 1);
    // Without a step class the thumb pages, and 50 stays put.
    EXPECT_EQ(w.drag(List, 70), Drive::Ok);
    EXPECT_EQ(ids(w), range(11, 20));
    EXPECT_EQ(w.drag(List, 50), Drive::Ok);
    EXPECT_EQ(ids(w), range(11, 20));
    EXPECT_EQ(w.drag(List, 30), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    close(w, run);
}

TEST_F(BrowseScroll, AStepThumbJumpsToTheValueAndFollowsTheHighlight) {
    browse.thumb = Thumb::Long;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    {
        std::lock_guard lock(kw::ui::uiMutex());
        EXPECT_EQ(w.model()->controls[0].thumb, 1);  // the first record
    }
    EXPECT_EQ(w.drag(List, 50), Drive::Ok);
    // Half way between 1 and 300.
    EXPECT_EQ(highlighted(w), 151);
    EXPECT_EQ(w.shown(Detail), surnameOf(151));
    {
        std::lock_guard lock(kw::ui::uiMutex());
        EXPECT_EQ(w.model()->controls[0].thumb, 50);
    }
    EXPECT_EQ(w.drag(List, 100), Drive::Ok);
    {
        std::lock_guard lock(kw::ui::uiMutex());
        EXPECT_EQ(w.model()->controls[0].thumb, 100);
    }
    close(w, run);
}

TEST_F(BrowseScroll, AStringThumbMovesThroughTheNames) {
    browse.sort = 2;
    browse.thumb = Thumb::String;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.drag(List, 60), Drive::Ok);
    const std::string name = w.cell(List, w.choice(List), 2);
    EXPECT_GT(name, "Evans");
    EXPECT_LT(name, "Reed");
    EXPECT_EQ(w.shown(Detail), name);
    close(w, run);
}

TEST_F(BrowseScroll, ThePageFollowsTheListsHeight) {
    browse.rows = 4;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), range(1, 4));
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(ids(w), range(5, 8));
    close(w, run);
}

TEST_F(BrowseScroll, AWholeViewInThePageMovesOnlyTheHighlight) {
    browse.filter = "(cln:id <= 40)";
    browse.setup = [](kw::BrowseClass& b) { b.FileLoaded = 1; };
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(ids(w), range(1, 40));
    EXPECT_EQ(w.drag(List, 50), Drive::Ok);
    EXPECT_EQ(highlighted(w), 20);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(highlighted(w), 30);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(highlighted(w), 40);
    EXPECT_EQ(ids(w), range(1, 40));
    EXPECT_EQ(w.shown(Detail), surnameOf(40));
    close(w, run);
}

TEST_F(BrowseScroll, AnUnfilledPageIsFilledBackwardsUnlessAllowed) {
    browse.filter = "(cln:id <= 25)";
    browse.locator = Locator::Entry;
    for (uint8_t allow : {0, 1}) {
        browse.setup = [allow](kw::BrowseClass& b) { b.AllowUnfilled = allow; };
        BrowseRun run;
        auto w = openBrowse(run);
        ASSERT_TRUE(w);
        EXPECT_EQ(w.type(LocatorText, "24"), Drive::Ok);
        EXPECT_EQ(highlighted(w), 24);
        EXPECT_EQ(ids(w), allow ? range(24, 25) : range(16, 25));
        close(w, run);
    }
}

TEST_F(BrowseScroll, StartAtCurrentOpensOnTheCallersRecord) {
    browse.setup = [](kw::BrowseClass& b) { b.StartAtCurrent = 1; };
    ClnRecord caller;
    caller.ID = 150;
    BrowseRun run;
    auto w = openBrowse(run, 0, caller);
    ASSERT_TRUE(w);
    EXPECT_EQ(highlighted(w), 150);
    EXPECT_EQ(w.rows(List), 10);
    close(w, run);
}

TEST_F(BrowseScroll, AnotherSortOrderKeepsTheHighlightedRecord) {
    std::atomic<int> sort{1};
    browse.sortChoice = &sort;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, key::PgDn), Drive::Ok);
    EXPECT_EQ(w.selectRow(List, 3), Drive::Ok);
    EXPECT_EQ(highlighted(w), 13);
    sort = 2;  // by name
    EXPECT_EQ(w.selectRow(List, 3), Drive::Ok);
    EXPECT_EQ(highlighted(w), 13);
    EXPECT_EQ(w.cell(List, w.choice(List) + 1, 1), "33");  // the next Moore
    EXPECT_EQ(w.key(List, key::Ctrl | key::Home), Drive::Ok);
    EXPECT_EQ(ids(w), (std::vector<int>{1, 21, 41, 61, 81, 101, 121, 141, 161, 181}));
    sort = 1;
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(highlighted(w), 21);
    EXPECT_EQ(w.cell(List, w.choice(List) + 1, 1), "22");
    close(w, run);
}

}  // namespace
}  // namespace kwbrowse
