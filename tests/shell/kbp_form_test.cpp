// KBP_FORM: the settings record is read when the form opens and after OK, never in
// between, so typed values stay until OK; OK rewrites the first record in the file,
// adds it to an empty file, and says "Задание выполнено" only after the write.
#include "framework/data/dct_init.h"
#include "procedure_test_util.h"
#include "shell/small_forms.h"

using namespace kwproc;

namespace {

kw::dict::KbpRecord settings(const char* name, int32_t ticket) {
    kw::dict::KbpRecord r;
    r.NAME = W(name);
    r.S_N = ticket;
    r.PDX = 0.1;
    return r;
}

class KbpFormTest : public ProcedureTest {
  protected:
    WindowDriver open(ProcedureRun& run, uint8_t request = 0) {
        start(run, KBP_FORM, request);
        return kw::script::waitWindow(kw::shell::kbpTitle());
    }
    static std::vector<kw::dict::KbpRecord> stored() {
        return readRecords(kw::dict::kbpTable(), KBP);
    }
};

}  // namespace

TEST_F(KbpFormTest, AnEmptyFileGetsItsRecordOnOkAndTypedValuesOutliveRefreshes) {
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.shown("KBP:NAME"), "");
    EXPECT_EQ(w.shown("KBP:S_N"), "");
    EXPECT_EQ(w.type("KBP:NAME", W("Ломбард \"Сокол\"")), Drive::Ok);
    EXPECT_EQ(w.type("KBP:S_N", "1000"), Drive::Ok);
    EXPECT_EQ(w.type("KBP:PDX", "0.15"), Drive::Ok);
    EXPECT_EQ(w.type("KBP:KDZ", "30"), Drive::Ok);
    // The window refreshes (a new size, a tab back to it): what was typed stays.
    EXPECT_EQ(w.resize(900, 700), Drive::Ok);
    EXPECT_EQ(w.shown("KBP:NAME"), W("Ломбард \"Сокол\""));
    EXPECT_EQ(w.shown("KBP:S_N"), "1000");
    EXPECT_EQ(w.shown("MESSAGE"), "");
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE"), W("Задание выполнено"));
    EXPECT_EQ(boxes.shown().size(), 0u);
    const auto records = stored();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].NAME.clip(), W("Ломбард \"Сокол\""));
    EXPECT_EQ(records[0].S_N, 1000);
    EXPECT_DOUBLE_EQ(records[0].PDX, 0.15);
    EXPECT_EQ(static_cast<double>(records[0].KDZ), 30);

    // A second OK rewrites the record it read back: still one record.
    EXPECT_EQ(w.type("KBP:S_N", "2000"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].S_N, 2000);
}

TEST_F(KbpFormTest, OfTwoRecordsTheFirstInTheFileIsEditedAndTheOtherKept) {
    addRecords(kw::dict::kbpTable(), KBP, {settings("Первый", 1000), settings("Второй", 5000)});
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.shown("KBP:NAME"), W("Первый"));
    EXPECT_EQ(w.shown("KBP:S_N"), "1000");
    EXPECT_EQ(w.type("KBP:TEL", "72-15-40"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE"), W("Задание выполнено"));
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
    const auto records = stored();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].NAME.clip(), W("Первый"));
    EXPECT_EQ(records[0].TEL.clip(), "72-15-40");
    EXPECT_EQ(records[1].NAME.clip(), W("Второй"));
    EXPECT_EQ(records[1].TEL.clip(), "");
}

TEST_F(KbpFormTest, TextThatDoesNotFitANumberIsNotWrittenAndNothingIsReportedDone) {
    addRecords(kw::dict::kbpTable(), KBP, {settings("Первый", 1000)});
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.type("KBP:NAME", W("Новое имя")), Drive::Ok);
    EXPECT_EQ(w.type("KBP:S_N", W("тысяча"), false), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE"), "");
    EXPECT_EQ(w.focused(), w.findUse("KBP:S_N"));
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].NAME.clip(), W("Первый"));
    // Put right, it is written.
    EXPECT_EQ(w.type("KBP:S_N", "1500"), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_EQ(w.shown("MESSAGE"), W("Задание выполнено"));
    EXPECT_EQ(stored()[0].NAME.clip(), W("Новое имя"));
    EXPECT_EQ(stored()[0].S_N, 1500);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
}

TEST_F(KbpFormTest, OpenedToViewTheFormClosesAfterOk) {
    addRecords(kw::dict::kbpTable(), KBP, {settings("Первый", 1000)});
    ProcedureRun run;
    WindowDriver w = open(run, kw::req::View);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
}

TEST_F(KbpFormTest, AWriteThatFailsIsReportedAndNotCalledDone) {
    addRecords(kw::dict::kbpTable(), KBP, {settings("Первый", 1000)});
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    ASSERT_EQ(w.settle(), Drive::Ok);
    // Another station removes the record the form read.
    std::thread([] {
        kw::proc::setCurrentThread(62);
        kw::storage::File f(kw::dict::kbpTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.next().ok());
        ASSERT_TRUE(f.remove().ok());
        ASSERT_TRUE(f.close().ok());
    }).join();
    EXPECT_EQ(w.type("KBP:NAME", W("Новое имя")), Drive::Ok);
    boxes.answer("OK");
    EXPECT_EQ(w.press("OK"), Drive::Ok);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("kbp"), std::string::npos) << boxes.shown()[0].text;
    EXPECT_EQ(w.shown("MESSAGE"), "");
    EXPECT_EQ(w.shown("KBP:NAME"), W("Новое имя"));
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
}
