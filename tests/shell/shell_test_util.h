// Helpers of the shell tests: the whole program (the program entry on procedure thread
// 1) run on the scripted back ends in a temporary directory, driven like a user through
// the window driver, with a fixed date and the system's settings faked.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/procedure_env.h"
#include "dictionary/tables.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/message_box.h"
#include "runtime/platform.h"
#include "runtime/printer_setup.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_printer_setup.h"
#include "runtime/script/script_windows.h"
#include "runtime/window_events.h"
#include "shell/main.h"
#include "shell/procedures.h"
#include "shell/program.h"
#include "shell/start.h"
#include "storage/file.h"

namespace kwtest {

using kw::W;
using kw::script::Drive;
using kw::script::WindowDriver;

// Adds a DAY record to DAY.DAT in the current directory (created when missing), as
// another station would, before or while the program runs.
inline void addDay(int32_t date, double obo, double kas) {
    onThread(60, [&] {
        kw::storage::File f(kw::dict::dayTable());
        if (!std::filesystem::exists("DAY.DAT")) {
            ASSERT_TRUE(f.create().ok());
        }
        ASSERT_TRUE(f.open().ok());
        DAY = kw::dict::DayRecord{};
        DAY.DATA = date;
        DAY.OBO = obo;
        DAY.KAS = kas;
        ASSERT_TRUE(f.add().ok());
        ASSERT_TRUE(f.close().ok());
    });
}

// SEC as an administrator leaves it beforehand: these users, each a code and a password.
inline void addUsers(std::initializer_list<std::pair<int, const char*>> users) {
    onThread(60, [&] {
        kw::storage::File sec(kw::dict::secTable());
        if (!std::filesystem::exists("SEC.DAT")) {
            ASSERT_TRUE(sec.create().ok());
        }
        ASSERT_TRUE(sec.open().ok());
        for (const auto& [code, password] : users) {
            SEC = kw::dict::SecRecord{};
            SEC.K_POL = static_cast<uint8_t>(code);
            SEC.PAROL.assign(password);
            ASSERT_TRUE(sec.add().ok());
        }
        ASSERT_TRUE(sec.close().ok());
    });
}

inline std::vector<std::string> entries(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = kwtest::enterTempDir("kw_shell", old_);
        ASSERT_FALSE(dir_.empty());
        kw::script::installScriptWindows();
        kw::script::setTimeout(kwtest::kDriveTimeout);
        previousBoxes_ = kw::msgbox::install(&boxes);
        previousPrinter_ = kw::printer::install(&printer);
        previousSystem_ = kw::platform::install(&system);
        boxes.setAnswerTimeout(5s);
        kw::clock::setToday(kToday);
        kw::shell::clearProcedures();
    }

    void TearDown() override {
        EXPECT_TRUE(endProgram()) << "the program ended";
        kw::shell::clearProcedures();
        kw::clock::setToday(0);
        kw::platform::install(previousSystem_);
        kw::printer::install(previousPrinter_);
        kw::msgbox::install(previousBoxes_);
        kwtest::leaveTempDir(dir_, old_);
    }

    // Starts the program entry and waits for the frame.
    void startProgram() {
        ASSERT_TRUE(kw::proc::startEntry([] { kw::shell::ProgramEntry(); }));
        started_ = true;
        frame = kw::script::waitWindow(kw::shell::frameTitle());
        ASSERT_TRUE(frame) << "the frame opened";
        ASSERT_EQ(frame.settle(), Drive::Ok);
    }

    bool programRunning() const { return kw::proc::isRunning(kw::proc::kEntryThread); }

    // The opening serial of the newest window opened so far.
    static uint64_t newestSerial() {
        uint64_t newest = 0;
        for (const WindowDriver& w : kw::script::windows())
            newest = std::max(newest, w.model()->serial);
        return newest;
    }

    // The newest window titled `title` opened after the window of serial `after`, once
    // there is one and its procedure is ready (a main menu is told from the frame by its
    // thread).
    static WindowDriver waitNew(const std::string& title, uint64_t after) {
        WindowDriver found;
        eventually([&] {
            for (const WindowDriver& w : kw::script::windows())
                if (w.isOpen() && w.thread() != kw::proc::kEntryThread && w.title() == title &&
                    w.model()->serial > after)
                    found = w;
            return static_cast<bool>(found);
        });
        // its procedure has taken the opening events and waits for the user
        if (found) {
            EXPECT_EQ(found.settle(), Drive::Ok);
        }
        return found;
    }

    // Opens a login window from the frame's menu.
    WindowDriver openLogin() {
        const uint64_t after = newestSerial();
        EXPECT_EQ(frame.press(W("Ввод кода и пароля для запуска системы")), Drive::Ok);
        return waitNew(kw::shell::loginTitle(), after);
    }

    // The main menu opened after the window of serial `after`.
    static WindowDriver waitMenu(uint64_t after = 0) {
        return waitNew(kw::shell::frameTitle(), after);
    }

    // Waits until the procedure thread of a closed window has ended (its procedure has
    // done everything that follows the window's closing).
    static bool ended(const WindowDriver& w) { return kw::proc::wait(w.thread(), 5s); }

    // Types the code and the password into the login window and starts the main menu.
    WindowDriver launch(WindowDriver& login, const std::string& code, const std::string& password) {
        const uint64_t newest = newestSerial();
        EXPECT_EQ(login.type("KOD", code), Drive::Ok);
        EXPECT_EQ(login.type("PAROL", password), Drive::Ok);
        EXPECT_EQ(login.press(W("Готово???")), Drive::Ok);
        EXPECT_EQ(login.press(W("Запуск системы")), Drive::Ok);
        return waitMenu(newest);
    }

    // The frame, the login window and the main menu of user `code`.
    WindowDriver logIn(const std::string& code, const std::string& password = "x") {
        startProgram();
        login = openLogin();
        EXPECT_TRUE(login);
        return launch(login, code, password);
    }

    // Ends the program as a user closing every window would; true when it has ended.
    bool endProgram() {
        if (!started_) return true;
        started_ = false;
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (programRunning() && std::chrono::steady_clock::now() < until) {
            for (const kw::script::ShownBox& b : boxes.shown())
                if (!b.answered) boxes.answer(b.defaultButton);
            for (const WindowDriver& w : kw::script::windows())
                kw::ui::postEvent(w.model(), kw::ui::Event{kw::ui::ev::CloseDown});
            std::this_thread::sleep_for(20ms);
        }
        return kw::proc::waitAll(10s);
    }

    // Closes the frame through its "Выход" and waits for the program to end.
    bool exitProgram() {
        EXPECT_EQ(frame.press(W("Выход")), Drive::Ok);
        const bool ended = kw::proc::waitAll(10s);
        started_ = !ended;
        return ended;
    }

    std::filesystem::path dir_, old_;
    kw::script::DriverMessageBox boxes;
    kw::script::ScriptPrinterSetup printer;
    kw::platform::RecordingParameters system{0};
    WindowDriver frame, login;

  private:
    kw::msgbox::Backend* previousBoxes_ = nullptr;
    kw::printer::SetupService* previousPrinter_ = nullptr;
    kw::platform::SystemParameters* previousSystem_ = nullptr;
    bool started_ = false;
};

}  // namespace kwtest
