// The message-box service with its scripted back end, the assertion service, the
// halt service and the last-error service.
#include "runtime/message_box.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "runtime/assertion.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/proc_thread.h"
#include "runtime/script/script_message_box.h"

namespace {

namespace msgbox = kw::msgbox;
using kw::script::ScriptMessageBox;
using kw::script::ShownBox;
using namespace std::chrono_literals;

TEST(MessageBoxButtons, TextsAndLabelsOfEveryButton) {
    const std::vector<std::pair<unsigned, std::string>> want{
        {1, "O&k"},     {2, "&Yes"},     {4, "&No"},      {8, "&Abort"},
        {16, "&Retry"}, {32, "&Ignore"}, {64, "&Cancel"}, {128, "&Help"}};
    for (const auto& [bit, text] : want) EXPECT_EQ(msgbox::buttonText(bit), text);
    EXPECT_EQ(msgbox::buttonLabel(msgbox::Ok), "Ok");
    EXPECT_EQ(msgbox::buttonText(3), "");
    EXPECT_EQ(msgbox::buttonsOf(msgbox::Cancel | msgbox::Yes | msgbox::No),
              (std::vector<unsigned>{2, 4, 64}));
}

TEST(MessageBoxButtons, NormalizeMakesEveryMaskAndDefaultUsable) {
    unsigned b = 0, d = 0;
    msgbox::normalize(b, d);
    EXPECT_EQ(b, msgbox::Ok);
    EXPECT_EQ(d, msgbox::Ok);
    b = msgbox::Yes | msgbox::No | 0x300;
    d = msgbox::Cancel;  // not offered
    msgbox::normalize(b, d);
    EXPECT_EQ(b, msgbox::Yes | msgbox::No);
    EXPECT_EQ(d, msgbox::Yes);
    b = msgbox::Yes | msgbox::No;
    d = msgbox::Yes | msgbox::No;  // two bits are not one button
    msgbox::normalize(b, d);
    EXPECT_EQ(d, msgbox::Yes);
    b = msgbox::Abort | msgbox::Retry | msgbox::Ignore;
    d = msgbox::Retry;
    msgbox::normalize(b, d);
    EXPECT_EQ(d, msgbox::Retry);
}

TEST(MessageBoxLines, BarStartsANewLine) {
    EXPECT_EQ(msgbox::lines("a|b||c"), "a\nb\n\nc");
}

class ScriptedBoxes : public ::testing::Test {
  protected:
    ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
};

TEST_F(ScriptedBoxes, RecordsEveryBoxWithItsAnswer) {
    boxes.answer(msgbox::No);
    EXPECT_EQ(msgbox::show("Text|two", "Cap", msgbox::Icon::Question, msgbox::Yes | msgbox::No,
                           msgbox::Yes, msgbox::SystemModal),
              msgbox::No);
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.kind, ShownBox::Kind::Box);
    EXPECT_EQ(b.text, "Text|two");
    EXPECT_EQ(b.caption, "Cap");
    EXPECT_EQ(b.icon, msgbox::Icon::Question);
    EXPECT_EQ(b.buttons, msgbox::Yes | msgbox::No);
    EXPECT_EQ(b.defaultButton, msgbox::Yes);
    EXPECT_EQ(b.style, msgbox::SystemModal);
    EXPECT_TRUE(b.answered);
    EXPECT_EQ(b.answer, msgbox::No);
    EXPECT_FALSE(b.answeredByDefault);
    EXPECT_EQ(b.thread, 1);
}

TEST_F(ScriptedBoxes, AnswersByTextMatchLabelsWhateverTheCaseAndMnemonic) {
    const unsigned all = msgbox::kAllButtons;
    const std::vector<std::pair<std::string, unsigned>> cases{
        {"OK", msgbox::Ok},         {"O&k", msgbox::Ok},        {"yes", msgbox::Yes},
        {"&No", msgbox::No},        {"Abort", msgbox::Abort},   {"RETRY", msgbox::Retry},
        {"ignore", msgbox::Ignore}, {"Cancel", msgbox::Cancel}, {"&Help", msgbox::Help}};
    for (const auto& [text, bit] : cases) {
        boxes.answer(text);
        EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, all, msgbox::Ok), bit) << text;
    }
}

TEST_F(ScriptedBoxes, UnansweredBoxTakesItsDefaultAndSaysSo) {
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No | msgbox::Cancel,
                           msgbox::Cancel),
              msgbox::Cancel);
    EXPECT_TRUE(boxes.last().answeredByDefault);
    EXPECT_EQ(boxes.last().note, "");
}

