// The fixture of the suites that run the program's procedures on the scripted back
// ends: a data directory of its own as the current directory, the scripted windows and
// message boxes, today kToday, the error manager and the dictionary's managers set up,
// the tables on the server when the environment names one (useServerWhenGiven); and,
// after the test, every procedure thread brought to its end before all is taken
// down again.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/procedure_env.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/clock.h"
#include "runtime/message_box.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_windows.h"
#include "storage/file.h"

namespace kwtest {

// Whether the current data directory keeps its tables on the server.
inline bool onServer() {
    return std::filesystem::exists("kestrowd.conninfo");
}

// Whether the table of data file `dataPath` exists: the file, or on the server always
// (every table is made at set-up).
inline bool tableExists(const std::string& dataPath) {
    return onServer() || std::filesystem::exists(dataPath);
}

// When KW_TEST_CONNINFO names a server (tests/server/with_server.sh gives one), the data
// directory `dir` (the current one, the dictionary set up) is pointed at it and every
// table of the dictionary is made there afresh, empty; otherwise nothing changes.
inline void useServerWhenGiven(const std::filesystem::path& dir) {
    const char* conninfo = std::getenv("KW_TEST_CONNINFO");
    if (conninfo == nullptr || *conninfo == 0) return;
    std::ofstream(dir / "kestrowd.conninfo") << conninfo << "\n";
    onThread(60, [] {
        for (const kw::storage::TableDecl* t : kw::dict::allTables())
            ASSERT_TRUE(kw::storage::File(*t).create().ok()) << t->diskName;
    });
}

// Empties a table: on the server it is made afresh; in flat files its data file goes (the
// next add makes it again).
inline void emptyTable(const kw::storage::TableDecl& t) {
    if (!onServer()) {
        std::filesystem::remove(t.diskName + ".DAT");
        return;
    }
    onThread(60, [&] { ASSERT_TRUE(kw::storage::File(t).create().ok()) << t.diskName; });
}

class ProcedureFixture : public ::testing::Test {
  protected:
    // `dirPrefix` names the temporary directory; a message box waits `answerTimeout`
    // for the test's answer.
    ProcedureFixture(const char* dirPrefix, std::chrono::milliseconds answerTimeout)
        : dirPrefix_(dirPrefix), answerTimeout_(answerTimeout) {}

    void SetUp() override {
        dir_ = enterTempDir(dirPrefix_, old_);
        ASSERT_FALSE(dir_.empty());
        kw::script::installScriptWindows();
        kw::script::setTimeout(kwtest::kDriveTimeout);
        previousBoxes_ = kw::msgbox::install(&boxes);
        boxes.setAnswerTimeout(answerTimeout_);
        kw::clock::setToday(kToday);
        GlobalErrors.Init();
        DctInit();
        useServerWhenGiven(dir_);
    }

    // The boxes still up are answered and the windows still open closed until every
    // procedure thread has ended (10 s at most, then the test fails).
    void TearDown() override {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (kw::proc::running() > 0 && std::chrono::steady_clock::now() < until) {
            for (const kw::script::ShownBox& b : boxes.shown())
                if (!b.answered) boxes.answer(b.defaultButton);
            for (const kw::script::WindowDriver& w : kw::script::windows())
                kw::ui::postEvent(w.model(), kw::ui::Event{kw::ui::ev::CloseDown});
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_TRUE(kw::proc::waitAll(10s));
        DctKill();
        GlobalErrors.Kill();
        kw::clock::setToday(0);
        kw::msgbox::install(previousBoxes_);
        leaveTempDir(dir_, old_);
    }

    std::filesystem::path dir_, old_;
    kw::script::DriverMessageBox boxes;

  private:
    const char* dirPrefix_;
    std::chrono::milliseconds answerTimeout_;
    kw::msgbox::Backend* previousBoxes_ = nullptr;
};

}  // namespace kwtest
