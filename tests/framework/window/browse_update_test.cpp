// A browse's update form: insert, change and delete through CLN_FORM with the highlight
// landing on the record written, the alert keys, the popup menu and the toolbox, and
// the toolbar's "next record" on a change form.
#include "browse_test_util.h"

namespace kwbrowse {
namespace {

namespace key = kw::ui::key;
namespace ev = kw::ui::ev;
using kw::msgbox::Cancel;

class BrowseUpdate : public BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        seedClients(300);
    }
    // Whether CLN holds a record whose row (as rows() gives it) begins with `prefix`.
    bool hasRow(const std::string& prefix) {
        const std::vector<std::string> all = rows();
        return std::any_of(all.begin(), all.end(),
                           [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
    }
    // The texts of the popup menu that is up.
    static std::vector<std::string> popupTexts(const kw::script::WindowDriver& w) {
        std::vector<std::string> out;
        for (const auto& item : w.popupMenu()) out.push_back(item.text);
        return out;
    }
};

TEST_F(BrowseUpdate, AnInsertLandsTheHighlightOnTheNewRecord) {
    browse.sort = 2;  // by name: the new record goes into the middle
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 4), Drive::Ok);
    EXPECT_EQ(w.press(InsertButton), Drive::Ok);
    auto form = window("Добавить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.type(kwform::Fio, "Morgan"), Drive::Ok);
    EXPECT_EQ(form.type(kwform::Sum, "77"), Drive::Ok);
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(highlighted(w), 301);
    EXPECT_EQ(w.choice(List), 4);  // on the screen row it came from
    EXPECT_EQ(w.cell(List, 4, 2), "Morgan");
    EXPECT_EQ(w.cell(List, 3, 2), "Moore");
    EXPECT_EQ(w.shown(Detail), "Morgan");
    EXPECT_TRUE(hasRow("301|Morgan||77.00|"));
    close(w, run);
}

TEST_F(BrowseUpdate, ACancelledInsertLeavesTheListAsItWas) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 6), Drive::Ok);
    EXPECT_EQ(w.key(List, key::Insert), Drive::Ok);  // the Insert key presses the button
    auto form = window("Добавить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(ids(w), range(1, 10));
    EXPECT_EQ(highlighted(w), 6);
    EXPECT_EQ(w.shown(Detail), surnameOf(6));
    EXPECT_FALSE(hasRow("301|"));
    close(w, run);
}

TEST_F(BrowseUpdate, AChangeFollowsTheRecordToItsNewPlace) {
    browse.sort = 2;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);  // Adams 21
    EXPECT_EQ(w.key(List, key::CtrlEnter), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown(kwform::Fio), "Adams");
    EXPECT_EQ(form.shown(kwform::Adr), "Street 21");
    EXPECT_EQ(form.type(kwform::Fio, "Zorro"), Drive::Ok);
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(highlighted(w), 21);
    EXPECT_EQ(w.cell(List, w.choice(List), 2), "Zorro");
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(highlighted(w), 21);  // the last name now
    close(w, run);
}

TEST_F(BrowseUpdate, ADeleteThroughTheFormMovesTheHighlightToTheNextRecord) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 5), Drive::Ok);
    EXPECT_EQ(w.key(List, key::Delete), Drive::Ok);
    auto form = window("Удалить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown(kwform::Fio), surnameOf(5));
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(ids(w), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(highlighted(w), 6);
    EXPECT_FALSE(hasRow("5|"));
    close(w, run);
}

TEST_F(BrowseUpdate, DoubleClickChangesAndShiftEnterViews) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 3), Drive::Ok);
    EXPECT_EQ(w.key(List, key::DoubleClick), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown(kwform::Fio), surnameOf(3));
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.key(List, key::ShiftEnter), Drive::Ok);
    auto view = window("View Record");
    ASSERT_TRUE(view);
    EXPECT_EQ(view.shown(kwform::Fio), surnameOf(3));
    EXPECT_EQ(view.press("OK"), Drive::Ok);
    EXPECT_TRUE(view.waitClosed(5s));
    close(w, run);
}

