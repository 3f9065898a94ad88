// The error manager's history (threshold, view level, reset on view) and its log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "framework/data/error_class.h"
#include "runtime/assertion.h"
#include "runtime/clock.h"
#include "runtime/date.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/script/script_message_box.h"

namespace {

namespace fs = std::filesystem;
namespace msgbox = kw::msgbox;
using kw::Level;
using kw::script::ShownBox;

class ErrorHistory : public ::testing::Test {
  protected:
    void SetUp() override {
        kw::assertion::clearReports();
        errors.Init();
        kw::ErrorBlock b;
        for (int i = 1; i <= 4; ++i)
            b.add(static_cast<uint16_t>(600 + i), 5, "Note", "note " + std::to_string(i));
        b.add(610, 1, "Ask", "question?");
        errors.AddErrors(b.bytes());
    }
    void TearDown() override { errors.Kill(); }

    static std::vector<std::string> texts(const ShownBox& b) {
        std::vector<std::string> out;
        for (const auto& r : b.rows) out.push_back(r.message);
        return out;
    }

    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::HaltRecorder halts;
    kw::ErrorClass errors;
};

TEST_F(ErrorHistory, ThresholdThreeKeepsThreeAndTheFourthDropsTheOldest) {
    errors.HistoryThreshold = 3;
    errors.HistoryViewLevel = 5;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(errors.TakeError(static_cast<uint16_t>(600 + i)), Level::Notify);

    auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 3u);
    for (const ShownBox& b : shown) {
        EXPECT_EQ(b.kind, ShownBox::Kind::History);
        EXPECT_EQ(b.caption, "Note");
        EXPECT_EQ(b.buttons, msgbox::Ok);
        EXPECT_EQ(b.icon, msgbox::Icon::Information);
    }
    EXPECT_EQ(texts(shown[0]), std::vector<std::string>{"note 1"});
    EXPECT_EQ(texts(shown[2]), (std::vector<std::string>{"note 1", "note 2", "note 3"}));
    EXPECT_EQ(shown[2].rows[0].category, "ZUL");

    errors.TakeError(604);
    EXPECT_EQ(texts(boxes.last()), (std::vector<std::string>{"note 2", "note 3", "note 4"}));
    ASSERT_EQ(errors.History->size(), 3u);
    EXPECT_EQ(errors.History->front().ID, 602);
    EXPECT_EQ(errors.History->back().ID, 604);
}

TEST_F(ErrorHistory, MessagesOfAnotherLevelAreKeptButNotShown) {
    errors.HistoryThreshold = 3;
    errors.HistoryViewLevel = 5;
    boxes.answer("No");  // never used: nothing is shown for the question
    EXPECT_EQ(errors.TakeError(610), Level::Benign);  // default Yes, unseen
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(boxes.pendingAnswers(), 1u);
    errors.TakeError(601);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(texts(boxes.last()), (std::vector<std::string>{"question?", "note 1"}));
}

TEST_F(ErrorHistory, ResetOnViewEmptiesTheHistoryAfterItWasShown) {
    errors.HistoryThreshold = 3;
    errors.HistoryViewLevel = 5;
    errors.HistoryResetOnView = 1;
    errors.TakeError(601);
    errors.TakeError(602);
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(texts(shown[1]), std::vector<std::string>{"note 2"});
    EXPECT_TRUE(errors.History->empty());
}

TEST_F(ErrorHistory, NegativeThresholdKeepsEverything) {
    errors.HistoryThreshold = -1;
    errors.HistoryViewLevel = 3;
    for (int n = 0; n < 20; ++n) errors.TakeError(601);
    EXPECT_EQ(errors.History->size(), 20u);
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(ErrorHistory, ViewHistoryShowsEveryKeptMessageUnderItsCaption) {
    errors.HistoryThreshold = 5;
    errors.HistoryViewLevel = 3;
    errors.SetCategory(602, "DATA");
    errors.TakeError(601);
    errors.TakeError(602);
    EXPECT_EQ(boxes.count(), 0u);
    errors.ViewHistory();
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.kind, ShownBox::Kind::History);
    EXPECT_EQ(b.caption, "Errors History");
    ASSERT_EQ(b.rows.size(), 2u);
    EXPECT_EQ(b.rows[1].message, "note 2");
    EXPECT_EQ(b.rows[1].category, "DATA");
    EXPECT_EQ(errors.History->size(), 2u);
    errors.ResetHistory();
    EXPECT_TRUE(errors.History->empty());
}

TEST_F(ErrorHistory, HistoryTextIsCutTo1024Characters) {
    errors.HistoryThreshold = 1;
    errors.Msg(std::string(1500, 'z'), "C", msgbox::Icon::None, msgbox::Ok, msgbox::Ok);
    ASSERT_EQ(errors.History->size(), 1u);
    EXPECT_EQ(errors.History->front().Txt.size(), 1024u);
}

// --- the log --------------------------------------------------------------------------