TEST_F(ScriptedBoxes, AnswerNamingNoButtonOfTheBoxIsUsedUpAndTheDefaultTaken) {
    boxes.answer("Retry");
    boxes.answer(msgbox::Cancel);
    boxes.answer(msgbox::Yes);
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::No);
    EXPECT_TRUE(boxes.last().answeredByDefault);
    EXPECT_NE(boxes.last().note.find("Retry"), std::string::npos);
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::No);
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::Yes);
    EXPECT_EQ(boxes.pendingAnswers(), 0u);
}

TEST_F(ScriptedBoxes, HistoryWindowIsRecordedWithItsRows) {
    boxes.answer("Ok");
    const unsigned r = msgbox::showHistory("Errors History", msgbox::Icon::Information, msgbox::Ok,
                                           msgbox::Ok, {{"one", "ZUL"}, {"two", "DATA"}});
    EXPECT_EQ(r, msgbox::Ok);
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.kind, ShownBox::Kind::History);
    EXPECT_EQ(b.caption, "Errors History");
    ASSERT_EQ(b.rows.size(), 2u);
    EXPECT_EQ(b.rows[1].message, "two");
    EXPECT_EQ(b.rows[1].category, "DATA");
}

TEST_F(ScriptedBoxes, BoxesFromSeveralThreadsAreAllRecordedWithTheirThread) {
    std::vector<std::thread> threads;
    for (int t = 2; t <= 5; ++t) {
        threads.emplace_back([t] {
            kw::proc::setCurrentThread(t);
            for (int i = 0; i < 100; ++i) msgbox::show("t", "c" + std::to_string(t));
        });
    }
    for (auto& th : threads) th.join();
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 400u);
    int perThread[6] = {};
    for (const ShownBox& b : shown) {
        EXPECT_EQ(b.caption, "c" + std::to_string(b.thread));
        ++perThread[b.thread];
    }
    for (int t = 2; t <= 5; ++t) EXPECT_EQ(perThread[t], 100);
}

TEST_F(ScriptedBoxes, BoxCanWaitForATestOnAnotherThreadToAnswer) {
    boxes.setAnswerTimeout(10s);
    unsigned got = 0;
    std::thread proc([&] {
        got = msgbox::show("Save?", "c", msgbox::Icon::Question, msgbox::Yes | msgbox::No,
                           msgbox::Yes);
    });
    ASSERT_TRUE(boxes.waitForCount(1, 10s));
    EXPECT_FALSE(boxes.last().answered);
    EXPECT_EQ(boxes.last().text, "Save?");
    boxes.answer("No");
    proc.join();
    EXPECT_EQ(got, msgbox::No);
    EXPECT_FALSE(boxes.last().answeredByDefault);
}

TEST_F(ScriptedBoxes, WaitingBoxFallsBackToItsDefaultAfterTheTimeout) {
    boxes.setAnswerTimeout(20ms);
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::No);
    EXPECT_TRUE(boxes.last().answeredByDefault);
}

TEST_F(ScriptedBoxes, ClearForgetsBoxesAndAnswers) {
    boxes.answer("Yes");
    msgbox::show("a", "c");
    boxes.answer("No");
    boxes.clear();
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(boxes.pendingAnswers(), 0u);
    EXPECT_EQ(boxes.last().caption, "");
}

TEST(MessageBoxService, WithoutABackEndABoxAnswersItsDefault) {
    msgbox::Backend* previous = msgbox::install(nullptr);
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::No);
    EXPECT_EQ(msgbox::showHistory("h", msgbox::Icon::None, msgbox::Ok, 0, {}), msgbox::Ok);
    msgbox::install(previous);
}

// A back end that answers with something that is not a button of the box.
class WrongAnswers : public msgbox::Backend {
  public:
    unsigned show(const msgbox::Box&) override { return 0x1000; }
    unsigned showHistory(const msgbox::HistoryBox&) override { return msgbox::Yes | msgbox::No; }
};

TEST(MessageBoxService, AnAnswerThatIsNotOneOfTheButtonsCountsAsTheDefault) {
    WrongAnswers wrong;
    msgbox::ScopedBackend scoped{wrong};
    EXPECT_EQ(msgbox::show("t", "c", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::No),
              msgbox::No);
    EXPECT_EQ(
        msgbox::showHistory("h", msgbox::Icon::None, msgbox::Yes | msgbox::No, msgbox::Yes, {}),
        msgbox::Yes);
}

