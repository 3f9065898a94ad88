// An update form changing, deleting and viewing a record through the window manager,
// driven through the scripted back end: what is written, the responses, the questions
// after a failed write and the delete without the form.
#include "form_test_util.h"

namespace kwform {
namespace {

using kw::msgbox::Cancel;
using kw::msgbox::No;
using kw::msgbox::Yes;

class ChangeForm : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        seed({{"Иванов", "Тверь"}, {"Петров", "Псков"}});
    }
    const std::vector<std::string> seeded{W("1|Иванов|Тверь|100.00|01.01.2024"),
                                          W("2|Петров|Псков|200.00|01.01.2024")};
};

TEST_F(ChangeForm, WritesTheChangedRecordAndAnswers1) {
    FormRun run;
    start(run, kw::req::Change, 2);
    auto w = window("Изменить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown(Fio), W("Петров"));
    EXPECT_EQ(w.shown(Sum), "200.00");
    EXPECT_EQ(w.type(Adr, W("Великие Луки")), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(table->fm.updates, 1);
    EXPECT_EQ(rows(),
              (std::vector<std::string>{seeded[0], W("2|Петров|Великие Луки|200.00|01.01.2024")}));
    EXPECT_TRUE(captions().empty());
}

TEST_F(ChangeForm, AChangeThatModifiedNothingWritesNothingAndAnswers2) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Change, 1);
    auto w = window("Изменить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, W("Иванов")), Drive::Ok);  // the same value again
    EXPECT_EQ(w.type(Sum, "100.00"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(table->fm.updates, 0);
    EXPECT_EQ(rows(), seeded);
    EXPECT_TRUE(captions().empty());
}

TEST_F(ChangeForm, CancelOfAnUnchangedFormClosesWithResponse2AndNoQuestion) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    for (bool closeBox : {false, true}) {
        FormRun run;
        start(run, kw::req::Change, 1);
        auto w = window("Изменить ???");
        ASSERT_TRUE(w);
        EXPECT_EQ(closeBox ? w.key(0, kw::ui::key::Esc) : w.press(W("Закрыть")), Drive::Ok);
        ASSERT_TRUE(run.join());
        EXPECT_EQ(run.response, kw::resp::Cancelled);
    }
    EXPECT_TRUE(captions().empty());
    EXPECT_EQ(table->fm.updates, 0);
}

TEST_F(ChangeForm, CancelOfAChangedFormAsksAndYesSavesIt) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Change, 1);
    auto w = window("Изменить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Sum, "150"), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Save Record");
    boxes.answer(Yes);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), (std::vector<std::string>{W("1|Иванов|Тверь|150.00|01.01.2024"), seeded[1]}));
}

TEST_F(ChangeForm, AFailedUpdateAsksToTryAgainAndEachAnswerDoesWhatItSays) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    table->fm.failUpdates = 2;
    FormRun run;
    start(run, kw::req::Change, 1);
    auto w = window("Изменить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Adr, W("Ржев")), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record was not updated");  // the file manager's
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record Update Error");
    EXPECT_EQ(boxes.last().buttons, Yes | No | Cancel);
    EXPECT_EQ(boxes.last().defaultButton, Cancel);
    EXPECT_EQ(boxes.reply(Cancel), Drive::Ok);  // back to the form
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.shown(Adr), W("Ржев"));
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    boxes.answer(Yes);  // tries again, and this time it works
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(table->fm.updates, 3);
    EXPECT_EQ(rows(), (std::vector<std::string>{W("1|Иванов|Ржев|100.00|01.01.2024"), seeded[1]}));
}

TEST_F(ChangeForm, NoAfterAFailedUpdateClosesWithoutSavingOrAskingAgain) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    table->fm.failUpdates = 1;
    FormRun run;
    start(run, kw::req::Change, 1);
    auto w = window("Изменить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Adr, W("Ржев")), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    boxes.answer(No);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"Record was not updated", "Record Update Error"}));
    EXPECT_EQ(rows(), seeded);
}

TEST_F(ChangeForm, ADeleteFormDeletesOnOK) {
    FormRun run;
    start(run, kw::req::Delete, 1);
    auto w = window("Удалить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown(Fio), W("Иванов"));
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_TRUE(captions().empty());  // the form itself was the question
    EXPECT_EQ(rows(), std::vector<std::string>{seeded[1]});
}

TEST_F(ChangeForm, ADeleteFormClosedWithoutOKDeletesNothing) {
    FormRun run;
    start(run, kw::req::Delete, 1);
    auto w = window("Удалить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(rows(), seeded);
}

TEST_F(ChangeForm, AFailedDeleteAsksAndCancelStaysOnTheForm) {
    table->fm.failDeletes = 2;
    FormRun run;
    start(run, kw::req::Delete, 2);
    auto w = window("Удалить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record was not deleted");
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record Delete Error");  // the relate object's retry
    EXPECT_EQ(boxes.reply(No), Drive::Ok);
    EXPECT_EQ(boxes.last().caption, "Record Delete Error");  // the form's: Yes, No or Cancel
    EXPECT_EQ(boxes.last().buttons, Yes | No | Cancel);
    EXPECT_EQ(boxes.reply(Cancel), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_EQ(boxes.reply(No), Drive::Ok);
    boxes.answer(Yes);  // the form tries again: this one works
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), std::vector<std::string>{seeded[0]});
}

TEST_F(ChangeForm, ADeleteWithDeleteAction2ConfirmsInPrimeUpdateAndNeverShowsTheForm) {
    options.deleteAction = kw::kDeleteWarn;
    const int opened = clnFormsOpened;
    for (unsigned answer : {No, Yes}) {
        FormRun run;
        start(run, kw::req::Delete, 1);
        ASSERT_TRUE(boxes.waitForCount(answer == No ? 1 : 2, 5s));
        EXPECT_EQ(boxes.last().caption, "Confirm Delete");
        EXPECT_TRUE(kw::ui::openWindows().empty());
        boxes.answer(answer);
        ASSERT_TRUE(run.join());
        EXPECT_EQ(run.response, answer == Yes ? kw::resp::Completed : kw::resp::Cancelled);
        EXPECT_EQ(rows().size(), answer == Yes ? 1u : 2u);
    }
    EXPECT_EQ(clnFormsOpened, opened);
    EXPECT_EQ(rows(), std::vector<std::string>{seeded[1]});
}

TEST_F(ChangeForm, AViewFormShowsTheRecordAndWritesNothing) {
    FormRun run;
    start(run, kw::req::View, 2);
    auto w = window("View Record");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.shown(Adr), W("Псков"));
    EXPECT_EQ(w.type(Adr, W("Опочка")), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(table->fm.updates, 0);
    EXPECT_TRUE(captions().empty());
    EXPECT_EQ(rows(), seeded);
}

}  // namespace
}  // namespace kwform
