// The error manager: substitution, the handlers and their levels, Message, Silent,
// unknown numbers, message blocks, categories and the procedure-name stack.
#include "framework/data/error_class.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runtime/assertion.h"
#include "runtime/codepage.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/proc_thread.h"
#include "runtime/script/script_message_box.h"

namespace {

namespace msgbox = kw::msgbox;
using kw::Level;
using kw::script::ShownBox;

class ErrorManager : public ::testing::Test {
  protected:
    void SetUp() override {
        kw::assertion::clearReports();
        kw::last_error::clear();
        errors.Init();
    }
    void TearDown() override {
        errors.Kill();
        kw::last_error::clear();
    }

    void add(uint16_t id, uint8_t level, std::string_view title, std::string_view text) {
        kw::ErrorBlock b;
        b.add(id, level, title, text);
        errors.AddErrors(b.bytes());
    }
    std::string subs(uint16_t id) {
        errors.SetId(id);
        return errors.SubsString();
    }
    std::vector<std::string> assertionTexts() {
        std::vector<std::string> out;
        for (const auto& r : kw::assertion::reports()) out.push_back(r.text);
        return out;
    }

    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::HaltRecorder halts;
    kw::ErrorClass errors;
};

// --- substitution -----------------------------------------------------------------

TEST_F(ErrorManager, ErrorCodeIsNotMangledByErrorNorFileErrorCodeByFileErrorOrFile) {
    add(500, 5, "T", "a=%ErrorCode b=%Error c=%FileErrorCode d=%FileError e=%File");
    kw::last_error::set(5, "Access Denied");
    errors.SetErrors();
    errors.SaveFileErrorCode = "77";
    errors.SaveFileError = "Bad block";
    errors.SetFile("ZAL");
    EXPECT_EQ(subs(500), "a=5 b=Access Denied c=77 d=Bad block e=ZAL");
}

TEST_F(ErrorManager, PlaceholdersAreFoundWhateverTheirCase) {
    add(500, 5, "T", "%FILE|%file|%errortext|%MESSAGE|%fIeLd");
    errors.SetFile("KLM");
    errors.SetField("KLM:SUM");
    errors.MessageText = "msg";
    kw::last_error::set(2, "File Not Found");
    errors.SetErrors();
    EXPECT_EQ(subs(500), "KLM|KLM|File Not Found (2)|msg|KLM:SUM");
}

TEST_F(ErrorManager, ErrorTextShowsTheDriversTextAndCodeAfterCode90) {
    add(500, 5, "T", "(%ErrorText)");
    kw::last_error::set(2, "File Not Found");
    errors.SetErrors();
    EXPECT_EQ(subs(500), "(File Not Found (2))");

    kw::last_error::setDriver("33", "Bad record length");
    errors.SetErrors();
    EXPECT_EQ(errors.SaveErrorCode, 90);
    EXPECT_EQ(subs(500), "(Bad record length (33))");
}

TEST_F(ErrorManager, ProcedureAndCategoryPlaceholders) {
    add(500, 5, "T", "%Procedure/%Category");
    errors.SetProcedureName("UPDATEZAL");
    EXPECT_EQ(subs(500), "UPDATEZAL/ZUL");
    errors.SetCategory(500, "FILE");
    EXPECT_EQ(subs(500), "UPDATEZAL/FILE");
    errors.SetProcedureName();
    EXPECT_EQ(subs(500), "/FILE");
}

TEST_F(ErrorManager, AValueHoldingItsOwnPlaceholderIsPutInOnce) {
    add(500, 5, "T", "[%File] [%File]");
    errors.SetFile("%File");
    EXPECT_EQ(subs(500), "[%File] [%File]");
}

TEST_F(ErrorManager, SubstitutedTextStopsAt2000Characters) {
    add(500, 5, "T", "%Message%Message%Message%Message%Message%Message%Message%Message|end");
    errors.MessageText = std::string(255, 'x');
    const std::string s = subs(500);
    EXPECT_EQ(s.size(), 2000u);
    EXPECT_EQ(s, std::string(2000, 'x'));
}

TEST_F(ErrorManager, LaterMessageWithTheSameNumberWinsAndTakesInTheEarlierThroughPrevious) {
    add(500, 5, "First", "old text on %File");
    add(501, 5, "Other", "other");
    add(500, 1, "Second", "%Previous; and more");
    errors.SetFile("ZAL");
    EXPECT_EQ(subs(500), "old text on ZAL; and more");

    boxes.answer("No");
    EXPECT_EQ(errors.TakeError(500), Level::Cancel);  // the later entry's level (User)
    EXPECT_EQ(boxes.last().caption, "Second");

    add(500, 5, "Third", "<%previous>");
    EXPECT_EQ(subs(500), "<old text on ZAL; and more>");
}

TEST_F(ErrorManager, PreviousWithoutAnEarlierMessageIsEmpty) {
    add(500, 5, "T", "[%Previous]");
    EXPECT_EQ(subs(500), "[]");
}

TEST_F(ErrorManager, BuiltInMessageCanBeReplacedByTheApplication) {
    add(22, 5, kw::W("Нет записей"), kw::W("Нет записей. (%Previous)"));
    errors.TakeError(22);
    EXPECT_EQ(boxes.last().caption, kw::W("Нет записей"));
    EXPECT_EQ(boxes.last().text,
              kw::W("Нет записей. (") + "There are no records available to process.)");
}

// --- handlers -----------------------------------------------------------------------

TEST_F(ErrorManager, TakeUserReturnsBenignForYesAndCancelForNo) {
    errors.SetFile("ZAL");
    boxes.answer(msgbox::Yes);
    boxes.answer("&No");
    EXPECT_EQ(errors.TakeError(9), Level::Benign);
    EXPECT_EQ(errors.TakeError(9), Level::Cancel);
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 2u);
    for (const ShownBox& b : shown) {
        EXPECT_EQ(b.caption, "Confirm Delete");
        EXPECT_EQ(b.icon, msgbox::Icon::Exclamation);
        EXPECT_EQ(b.buttons, msgbox::Yes | msgbox::No);
        EXPECT_EQ(b.defaultButton, msgbox::Yes);
        EXPECT_FALSE(b.answeredByDefault);
    }
    EXPECT_EQ(shown[1].answer, msgbox::No);
}