// --- assertion service ----------------------------------------------------------------

TEST_F(ScriptedBoxes, AssertionShowsTheTextWithItsPositionAndGoesOn) {
    kw::assertion::clearReports();
    KW_ASSERT_FAIL("Identifier not found.");
    const int line = __LINE__ - 1;
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "Identifier not found.");
    EXPECT_EQ(reports[0].file, "message_box_test.cpp");
    EXPECT_EQ(reports[0].line, line);
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.caption, kw::assertion::kCaption);
    EXPECT_EQ(b.buttons, msgbox::Ok);
    EXPECT_EQ(b.text.rfind("Identifier not found.", 0), 0u);
    EXPECT_NE(b.text.find("message_box_test.cpp"), std::string::npos);
    EXPECT_NE(b.text.find(std::to_string(line)), std::string::npos);

    KW_ASSERT(1 + 1 == 2, "not reported");
    EXPECT_EQ(kw::assertion::reportCount(), 1u);
}

TEST_F(ScriptedBoxes, AssertionKeepsOnlyTheLastReports) {
    kw::assertion::clearReports();
    for (int i = 0; i < 100; ++i) kw::assertion::fail("r" + std::to_string(i), "f.cpp", i);
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), kw::assertion::kKeptReports);
    EXPECT_EQ(reports.back().text, "r99");
    EXPECT_EQ(reports.front().text, "r" + std::to_string(100 - kw::assertion::kKeptReports));
    EXPECT_EQ(kw::assertion::reportCount(), 100u);
    kw::assertion::clearReports();
    EXPECT_TRUE(kw::assertion::reports().empty());
}

// --- halt -------------------------------------------------------------------------------

TEST(Halt, RecorderTakesTheCallsAndRestoresThePreviousHandler) {
    std::vector<int> outer;
    kw::HaltHandler before = kw::setHaltHandler([&](int c) { outer.push_back(c); });
    {
        kw::HaltRecorder rec;
        kw::halt(0);
        kw::halt(3);
        EXPECT_EQ(rec.codes(), (std::vector<int>{0, 3}));
    }
    kw::halt(7);
    EXPECT_EQ(outer, std::vector<int>{7});
    kw::setHaltHandler(std::move(before));
}

TEST(HaltDeathTest, DefaultHaltRunsTheShutdownHookAndExitsWithTheCode) {
    EXPECT_EXIT(
        {
            kw::setHaltHandler({});
            kw::setShutdownHook([] { std::fputs("hook ran", stderr); });
            kw::halt(4);
        },
        ::testing::ExitedWithCode(4), "hook ran");
}

TEST(HaltDeathTest, HaltFromInsideTheHookDoesNotRunItAgain) {
    EXPECT_EXIT(
        {
            kw::setHaltHandler({});
            kw::setShutdownHook([] {
                std::fputs("once;", stderr);
                kw::halt(9);
            });
            kw::halt(0);
        },
        ::testing::ExitedWithCode(9), "^once;$");
}

// --- last error -------------------------------------------------------------------------

TEST(LastError, IsKeptPerThreadAndDriverErrorsUseCode90) {
    kw::last_error::clear();
    kw::last_error::set(5, "Access Denied");
    std::thread([] {
        EXPECT_EQ(kw::last_error::code(), 0);
        kw::last_error::setDriver("12", "Bad header");
        EXPECT_EQ(kw::last_error::code(), 90);
        EXPECT_EQ(kw::last_error::driverCode(), "12");
        EXPECT_EQ(kw::last_error::driverText(), "Bad header");
    }).join();
    EXPECT_EQ(kw::last_error::code(), 5);
    EXPECT_EQ(kw::last_error::text(), "Access Denied");
    EXPECT_EQ(kw::last_error::driverCode(), "");
    kw::last_error::setFromErrno(ENOENT);
    EXPECT_EQ(kw::last_error::get().code, kw::last_error::kFileNotFound);
    kw::last_error::setFromErrno(ENOSPC);
    EXPECT_EQ(kw::last_error::code(), 90);
    EXPECT_EQ(kw::last_error::driverCode(), std::to_string(ENOSPC));
    EXPECT_FALSE(kw::last_error::driverText().empty());
    kw::last_error::clear();
    EXPECT_EQ(kw::last_error::text(), "");
}

}  // namespace
