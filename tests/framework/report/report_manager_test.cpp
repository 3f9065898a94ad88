// The report manager's run: the adaptive batches on the test clock, the empty view,
// printing with and without the preview, Cancel, and the progress figure.
#include <gtest/gtest.h>

#include <climits>

#include "report_test_util.h"

namespace {

using namespace kwreport;
using kw::script::Drive;

bool waitThread(int n) {
    return kw::proc::wait(n, 20s);
}

}  // namespace

TEST_F(ReportTest, BatchesDoubleWhileTicksAreShortAndHalveWhenOverOneAndAHalfSlices) {
    seedClients(2100);
    kw::clock::setManualTicks(true);
    // Records up to 512 take 1 ms, record 513 takes 1.6 s, later ones 2 ms; the slice
    // is 1 s.
    report.costMs = [](int n) { return n <= 512 ? 1 : n == 513 ? 1600 : 2; };
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    ASSERT_GE(trace.ticks.size(), 4u);
    // Tick 1: 1, 2, 4 ... records while under half the slice; 512 records took 0.512 s,
    // under 80 %: the target doubles to 1024 and the tick ends (over half).
    EXPECT_EQ(trace.ticks[0].records, 512);
    EXPECT_EQ(trace.ticks[0].recordsPerCycle, 1024);
    // Tick 2: its first record alone takes 1.6 s, over 1.5 slices: halved.
    EXPECT_EQ(trace.ticks[1].records, 1);
    EXPECT_EQ(trace.ticks[1].recordsPerCycle, 512);
    // Tick 3: the slice is used up after 500 records of 2 ms (the tick ends there, the
    // window answers again); between 0.8 and 1.5 slices the target stays.
    EXPECT_EQ(trace.ticks[2].records, 500);
    EXPECT_EQ(trace.ticks[2].recordsPerCycle, 512);
    EXPECT_EQ(trace.ticks[3].records, 500);
    EXPECT_EQ(trace.response, kw::resp::Completed);
    ASSERT_EQ(printer->printed().size(), 1u);
    EXPECT_EQ(trace.percentiles.back(), 100);
}

TEST_F(ReportTest, NoTickOfEvenRecordsTakesLongerThanItsSlice) {
    seedClients(3000);
    kw::clock::setManualTicks(true);
    report.costMs = [](int) { return 1; };
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    ASSERT_GE(trace.ticks.size(), 3u);
    EXPECT_EQ(trace.ticks[0].records, 512);  // 0.512 s: the target doubles to 1024
    EXPECT_EQ(trace.ticks[0].recordsPerCycle, 1024);
    EXPECT_EQ(trace.ticks[1].records, 1000);  // the slice is used up before 1024
    EXPECT_EQ(trace.ticks[1].recordsPerCycle, 1024);
}

TEST_F(ReportTest, ABatchNeverShrinksBelowOneRecord) {
    seedClients(4);
    kw::clock::setManualTicks(true);
    report.costMs = [](int) { return 2000; };  // two slices a record
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    // A record a tick; the fourth tick's record ends the view (nothing more is read).
    ASSERT_EQ(trace.ticks.size(), 4u);
    for (std::size_t i = 0; i < trace.ticks.size(); ++i) {
        EXPECT_EQ(trace.ticks[i].records, i < 3 ? 1 : 0);
        EXPECT_EQ(trace.ticks[i].recordsPerCycle, 1);
    }
    EXPECT_EQ(trace.percentiles.size(), 4u);
}

TEST_F(ReportTest, DeferWindowKeepsTheProgressWindowOutOfSightForItsSeconds) {
    seedClients(6);
    kw::clock::setManualTicks(true);
    report.costMs = [](int) { return 400; };  // 0.4 s a record
    report.deferWindow = 1;
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    ASSERT_EQ(trace.ticks.size(), 3u);
    // Two records a tick (the second ends the tick past half the slice): ticks start
    // at 0, 0.8 and 1.6 s, and the window comes into sight at the first one past 1 s.
    EXPECT_EQ(trace.ticks[0].records, 2);
    EXPECT_TRUE(trace.ticks[0].outOfSight);
    EXPECT_TRUE(trace.ticks[1].outOfSight);
    EXPECT_FALSE(trace.ticks[2].outOfSight);
    EXPECT_EQ(trace.response, kw::resp::Completed);
}