TEST_F(ErrorManager, CancelLevelMessageIsAskedLikeAUserQuestion) {
    add(500, 4, "Q", "Go on?");
    boxes.answer("yes");
    EXPECT_EQ(errors.TakeError(500), Level::Benign);
    EXPECT_EQ(boxes.last().buttons, msgbox::Yes | msgbox::No);
}

TEST_F(ErrorManager, TakeNotifyAlwaysReturnsNotify) {
    errors.SetFile("ZAL");
    EXPECT_EQ(errors.TakeError(22), Level::Notify);
    boxes.answer(msgbox::Ok);
    EXPECT_EQ(errors.TakeError(2), Level::Notify);
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.caption, "Access Denied");
    EXPECT_EQ(b.text, "Could not get write access to ZAL so trying read-only.");
    EXPECT_EQ(b.icon, msgbox::Icon::Information);
    EXPECT_EQ(b.buttons, msgbox::Ok);
    EXPECT_EQ(b.defaultButton, msgbox::Ok);
}

TEST_F(ErrorManager, BenignMessageShowsNothing) {
    add(500, 0, "B", "never shown");
    EXPECT_EQ(errors.TakeError(500), Level::Benign);
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(ErrorManager, FatalMessageEndsTheProgramWithCode0AfterOk) {
    std::vector<std::size_t> boxesAtHalt;
    std::vector<int> codes;
    kw::HaltHandler previous = kw::setHaltHandler([&](int code) {
        codes.push_back(code);
        boxesAtHalt.push_back(boxes.count());
    });
    kw::last_error::set(5, "Access Denied");
    errors.SetFile("ZAL");
    const Level got = errors.Throw(10);
    kw::setHaltHandler(std::move(previous));

    EXPECT_EQ(got, Level::Fatal);
    ASSERT_EQ(codes, std::vector<int>{0});
    ASSERT_EQ(boxesAtHalt, std::vector<std::size_t>{1}) << "halt comes after the box was answered";
    const ShownBox b = boxes.last();
    EXPECT_TRUE(b.answered);
    EXPECT_EQ(b.caption, "File Creation Error");
    EXPECT_EQ(b.text, "Error: (Access Denied (5)) creating ZAL.  Press OK to end this application");
    EXPECT_EQ(b.buttons, msgbox::Ok);
}

TEST_F(ErrorManager, ProgramAndUnknownLevelsAreHandledAsFatal) {
    add(500, 9, "Odd", "odd level");
    EXPECT_EQ(errors.TakeError(39), Level::Fatal);
    EXPECT_EQ(errors.TakeError(500), Level::Fatal);
    EXPECT_EQ(halts.codes(), (std::vector<int>{0, 0}));
    EXPECT_EQ(boxes.last().text, "odd level  Press OK to end this application");
}

TEST_F(ErrorManager, ThrowMessageFillsMessageAndSavesTheLastError) {
    kw::last_error::set(8, "Insufficient Memory");
    EXPECT_EQ(errors.ThrowMessage(13, "ZAL:KEY_1"), Level::Notify);
    EXPECT_EQ(boxes.last().text,
              "Adding this record creates a duplicate entry for the key: ZAL:KEY_1");
    EXPECT_EQ(errors.SaveErrorCode, 8);
    EXPECT_EQ(errors.SaveError.clip(), "Insufficient Memory");
}

TEST_F(ErrorManager, SetErrorsTakesTheCallingThreadsLastError) {
    kw::last_error::set(5, "Access Denied");
    std::thread([&] {
        kw::last_error::setDriver("42", "Block checksum");
        errors.SetErrors();
    }).join();
    EXPECT_EQ(errors.SaveErrorCode, 90);
    EXPECT_EQ(errors.SaveFileErrorCode.clip(), "42");
    EXPECT_EQ(errors.SaveFileError.clip(), "Block checksum");
    errors.SetErrors();
    EXPECT_EQ(errors.SaveErrorCode, 5);
    EXPECT_EQ(errors.SaveFileErrorCode.clip(), "");
}

// --- Message and Silent ---------------------------------------------------------------

TEST_F(ErrorManager, MessageShowsTheGivenButtonsAndReturnsThePressedOne) {
    boxes.answer("Cancel");
    EXPECT_EQ(errors.Message(34, msgbox::Yes | msgbox::No | msgbox::Cancel, msgbox::Cancel),
              msgbox::Cancel);
    const ShownBox b = boxes.last();
    EXPECT_EQ(b.caption, "Record Update Error");
    EXPECT_EQ(b.icon, msgbox::Icon::Exclamation);
    EXPECT_EQ(b.buttons, msgbox::Yes | msgbox::No | msgbox::Cancel);
    EXPECT_EQ(b.defaultButton, msgbox::Cancel);
}

TEST_F(ErrorManager, SilentMessageReturnsItsDefaultAndShowsNothing) {
    errors.Silent = 1;
    EXPECT_EQ(errors.Message(9, msgbox::Yes | msgbox::No, msgbox::No), msgbox::No);
    EXPECT_EQ(errors.Message(9, msgbox::Yes | msgbox::No, msgbox::Yes), msgbox::Yes);
    EXPECT_EQ(errors.TakeError(22), Level::Notify);
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_TRUE(kw::assertion::reports().empty());
}

TEST_F(ErrorManager, SilentMessagesAreStillKeptInTheHistory) {
    errors.Silent = 1;
    errors.HistoryThreshold = -1;
    errors.TakeError(22);
    errors.TakeError(22);
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(errors.History->size(), 2u);
}

// --- unknown numbers and message blocks -----------------------------------------------

TEST_F(ErrorManager, UnknownNumberIsReportedAndThePreviousMessageIsUsed) {
    errors.SetId(22);
    EXPECT_EQ(errors.TakeError(999), Level::Notify);
    EXPECT_EQ(assertionTexts(), std::vector<std::string>{"Identifier not found."});
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, kw::assertion::kCaption);
    EXPECT_NE(shown[0].text.find("Identifier not found."), std::string::npos);
    EXPECT_EQ(shown[0].buttons, msgbox::Ok);
    EXPECT_EQ(shown[1].caption, "No Records");
}