TEST_F(BrowseUpdate, ThePopupMenuOffersTheButtonsPresentAndPressesThem) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(w.key(List, key::RightClick), Drive::Ok);
    EXPECT_EQ(popupTexts(w), (std::vector<std::string>{"&Insert", "&Change", "&Delete", "&View",
                                                       "-", "&Toolbox"}));
    EXPECT_EQ(w.choosePopup("Change"), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown(kwform::Fio), surnameOf(2));
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    // Dismissed: nothing happens.
    EXPECT_EQ(w.key(List, key::RightClick), Drive::Ok);
    EXPECT_EQ(w.dismissPopup(), Drive::Ok);
    EXPECT_TRUE(w.popupMenu().empty());
    EXPECT_EQ(highlighted(w), 2);
    close(w, run);
}

TEST_F(BrowseUpdate, ThePopupMenuOfASelectingBrowseWithoutViewAndToolbox) {
    browse.viewButton = false;
    browse.toolButton = false;
    BrowseRun run;
    auto w = openBrowse(run, kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, key::RightClick), Drive::Ok);
    EXPECT_EQ(popupTexts(w),
              (std::vector<std::string>{"&Insert", "&Change", "&Delete", "-", "&Select"}));
    EXPECT_EQ(w.choosePopup("Select"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(run.after.ID, 1);
}

TEST_F(BrowseUpdate, TheToolboxShowsTheActionsAsButtons) {
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(ToolButton), Drive::Ok);
    auto box = window("Browse Actions");
    ASSERT_TRUE(box);
    EXPECT_TRUE(w.isBlocked());
    EXPECT_NE(box.find("Insert"), 0);
    EXPECT_NE(box.find("View"), 0);
    EXPECT_EQ(box.find("Toolbox"), 0);  // not itself
    EXPECT_EQ(box.press("Insert"), Drive::Ok);
    auto form = window("Добавить ???");
    ASSERT_TRUE(form);
    EXPECT_FALSE(box.isOpen());
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    // Closed without a choice: nothing happens.
    EXPECT_EQ(w.press(ToolButton), Drive::Ok);
    box = window("Browse Actions");
    ASSERT_TRUE(box);
    EXPECT_EQ(box.closeBox(), Drive::Ok);
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_FALSE(w.isBlocked());
    close(w, run);
}