TEST_F(ReportTest, AnEmptyViewSaysNoRecordsAndEndsCancelledWithNothingPrinted) {
    seedClients(0);
    ASSERT_EQ(boxes.reply(kw::msgbox::Ok), Drive::Ok);  // for the box to come
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    ASSERT_EQ(captions().size(), 1u);
    EXPECT_EQ(captions()[0], "No Records");
    EXPECT_EQ(boxes.shown()[0].text, "There are no records available to process.");
    EXPECT_EQ(trace.response, kw::resp::Cancelled);
    EXPECT_TRUE(printer->printed().empty());
    EXPECT_EQ(kw::report::lastDocument(), nullptr);
}

TEST_F(ReportTest, SkipPreviewPrintsEveryPageWithoutShowingThePreview) {
    seedClients(120);
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    EXPECT_EQ(trace.response, kw::resp::Completed);
    const auto printed = printer->printed();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(printed[0].pages.empty());  // all
    // 56 detail rows fit between the 10 mm header and the 5 mm footer of an A4 sheet.
    ASSERT_EQ(printed[0].doc->pages.size(), 3u);
    EXPECT_TRUE(printed[0].doc->contains("Parker"));
    EXPECT_FALSE(kw::script::waitWindow("Report Preview", 200ms));
}

TEST_F(ReportTest, CancelInTheProgressWindowEndsWithResponseTwoAndPrintsNothing) {
    seedClients(3000);
    report.sleepMs = 2;
    const int n = startReport();
    kw::script::WindowDriver w = kw::script::waitWindow(W("Подготовка печати"));
    ASSERT_TRUE(w);
    const Drive d = w.press("Cancel");
    EXPECT_TRUE(d == Drive::Ok || d == Drive::Closed) << kw::script::describe(d);
    ASSERT_TRUE(waitThread(n));
    EXPECT_EQ(trace.response, kw::resp::Cancelled);
    EXPECT_LT(trace.percentiles.size(), 3000u);
    EXPECT_TRUE(printer->printed().empty());
    EXPECT_EQ(kw::report::lastDocument(), nullptr);
    EXPECT_FALSE(kw::script::waitWindow("Report Preview", 200ms));
}

TEST_F(ReportTest, WithAStepClassOverEqualValuesTheProgressStaysAtFifty) {
    seedClients(0);
    {
        std::thread t([] {
            kw::proc::setCurrentThread(58);
            kw::storage::File f(clnTable());
            ASSERT_EQ(f.create().code, 0);
            ASSERT_EQ(f.open().code, 0);
            for (int i = 1; i <= 30; ++i) {
                CLN = ClnRecord{};
                CLN.ID = i;
                CLN.SUM = 700;
                ASSERT_EQ(f.add().code, 0);
            }
            (void)f.close();
        });
        t.join();
    }
    report.stepOnSum = true;
    report.skipPreview = true;
    const int n = startReport();
    ASSERT_TRUE(waitThread(n));
    ASSERT_EQ(trace.percentiles.size(), 30u);
    for (int p : trace.percentiles) EXPECT_EQ(p, 50);
}

TEST(ProcessProgress, IsFiguredIn64BitsAndIsZeroWithNothingToDivideBy) {
    kw::ProcessClass p;
    p.RecordsToProcess = 30000000;
    p.RecordsProcessed = 25000000;  // 25e8 does not fit 32 bits
    EXPECT_EQ(p.Progress(), 83);
    p.RecordsProcessed = INT32_MAX;
    p.RecordsToProcess = INT32_MAX;
    EXPECT_EQ(p.Progress(), 100);
    p.RecordsToProcess = 0;
    p.FileSize = 0;
    EXPECT_EQ(p.Progress(), 0);
    p.FileSize = 1000;
    p.BytesRead = 2500;  // capped
    EXPECT_EQ(p.Progress(), 100);
}
