// The program entry: start-up and shut-down order, the full-window-drag rule, and a
// start in an empty directory, with the frame run on the scripted window back end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/halt.h"
#include "shell/globals.h"
#include "shell_test_util.h"

using namespace kwtest;
using Call = kw::platform::RecordingParameters::Call;

namespace {

class ProgramTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        kw::shell::setStepObserver([this](std::string_view s) {
            std::lock_guard lock(mu_);
            steps_.emplace_back(s);
        });
    }
    void TearDown() override {
        ShellTest::TearDown();
        kw::shell::setStepObserver({});
    }
    std::vector<std::string> steps() {
        std::lock_guard lock(mu_);
        return steps_;
    }

    std::mutex mu_;
    std::vector<std::string> steps_;
};

const std::vector<std::string> kStartUp = {"GlobalErrors.Init",
                                           "DctInit",
                                           "FuzzyMatcher.Init",
                                           "FuzzyMatcher.SetOption(1,1)",
                                           "FuzzyMatcher.SetOption(2,0)",
                                           "INIMgr.Init",
                                           "GetFullWindowDrag"};
const std::vector<std::string> kShutDownTail = {"INIMgr.Kill", "FuzzyMatcher.Kill", "DctKill",
                                                "GlobalErrors.Kill"};

}  // namespace

TEST_F(ProgramTest, DragOnIsOffWhileRunningAndOnAfterTheExitItemInExactOrder) {
    kw::platform::RecordingParameters drag(1);
    kw::platform::ScopedParameters scoped(drag);

    startProgram();
    EXPECT_EQ(drag.dragFullWindows(), 0);
    ASSERT_TRUE(exitProgram());

    std::vector<std::string> expect = kStartUp;
    expect.push_back("SetFullWindowDrag(0)");
    expect.push_back("MAIN");
    expect.push_back("INIMgr.Update");
    expect.push_back("SetFullWindowDrag(1)");
    expect.insert(expect.end(), kShutDownTail.begin(), kShutDownTail.end());
    EXPECT_EQ(steps(), expect);
    EXPECT_EQ(drag.dragFullWindows(), 1);
    const std::vector<Call> calls = {{38, 0, 0}, {37, 0, 3}, {37, 1, 3}};
    EXPECT_EQ(drag.calls(), calls);
    EXPECT_EQ(LCurrentFDSetting, 1);
}

TEST_F(ProgramTest, DragOffIsNeverTouched) {
    kw::platform::RecordingParameters drag(0);
    kw::platform::ScopedParameters scoped(drag);

    startProgram();
    ASSERT_TRUE(exitProgram());

    std::vector<std::string> expect = kStartUp;
    expect.push_back("MAIN");
    expect.push_back("INIMgr.Update");
    expect.insert(expect.end(), kShutDownTail.begin(), kShutDownTail.end());
    EXPECT_EQ(steps(), expect);
    const std::vector<Call> calls = {{38, 0, 0}};
    EXPECT_EQ(drag.calls(), calls);
    EXPECT_EQ(drag.dragFullWindows(), 0);
}

TEST_F(ProgramTest, AFailingSystemCallIsIgnored) {
    kw::platform::RecordingParameters drag(1);
    kw::platform::ScopedParameters scoped(drag);
    LCurrentFDSetting = 1;  // left over from an earlier run: must not count
    drag.setFailing(true);

    startProgram();
    ASSERT_TRUE(exitProgram());

    const std::vector<Call> calls = {{38, 0, 0}};
    EXPECT_EQ(drag.calls(), calls);
    EXPECT_EQ(LCurrentFDSetting, 0);
    EXPECT_EQ(steps().back(), "GlobalErrors.Kill");
}

TEST_F(ProgramTest, AFatalEndWhileRunningStillSwitchesDragBackOnAndWritesTheIniFile) {
    kw::platform::RecordingParameters drag(1);
    kw::platform::ScopedParameters scoped(drag);
    auto mainHook = kw::setShutdownHook([] { kw::shell::haltShutDown(); });

    startProgram();
    // what the default halt handler runs before the process ends
    auto hook = kw::setShutdownHook({});
    ASSERT_TRUE(hook);
    hook();
    EXPECT_EQ(drag.dragFullWindows(), 1);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "kestrowd.INI")) << "the program's hook ran too";
    kw::setShutdownHook(hook);
    ASSERT_TRUE(exitProgram());
    // after a normal end only the program's own hook is left
    auto left = kw::setShutdownHook(std::move(mainHook));
    EXPECT_TRUE(left);
    kw::setShutdownHook({});
}

TEST_F(ProgramTest, EverythingIsReadyWhileTheFrameRunsAndGoneAfter) {
    startProgram();
    EXPECT_TRUE(GlobalErrors.Errors) << "GlobalErrors initialised";
    // the frame runs on procedure thread 1, which this thread counts as
    EXPECT_EQ(GlobalErrors.GetProcedureName(), "Main");
    ASSERT_NE(Access::ZAL, nullptr);
    ASSERT_NE(Relate::PKL, nullptr);
    EXPECT_EQ(Relate::ZAL->Me, Access::ZAL);
    EXPECT_EQ(FuzzyMatcher.GetOption(1), 1);
    EXPECT_EQ(FuzzyMatcher.GetOption(2), 0);
    EXPECT_EQ(INIMgr.FileName(), "kestrowd.INI");
    // no data file is opened at start-up, and the INI file is not written yet
    EXPECT_TRUE(entries(dir_).empty());
    ASSERT_TRUE(exitProgram());

    EXPECT_EQ(GlobalErrors.GetProcedureName(), "");
    EXPECT_EQ(Access::ZAL, nullptr);
    EXPECT_EQ(Relate::ZAL, nullptr);
    EXPECT_FALSE(GlobalErrors.Errors);
    EXPECT_EQ(INIMgr.FileName(), "");
    EXPECT_EQ(FuzzyMatcher.GetOption(1), 0);
    EXPECT_EQ(boxes.count(), 0u) << "nothing was reported";
}

TEST_F(ProgramTest, EmptyDirectoryStartsAndLeavesOnlyTheIniFile) {
    startProgram();
    EXPECT_TRUE(entries(dir_).empty());
    ASSERT_TRUE(exitProgram());

    EXPECT_EQ(entries(dir_), std::vector<std::string>{"kestrowd.INI"});
    std::ifstream in(dir_ / "kestrowd.INI");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "[__Dont_Touch_Me__]\nSectors=\n");
}

TEST_F(ProgramTest, AnExistingIniFileKeepsItsOtherContent) {
    {
        std::ofstream out(dir_ / "kestrowd.INI");
        out << "; kept\n[Main]\nMaximize=Yes\n[__Dont_Touch_Me__]\nSectors=Main\n";
    }
    startProgram();
    ASSERT_TRUE(exitProgram());
    kw::INIClass ini;
    ini.Init((dir_ / "kestrowd.INI").string());
    EXPECT_EQ(ini.Fetch("Main", "Maximize"), "Yes");
    EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors"), "Main");
}

TEST_F(ProgramTest, WithoutAWindowBackEndTheFrameCannotOpenAndTheProgramStillEndsCleanly) {
    kw::ui::Backend* previous = kw::ui::installBackend(nullptr);
    ASSERT_TRUE(kw::proc::startEntry([] { kw::shell::ProgramEntry(); }));
    EXPECT_TRUE(kw::proc::waitAll(10s));
    kw::ui::installBackend(previous);
    EXPECT_EQ(steps().back(), "GlobalErrors.Kill");
    EXPECT_EQ(entries(dir_), std::vector<std::string>{"kestrowd.INI"});
}