TEST_F(ErrorManager, UnknownNumberWithNothingSelectedFailsWithoutAMessage) {
    EXPECT_EQ(errors.TakeError(999), Level::Notify);
    EXPECT_EQ(errors.Message(999, msgbox::Yes | msgbox::No, msgbox::No), msgbox::No);
    EXPECT_EQ(assertionTexts(),
              (std::vector<std::string>{"Identifier not found.", "Identifier not found."}));
    EXPECT_EQ(boxes.count(), 2u);  // the two assertion boxes only
    EXPECT_EQ(halts.count(), 0u);
}

TEST_F(ErrorManager, TruncatedBlocksAddNothingAndAreReported) {
    const std::vector<uint8_t>& full = kw::BuiltInErrorBlock();
    for (std::size_t n = 0; n < full.size(); ++n) {
        // An exact-size copy, so a read past the end is a real out-of-bounds read.
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        errors.AddErrors(cut);
    }
    EXPECT_EQ(errors.Errors->size(), 43u);
    EXPECT_EQ(kw::assertion::reportCount(), full.size());
    boxes.clear();
    EXPECT_EQ(errors.TakeError(22), Level::Notify);
    EXPECT_EQ(boxes.last().text, "There are no records available to process.");
}

TEST_F(ErrorManager, BlockWithLengthsPastItsEndIsRefused) {
    // count 1; number 600; level 5; title length 200 but only 3 bytes follow.
    const std::vector<uint8_t> bad{1, 0, 0x58, 0x02, 5, 200, 'a', 'b', 'c'};
    errors.AddErrors(bad);
    // count 2 but only one message present.
    kw::ErrorBlock one;
    one.add(601, 5, "t", "x");
    std::vector<uint8_t> lying = one.bytes();
    lying[0] = 2;
    errors.AddErrors(lying);
    EXPECT_EQ(errors.Errors->size(), 43u);
    EXPECT_EQ(kw::assertion::reportCount(), 2u);
    errors.SetId(601);
    EXPECT_EQ(kw::assertion::reportCount(), 3u);  // not added
}

