// An update form inserting records through the window manager, driven through the
// scripted back end: completion and its InsertAction, validation by picture, the cancel
// logic of a new record, and the ditto (history) key.
#include "form_test_util.h"

namespace kwform {
namespace {

using kw::msgbox::Cancel;
using kw::msgbox::No;
using kw::msgbox::Yes;

using InsertForm = FormTest;

TEST_F(InsertForm, PrimesTheRecordAndCompletesWithResponse1) {
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.focused(), Fio);
    EXPECT_EQ(w.shown(Dat), "01.01.2024");  // primed by the form
    EXPECT_EQ(w.shown(Fio), "");
    EXPECT_EQ(w.type(Fio, W("Иванов Иван")), Drive::Ok);
    EXPECT_EQ(w.type(Adr, W("г. Тверь")), Drive::Ok);
    EXPECT_EQ(w.type(Sum, "1500.5"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(GlobalResponse, kw::resp::Completed);
    EXPECT_EQ(GlobalRequest, 0);  // taken by the form
    EXPECT_EQ(rows(), std::vector<std::string>{W("1|Иванов Иван|г. Тверь|1500.50|01.01.2024")});
    EXPECT_EQ(run.atKill.ID, 1);
    EXPECT_TRUE(captions().empty());
}

TEST_F(InsertForm, AnEntryRejectsTextThatDoesNotFitItsPicture) {
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    const int before = beeps();
    EXPECT_EQ(w.type(Sum, "250"), Drive::Ok);
    // Refused text is said in a box and left as typed, with the focus in its field.
    for (int k = 0; k < 3; ++k) boxes.answer(kw::msgbox::Ok);
    EXPECT_EQ(w.type(Sum, "12x"), Drive::Ok);
    EXPECT_EQ(w.shown(Sum), "12x");
    EXPECT_EQ(w.focused(), Sum);
    EXPECT_EQ(w.type(Dat, "31.02.2024"), Drive::Ok);
    EXPECT_EQ(w.shown(Dat), "31.02.2024");
    EXPECT_EQ(w.focused(), Dat);
    EXPECT_EQ(w.type(Fio, std::string(41, 'x')), Drive::Ok);
    EXPECT_EQ(beeps() - before, 3);
    ASSERT_TRUE(boxes.waitForCount(3, 5s));
    const auto said = boxes.shown();
    EXPECT_EQ(said[0].text, W("Нужно число, введено: 12x"));
    EXPECT_EQ(said[1].text, W("Нет такой даты: 31.02.2024"));
    EXPECT_EQ(said[2].text.rfind(W("Не помещается в поле: "), 0), 0u) << said[2].text;
    boxes.clear();
    EXPECT_EQ(w.type(Dat, "01.01.2024"), Drive::Ok);

    // OK with a bad text still pending: the check of every entry stops at it.
    EXPECT_EQ(w.type(Fio, W("Петров")), Drive::Ok);
    EXPECT_EQ(w.type(Sum, "1,2,3", false), Drive::Ok);
    boxes.answer(kw::msgbox::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.focused(), Sum);
    EXPECT_EQ(table->fm.inserts, 0);
    EXPECT_EQ(w.type(Sum, "75"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), std::vector<std::string>{W("1|Петров||75.00|01.01.2024")});
}

TEST_F(InsertForm, CancelOfAnUnchangedFormAnswers2AndRemovesThePrimedRecord) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(rows().size(), 1u);  // the number is taken while the form is open
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_TRUE(captions().empty());
    EXPECT_TRUE(rows().empty());
}

TEST_F(InsertForm, CancelOfAChangedFormAsksToSaveAndEachAnswerDoesWhatItSays) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    {
        FormRun run;
        start(run, kw::req::Insert);
        auto w = window("Добавить ???");
        ASSERT_TRUE(w);
        EXPECT_EQ(w.type(Fio, W("Сидоров")), Drive::Ok);
        EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.last().caption, "Save Record");
        EXPECT_EQ(boxes.last().buttons, Yes | No | Cancel);
        EXPECT_EQ(boxes.last().defaultButton, Cancel);
        EXPECT_EQ(boxes.reply(Cancel), Drive::Ok);  // back to the form
        EXPECT_TRUE(w.isOpen());
        EXPECT_EQ(w.shown(Fio), W("Сидоров"));
        EXPECT_EQ(w.closeBox(), Drive::Ok);  // the close box asks the same
        ASSERT_EQ(boxes.count(), 2u);
        boxes.answer(No);  // closes without saving
        ASSERT_TRUE(run.join());
        EXPECT_EQ(run.response, kw::resp::Cancelled);
        EXPECT_TRUE(rows().empty());
    }
    boxes.clear();
    {
        FormRun run;
        options.insertAction = kw::kInsertNext;  // saving on the way out still closes
        start(run, kw::req::Insert);
        auto w = window("Добавить ???");
        ASSERT_TRUE(w);
        EXPECT_EQ(w.type(Fio, W("Сидоров")), Drive::Ok);
        EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
        boxes.answer(Yes);  // saves as OK does
        ASSERT_TRUE(run.join());
        EXPECT_EQ(run.response, kw::resp::Completed);
        EXPECT_EQ(captions(), std::vector<std::string>{"Save Record"});
        EXPECT_EQ(rows(), std::vector<std::string>{W("1|Сидоров||0.00|01.01.2024")});
    }
}

