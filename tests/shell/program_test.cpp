// The program entry: start-up and shut-down order, the full-window-drag rule, and a
// start in an empty directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <string>
#include <vector>

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/halt.h"
#include "runtime/message_box.h"
#include "runtime/platform.h"
#include "runtime/script/script_frame.h"
#include "runtime/script/script_message_box.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/program.h"

namespace fs = std::filesystem;
using Call = kw::platform::RecordingParameters::Call;

namespace {

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    return out;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kw_program_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        old_ = fs::current_path();
        fs::current_path(dir_);
        kw::frame::install(&frame_);
        kw::shell::setStepObserver([this](std::string_view s) { steps_.emplace_back(s); });
    }
    void TearDown() override {
        kw::shell::setStepObserver({});
        kw::frame::install(nullptr);
        fs::current_path(old_);
        fs::remove_all(dir_);
    }

    fs::path dir_, old_;
    std::vector<std::string> steps_;
    kw::script::ScriptFrame frame_;
    kw::script::ScriptMessageBox boxes_;
    kw::msgbox::ScopedBackend scopedBoxes_{boxes_};
};

const std::vector<std::string> kStartUp = {"GlobalErrors.Init",           "DctInit",
                                           "FuzzyMatcher.Init",           "FuzzyMatcher.SetOption(1,1)",
                                           "FuzzyMatcher.SetOption(2,0)", "INIMgr.Init",
                                           "GetFullWindowDrag"};
const std::vector<std::string> kShutDownTail = {"INIMgr.Kill", "FuzzyMatcher.Kill", "DctKill", "GlobalErrors.Kill"};

}  // namespace

TEST_F(ProgramTest, DragOnIsOffWhileRunningAndOnAfterInExactOrder) {
    kw::platform::RecordingParameters system(1);
    kw::platform::ScopedParameters scoped(system);
    int32_t dragWhileOpen = -1;
    frame_.setWhileOpen([&] { dragWhileOpen = system.dragFullWindows(); });

    kw::shell::ProgramEntry();

    std::vector<std::string> expect = kStartUp;
    expect.push_back("SetFullWindowDrag(0)");
    expect.push_back("MAIN");
    expect.push_back("INIMgr.Update");
    expect.push_back("SetFullWindowDrag(1)");
    expect.insert(expect.end(), kShutDownTail.begin(), kShutDownTail.end());
    EXPECT_EQ(steps_, expect);

    EXPECT_EQ(dragWhileOpen, 0);
    EXPECT_EQ(system.dragFullWindows(), 1);
    const std::vector<Call> calls = {{38, 0, 0}, {37, 0, 3}, {37, 1, 3}};
    EXPECT_EQ(system.calls(), calls);
    EXPECT_EQ(LCurrentFDSetting, 1);
}

TEST_F(ProgramTest, DragOffIsNeverTouched) {
    kw::platform::RecordingParameters system(0);
    kw::platform::ScopedParameters scoped(system);

    kw::shell::ProgramEntry();

    std::vector<std::string> expect = kStartUp;
    expect.push_back("MAIN");
    expect.push_back("INIMgr.Update");
    expect.insert(expect.end(), kShutDownTail.begin(), kShutDownTail.end());
    EXPECT_EQ(steps_, expect);
    const std::vector<Call> calls = {{38, 0, 0}};
    EXPECT_EQ(system.calls(), calls);
    EXPECT_EQ(system.dragFullWindows(), 0);
}

TEST_F(ProgramTest, AFailingSystemCallIsIgnored) {
    kw::platform::RecordingParameters system(1);
    kw::platform::ScopedParameters scoped(system);
    LCurrentFDSetting = 1;  // left over from an earlier run: must not count
    system.setFailing(true);

    kw::shell::ProgramEntry();

    const std::vector<Call> calls = {{38, 0, 0}};
    EXPECT_EQ(system.calls(), calls);
    EXPECT_EQ(LCurrentFDSetting, 0);
    EXPECT_EQ(steps_.back(), "GlobalErrors.Kill");
}

TEST_F(ProgramTest, AFatalEndWhileRunningStillSwitchesDragBackOn) {
    kw::platform::RecordingParameters system(1);
    kw::platform::ScopedParameters scoped(system);
    bool hookRestores = false;
    frame_.setWhileOpen([&] {
        // what the default halt handler runs before the process ends
        auto hook = kw::setShutdownHook({});
        ASSERT_TRUE(hook);
        hook();
        hookRestores = system.dragFullWindows() == 1;
        kw::setShutdownHook(hook);
    });
    kw::shell::ProgramEntry();
    EXPECT_TRUE(hookRestores);
    // after a normal end no hook is left behind
    EXPECT_FALSE(kw::setShutdownHook({}));
}

TEST_F(ProgramTest, EverythingIsReadyWhileTheFrameRunsAndGoneAfter) {
    kw::platform::RecordingParameters system(0);
    kw::platform::ScopedParameters scoped(system);
    frame_.setWhileOpen([&] {
        EXPECT_TRUE(GlobalErrors.Errors) << "GlobalErrors initialised";
        EXPECT_EQ(GlobalErrors.GetProcedureName(), "Main");
        ASSERT_NE(Access::ZAL, nullptr);
        ASSERT_NE(Relate::PKL, nullptr);
        EXPECT_EQ(Relate::ZAL->Me, Access::ZAL);
        EXPECT_EQ(FuzzyMatcher.GetOption(1), 1);
        EXPECT_EQ(FuzzyMatcher.GetOption(2), 0);
        EXPECT_EQ(INIMgr.FileName(), "kestrowd.INI");
        // no data file is opened at start-up, and the INI file is not written yet
        EXPECT_TRUE(entries(dir_).empty());
    });
    kw::shell::ProgramEntry();
    EXPECT_EQ(frame_.titles(), std::vector<std::string>{kw::shell::frameTitle()});
    EXPECT_EQ(Access::ZAL, nullptr);
    EXPECT_EQ(Relate::ZAL, nullptr);
    EXPECT_FALSE(GlobalErrors.Errors);
    EXPECT_EQ(INIMgr.FileName(), "");
    EXPECT_EQ(FuzzyMatcher.GetOption(1), 0);
    EXPECT_EQ(boxes_.count(), 0u) << "nothing was reported";
}

TEST_F(ProgramTest, EmptyDirectoryStartsAndLeavesOnlyTheIniFile) {
    frame_.setKeepOpen(true);
    kw::platform::RecordingParameters system(0);
    kw::platform::ScopedParameters scoped(system);
    std::thread entry([] { kw::shell::ProgramEntry(); });
    ASSERT_TRUE(frame_.waitUntilOpen());
    EXPECT_TRUE(entries(dir_).empty());
    frame_.close();
    entry.join();

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
    kw::platform::RecordingParameters system(0);
    kw::platform::ScopedParameters scoped(system);
    kw::shell::ProgramEntry();
    kw::INIClass ini;
    ini.Init((dir_ / "kestrowd.INI").string());
    EXPECT_EQ(ini.Fetch("Main", "Maximize"), "Yes");
    EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors"), "Main");
}