// Runs each test in a fresh temporary directory.
class ErrorLog : public ErrorHistory {
  protected:
    void SetUp() override {
        ErrorHistory::SetUp();
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("kw_errlog_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        ErrorHistory::TearDown();
        kw::clock::setToday(0);
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static std::string readLog() {
        std::ifstream f("ZULError.Log", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }

    fs::path old_, dir_;
};

TEST_F(ErrorLog, EachShownMessageIsOneLineWithDateTimeAndText) {
    kw::clock::setToday(kw::date::fromYmd(2024, 3, 5));
    errors.LogErrors = 1;
    errors.TakeError(601);
    errors.TakeError(610);
    const std::string log = readLog();
    const std::regex line(
        R"(05\.03\.2024@\d\d:\d\d:\d\d --> note 1\r\n05\.03\.2024@\d\d:\d\d:\d\d --> question\?\r\n)");
    EXPECT_TRUE(std::regex_match(log, line)) << log;
    EXPECT_EQ(boxes.count(), 2u) << "logging does not replace showing";
    EXPECT_FALSE(errors.StdErrorLog->IsOpen());
    EXPECT_EQ(errors.StdErrorLog->UseCount(), 0);
}

TEST_F(ErrorLog, LogIsAppendedAcrossRunsAndSilentMessagesAreLogged) {
    {
        std::ofstream f("ZULError.Log", std::ios::binary);
        f << "earlier\r\n";
    }
    errors.LogErrors = 1;
    errors.Silent = 1;
    errors.TakeError(602);
    const std::string log = readLog();
    EXPECT_EQ(log.rfind("earlier\r\n", 0), 0u) << log;
    EXPECT_NE(log.find(" --> note 2\r\n"), std::string::npos) << log;
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(ErrorLog, NothingIsWrittenWhenLoggingIsOff) {
    errors.TakeError(601);
    EXPECT_FALSE(fs::exists("ZULError.Log"));
}

TEST_F(ErrorLog, StandardLogCountsOpensAndCloses) {
    kw::StandardErrorLogClass log;
    EXPECT_EQ(log.Take("x"), Level::Notify) << "not open";
    EXPECT_EQ(log.Open(), Level::Benign);
    EXPECT_EQ(log.Open(), Level::Benign);
    EXPECT_EQ(log.UseCount(), 2);
    EXPECT_EQ(log.Close(), Level::Benign);
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.Take("one"), Level::Benign);
    EXPECT_EQ(log.Close(), Level::Benign);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Take("two"), Level::Notify);
    EXPECT_EQ(log.Open(), Level::Benign);
    EXPECT_EQ(log.Open(), Level::Benign);
    EXPECT_EQ(log.Close(true), Level::Benign);  // forced: closed whatever the count
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.UseCount(), 0);
    EXPECT_EQ(readLog(), "one\r\n");
}

TEST_F(ErrorLog, LogThatCannotBeOpenedIsReportedAndTheMessageStillShown) {
    fs::create_directory("ZULError.Log");  // a directory cannot be opened as the log
    errors.LogErrors = 1;
    EXPECT_EQ(errors.TakeError(601), Level::Notify);
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text.rfind("Unable to Open error log; ", 0), 0u) << reports[0].text;
    EXPECT_GT(reports[0].text.size(), std::string("Unable to Open error log; ").size());
    EXPECT_EQ(boxes.last().caption, "Note");
}

TEST_F(ErrorLog, LoggingWithoutALogIsReported) {
    errors.ErrorLog = nullptr;
    errors.LogErrors = 1;
    errors.TakeError(601);
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "Attempt to LogErrors with ErrorLogInterface NULL!");
    EXPECT_EQ(boxes.last().caption, "Note");
}

// A log that fails where it is told to.
class FailingLog : public kw::ErrorLogInterface {
  public:
    bool failTake = false, failClose = false;
    std::vector<std::string> lines;
    Level Open(bool) override { return Level::Benign; }
    Level Take(std::string_view text) override {
        if (failTake) {
            kw::last_error::set(5, "Access Denied");
            return Level::Notify;
        }
        lines.emplace_back(text);
        return Level::Benign;
    }
    Level Close(bool) override {
        if (failClose) kw::last_error::set(37, "File Not Open");
        return failClose ? Level::Notify : Level::Benign;
    }
};

TEST_F(ErrorLog, WriteAndCloseFailuresAreReportedWithTheErrorText) {
    FailingLog log;
    errors.Init(&log);
    errors.LogErrors = 1;
    kw::clock::setToday(kw::date::fromYmd(1999, 12, 31));
    errors.TakeError(22);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].substr(0, 11), "31.12.1999@");
    EXPECT_EQ(log.lines[0].substr(19), " --> There are no records available to process.");

    log.failTake = true;
    log.failClose = true;
    kw::assertion::clearReports();
    errors.TakeError(22);
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].text, "Unable to update error log; Access Denied");
    EXPECT_EQ(reports[1].text, "Unable to close error log; File Not Open");
    EXPECT_EQ(boxes.last().caption, "No Records");
}

}  // namespace