TEST_F(InsertForm, ASaveAskedForOnClosingThatFailsItsCheckKeepsTheForm) {
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    options.insertAction = kw::kInsertNext;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, W("Орлов")), Drive::Ok);
    EXPECT_EQ(w.type(Sum, "x", false), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    EXPECT_EQ(boxes.reply(Yes), Drive::Ok);
    EXPECT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);  // the refused "x" is said
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.focused(), Sum);
    // A later OK is an ordinary OK: the form stays for the next record.
    EXPECT_EQ(w.type(Sum, "5"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), std::vector<std::string>{W("1|Орлов||5.00|01.01.2024")});
}

TEST_F(InsertForm, CancelActionWithoutSaveWarnsThatChangesWillBeLost) {
    options.cancelAction = kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Adr, W("Псков")), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Changes will be lost!");
    EXPECT_EQ(boxes.reply(No), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    boxes.answer(Yes);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_TRUE(rows().empty());
}

TEST_F(InsertForm, CancelActionSaveAloneSavesWithoutAsking) {
    options.cancelAction = kw::kCancelSave;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, W("Зайцев")), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_TRUE(captions().empty());
    EXPECT_EQ(rows(), std::vector<std::string>{W("1|Зайцев||0.00|01.01.2024")});
}

TEST_F(InsertForm, InsertAction3KeepsTheFormOpenAndALaterCancelStillAnswers1) {
    options.insertAction = kw::kInsertNext;
    options.cancelAction = kw::kCancelSave | kw::kCancelQuery;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, W("Первый")), Drive::Ok);
    EXPECT_EQ(w.type(Sum, "10"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.shown(Fio), "");  // the next record, primed
    EXPECT_EQ(w.shown(Sum), "0.00");
    EXPECT_EQ(w.focused(), Fio);
    EXPECT_EQ(w.type(Fio, W("Второй")), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);  // unchanged: no question
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_TRUE(captions().empty());
    EXPECT_EQ(rows(), (std::vector<std::string>{W("1|Первый||10.00|01.01.2024"),
                                                W("2|Второй||0.00|01.01.2024")}));
    EXPECT_EQ(run.atKill.ID, 2);  // the last record added is in the buffer
    EXPECT_EQ(run.atKill.FIO, W("Второй"));
}

TEST_F(InsertForm, InsertAction4AsksWhetherToAddAnother) {
    options.insertAction = kw::kInsertAsk;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, "A"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Record Added");
    EXPECT_EQ(boxes.reply(Yes), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.shown(Fio), "");
    EXPECT_EQ(w.type(Fio, "B"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    boxes.answer(No);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1|A||0.00|01.01.2024", "2|B||0.00|01.01.2024"}));
    EXPECT_EQ(run.atKill.FIO, "B");
}

TEST_F(InsertForm, AFailedInsertKeepsTheFormOpen) {
    table->fm.failInserts = 1;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, "A"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().caption, "Record Insert Error");
    EXPECT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.shown(Fio), "A");
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(rows(), std::vector<std::string>{"1|A||0.00|01.01.2024"});
}

TEST_F(InsertForm, TheHistoryKeyRestoresAFieldFromThePreviousRecord) {
    options.insertAction = kw::kInsertNext;
    FormRun run;
    start(run, kw::req::Insert);
    auto w = window("Добавить ???");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.type(Fio, W("Кузнецова Ольга")), Drive::Ok);
    EXPECT_EQ(w.type(Adr, W("Псков")), Drive::Ok);
    EXPECT_EQ(w.type(Sum, "300"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_EQ(w.shown(Fio), "");
    // Typed but not yet confirmed text gives way to the previous record's value.
    EXPECT_EQ(w.type(Fio, "xyz", false), Drive::Ok);
    EXPECT_EQ(w.key(Fio, kw::kHistoryKey), Drive::Ok);
    EXPECT_EQ(w.shown(Fio), W("Кузнецова Ольга"));
    EXPECT_EQ(w.key(Sum, kw::kHistoryKey), Drive::Ok);
    EXPECT_EQ(w.shown(Sum), "300.00");
    EXPECT_EQ(w.key(Dat, kw::kHistoryKey), Drive::Ignored);  // not a ditto field
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(run.join());
    EXPECT_EQ(rows(), (std::vector<std::string>{W("1|Кузнецова Ольга|Псков|300.00|01.01.2024"),
                                                W("2|Кузнецова Ольга||300.00|01.01.2024")}));
}

TEST_F(InsertForm, TheNextFormOfTheThreadDittosFromTheLastCompletedOne) {
    // Two forms, one after the other, on one procedure thread.
    std::atomic<int> responses{0};
    const int number = kw::proc::start([&] {
        (void)table->rm.Open(0);
        for (int i = 0; i < 2; ++i) {
            (void)table->fm.PrimeRecord();
            GlobalRequest = kw::req::Insert;
            responses += CLN_FORM(*table, options);
        }
        (void)table->rm.Close(0);
    });
    ASSERT_NE(number, 0);
    auto first = window("Добавить ???");
    ASSERT_TRUE(first);
    EXPECT_EQ(first.type(Adr, W("Омск")), Drive::Ok);
    EXPECT_EQ(first.press("OK"), Drive::Ok);
    ASSERT_TRUE(first.waitClosed(5s));
    auto second = window("Добавить ???");
    ASSERT_TRUE(second);
    EXPECT_EQ(second.key(Adr, kw::kHistoryKey), Drive::Ok);
    EXPECT_EQ(second.shown(Adr), W("Омск"));
    EXPECT_EQ(second.press("OK"), Drive::Ok);
    ASSERT_TRUE(kw::proc::wait(number, 10s));
    EXPECT_EQ(responses, 2);
    EXPECT_EQ(rows(), (std::vector<std::string>{W("1||Омск|0.00|01.01.2024"),
                                                W("2||Омск|0.00|01.01.2024")}));
}

}  // namespace
}  // namespace kwform