TEST_F(ErrorManager, BlockAddsMessagesInOrderAndIgnoresBytesAfterTheLast) {
    kw::ErrorBlock b;
    b.add(700, Level::Notify, "A", "first").add(701, Level::User, "B", "second");
    std::vector<uint8_t> bytes = b.bytes();
    bytes.push_back(0xEE);
    errors.AddErrors(bytes);
    ASSERT_EQ(errors.Errors->size(), 45u);
    EXPECT_EQ(errors.Errors->at(43).ID, 700);
    EXPECT_EQ(errors.Errors->at(44).Message, "second");
    EXPECT_EQ(errors.Errors->at(44).Fatality, 1);
    EXPECT_TRUE(kw::assertion::reports().empty());
}

TEST_F(ErrorManager, BlockBuilderCutsLongTitlesAndTextsTo255) {
    kw::ErrorBlock b;
    b.add(700, 5, std::string(300, 't'), std::string(256, 'x'));
    errors.AddErrors(b.bytes());
    EXPECT_EQ(errors.Errors->back().Title, std::string(255, 't'));
    EXPECT_EQ(errors.Errors->back().Message, std::string(255, 'x'));
}

TEST_F(ErrorManager, FullMessageTableRefusesFurtherMessages) {
    kw::ErrorBlock b;
    for (int i = 0; i < 65535; ++i) b.add(static_cast<uint16_t>(1000 + i % 1000), 5, "", "");
    errors.AddErrors(b.bytes());
    EXPECT_EQ(errors.Errors->size(), kw::ErrorClass::kMaxEntries);
    EXPECT_EQ(assertionTexts(),
              std::vector<std::string>{"Unable to add new error message to queue."});
}

TEST(ErrorManagerLifecycle, UseBeforeInitOrAfterKillIsReportedNotCrashed) {
    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::assertion::clearReports();
    kw::ErrorClass errors;
    errors.AddErrors(kw::BuiltInErrorBlock());
    EXPECT_EQ(errors.TakeError(22), Level::Notify);
    errors.SetProcedureName("X");
    EXPECT_EQ(errors.GetProcedureName(), "");
    errors.Init();
    errors.Kill();
    EXPECT_EQ(errors.TakeError(22), Level::Notify);
    const auto reports = kw::assertion::reports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) EXPECT_EQ(r.text, "ErrorClass incorrectly initialized.");
}

TEST(ErrorManagerLifecycle, InitSetsTheDefaultsAndAFreshTable) {
    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::ErrorClass errors;
    errors.HistoryThreshold = 7;
    errors.HistoryViewLevel = 1;
    errors.HistoryResetOnView = 1;
    errors.Init();
    EXPECT_EQ(errors.DefaultCategory, "ZUL");
    EXPECT_EQ(errors.HistoryThreshold, 0);
    EXPECT_EQ(errors.HistoryViewLevel, 3);
    EXPECT_EQ(errors.HistoryResetOnView, 0);
    ASSERT_TRUE(errors.StdErrorLog);
    EXPECT_EQ(errors.ErrorLog, errors.StdErrorLog.get());
    EXPECT_EQ(errors.LogErrors, 0);
    EXPECT_EQ(errors.Silent, 0);
    errors.Init();  // a second Init does not add the messages twice
    EXPECT_EQ(errors.Errors->size(), 43u);
    errors.Kill();
    EXPECT_FALSE(errors.Errors);
    EXPECT_FALSE(errors.StdErrorLog);
    EXPECT_EQ(errors.ErrorLog, nullptr);
}