TEST_F(BrowseUpdate, NextRecordOnAChangeFormSavesAndReopensOnTheFollowingRecord) {
    browse.toolbar = true;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(w.press(ChangeButton), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(ClnToolbarForm::lastTips,
              (std::vector<std::string>{"Save this record and add a new one",
                                        "Save changes and go to next record",
                                        "Save changes and go to last record"}));
    EXPECT_EQ(form.type(kwform::Adr, "New street"), Drive::Ok);
    kw::ui::postEvent(form.model(), kw::ui::Event{ev::Accepted, kw::vcr::Down});
    EXPECT_TRUE(form.waitClosed(5s));
    auto next = window("Изменить ???");
    ASSERT_TRUE(next);
    EXPECT_EQ(next.settle(), Drive::Ok);
    EXPECT_EQ(next.shown(kwform::Adr), "Street 3");
    EXPECT_TRUE(hasRow("2|" + surnameOf(2) + "|New street|"));
    // Unchanged, "previous" goes back without writing.
    kw::ui::postEvent(next.model(), kw::ui::Event{ev::Accepted, kw::vcr::Up});
    EXPECT_TRUE(next.waitClosed(5s));
    auto back = window("Изменить ???");
    ASSERT_TRUE(back);
    EXPECT_EQ(back.settle(), Drive::Ok);
    EXPECT_EQ(back.shown(kwform::Adr), "New street");
    EXPECT_EQ(back.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(back.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(highlighted(w), 2);
    EXPECT_EQ(table->fm.updates, 1);
    close(w, run);
}

TEST_F(BrowseUpdate, NextRecordAtTheLastRecordStopsAndAnInsertFormAddsAnother) {
    browse.toolbar = true;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.key(List, key::Ctrl | key::End), Drive::Ok);
    EXPECT_EQ(w.press(ChangeButton), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.type(kwform::Adr, "Last street"), Drive::Ok);
    kw::ui::postEvent(form.model(), kw::ui::Event{ev::Accepted, kw::vcr::Down});
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_FALSE(window("Изменить ???", 300ms));
    EXPECT_EQ(highlighted(w), 300);
    EXPECT_TRUE(hasRow("300|" + surnameOf(300) + "|Last street|"));

    EXPECT_EQ(w.press(InsertButton), Drive::Ok);
    auto insert = window("Добавить ???");
    ASSERT_TRUE(insert);
    EXPECT_EQ(ClnToolbarForm::lastTips,
              (std::vector<std::string>{"Save record and add another",
                                        "Save record and add another", ""}));
    EXPECT_EQ(insert.type(kwform::Fio, "Newman"), Drive::Ok);
    kw::ui::postEvent(insert.model(), kw::ui::Event{ev::Accepted, kw::vcr::Down});
    EXPECT_TRUE(insert.waitClosed(5s));
    auto another = window("Добавить ???");
    ASSERT_TRUE(another);
    EXPECT_EQ(another.settle(), Drive::Ok);
    EXPECT_EQ(another.shown(kwform::Fio), "");
    EXPECT_EQ(another.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(another.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_TRUE(hasRow("301|Newman|"));
    EXPECT_FALSE(hasRow("302|"));
    EXPECT_EQ(highlighted(w), 301);
    close(w, run);
}

TEST_F(BrowseUpdate, NextRecordWhoseSaveFailsKeepsTheFormOpen) {
    browse.toolbar = true;
    table->fm.failUpdates = 1;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(List, 2), Drive::Ok);
    EXPECT_EQ(w.press(ChangeButton), Drive::Ok);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.type(kwform::Adr, "New street"), Drive::Ok);
    kw::ui::postEvent(form.model(), kw::ui::Event{ev::Accepted, kw::vcr::Down});
    ASSERT_TRUE(boxes.waitForCount(1, 5s));
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record Update Error");
    EXPECT_EQ(boxes.reply(Cancel), Drive::Ok);
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(form.shown(kwform::Adr), "New street");
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);  // cancel: no navigation
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_FALSE(window("Изменить ???", 300ms));
    EXPECT_EQ(highlighted(w), 2);
    EXPECT_EQ(VCRRequest, 0);
    close(w, run);
}

TEST_F(BrowseUpdate, TheBrowsesToolbarButtonsScrollAndPress) {
    browse.toolbar = true;
    BrowseRun run;
    auto w = openBrowse(run);
    ASSERT_TRUE(w);
    auto post = [&](int32_t button) {
        kw::ui::postEvent(w.model(), kw::ui::Event{ev::Accepted, button});
        EXPECT_EQ(w.settle(), Drive::Ok);
    };
    post(kw::vcr::Bottom);
    EXPECT_EQ(highlighted(w), 300);
    post(kw::vcr::Top);
    EXPECT_EQ(highlighted(w), 1);
    post(kw::vcr::PageDown);
    EXPECT_EQ(ids(w), range(11, 20));
    post(kw::vcr::Down);
    EXPECT_EQ(highlighted(w), 12);
    post(kw::vcr::Up);
    EXPECT_EQ(highlighted(w), 11);
    post(kw::vcr::Change);
    auto form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown(kwform::Adr), "Street 11");
    EXPECT_EQ(form.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    close(w, run);
}

}  // namespace
}  // namespace kwbrowse