TEST(GlobalErrorManager, IsAnErrorClassThatServesMessages) {
    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::ErrorClass& g = ::GlobalErrors;
    g.Init();
    EXPECT_EQ(g.TakeError(22), Level::Notify);
    EXPECT_EQ(boxes.last().caption, "No Records");
    g.Kill();
}

// --- categories -------------------------------------------------------------------------

TEST_F(ErrorManager, CategoriesOfMessagesAndTheDefault) {
    EXPECT_EQ(errors.GetCategory(-1), "ZUL");
    EXPECT_EQ(errors.GetCategory(22), "ZUL");
    errors.SetCategory(22, "DATA");
    EXPECT_EQ(errors.GetCategory(22), "DATA");
    EXPECT_EQ(errors.GetCategory(23), "ZUL");
    errors.SetCategory(-1, "APP");
    EXPECT_EQ(errors.GetCategory(-1), "APP");
    add(500, 5, "T", "x");  // added with the new default
    EXPECT_EQ(errors.GetCategory(500), "APP");
    errors.SetCategory(22, "");
    EXPECT_EQ(errors.GetCategory(22), "APP");  // no category of its own
    EXPECT_TRUE(kw::assertion::reports().empty());
    errors.SetCategory(999, "X");
    EXPECT_EQ(assertionTexts(), std::vector<std::string>{"Identifier not found."});
}

// --- procedure names ------------------------------------------------------------------

TEST_F(ErrorManager, ProcedureNamesAreStackedPerThread) {
    errors.SetProcedureName("MAIN");
    errors.SetProcedureName("SIS");
    std::string inThread2, afterPush, afterPop;
    std::thread t([&] {
        kw::proc::setCurrentThread(2);
        inThread2 = errors.GetProcedureName();
        errors.SetProcedureName("START");
        afterPush = errors.GetProcedureName();
        errors.SetProcedureName();
        afterPop = errors.GetProcedureName();
        errors.SetProcedureName("ZAL_TABR");  // left on thread 2's stack
    });
    t.join();
    EXPECT_EQ(inThread2, "");
    EXPECT_EQ(afterPush, "START");
    EXPECT_EQ(afterPop, "");
    EXPECT_EQ(errors.GetProcedureName(), "SIS");
    errors.SetProcedureName();
    EXPECT_EQ(errors.GetProcedureName(), "MAIN");
    errors.SetProcedureName();
    EXPECT_EQ(errors.GetProcedureName(), "");
    errors.SetProcedureName();  // popping an empty stack is harmless
    EXPECT_EQ(errors.GetProcedureName(), "");
    ASSERT_EQ(errors.ProcNames->size(), 1u);
    EXPECT_EQ(errors.ProcNames->front().Thread, 2);
}

// --- several threads ------------------------------------------------------------------

TEST_F(ErrorManager, MessagesFromSeveralThreadsAtOnceAreAllShown) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            kw::proc::setCurrentThread(t + 2);
            for (int i = 0; i < 25; ++i) errors.TakeError(i % 2 ? 22 : 9);
        });
    }
    for (auto& th : threads) th.join();
    const auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 100u);
    for (const ShownBox& b : shown) {
        EXPECT_TRUE(b.answeredByDefault);
        EXPECT_TRUE(b.caption == "No Records" || b.caption == "Confirm Delete") << b.caption;
    }
}

TEST_F(ErrorManager, HistoryAndProcedureNamesStayWholeUnderSeveralThreads) {
    errors.HistoryThreshold = 10;
    errors.HistoryViewLevel = 1;  // notify messages are kept, not shown in the window
    std::vector<std::thread> threads;
    std::atomic<int> notified{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            kw::proc::setCurrentThread(t + 2);
            for (int i = 0; i < 50; ++i) {
                errors.SetProcedureName("P");
                if (errors.TakeError(22) == Level::Notify) ++notified;
                errors.SetProcedureName();
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(notified.load(), 200);
    EXPECT_EQ(errors.History->size(), 10u);
    EXPECT_TRUE(errors.ProcNames->empty());
}

}  // namespace
