// Helpers of the tests that run a procedure directly (the small forms here, the
// reference tables in tests/pledges): a temporary data directory with the dictionary
// set up (DctInit), records written straight to the tables as another station would,
// the scripted windows and message boxes, and a procedure run on a procedure thread
// of its own as the main menu or a pledge form runs it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/procedure_env.h"
#include "dictionary/kbp.h"
#include "dictionary/pkl.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/window/framework_globals.h"
#include "runtime/codepage.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_windows.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace kwproc {

using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;
using kw::script::WindowDriver;

// Adds the records to the table's file (created when missing) on a thread of its own,
// through that thread's record buffer of the table.
template <class Record>
void addRecords(const kw::storage::TableDecl& t, Record&, const std::vector<Record>& records) {
    std::thread th([&] {
        kw::proc::setCurrentThread(60);
        kw::storage::File f(t);
        if (!std::filesystem::exists(t.diskName + ".DAT")) {
            ASSERT_TRUE(f.create().ok());
        }
        ASSERT_TRUE(f.open().ok());
        for (const Record& r : records) {
            std::memcpy(t.buffer(), &r, sizeof(Record));
            ASSERT_TRUE(f.add().ok());
        }
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
}

// Every record of the table in file order, as another station reads them.
template <class Record>
std::vector<Record> readRecords(const kw::storage::TableDecl& t, Record&) {
    std::vector<Record> out;
    std::thread th([&] {
        kw::proc::setCurrentThread(61);
        kw::storage::File f(t);
        if (!f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
        while (f.next().ok()) {
            Record r;
            std::memcpy(&r, t.buffer(), sizeof(Record));
            out.push_back(r);
        }
        (void)f.close();
    });
    th.join();
    return out;
}

// What a procedure run on its own thread left behind.
struct ProcedureRun {
    uint8_t response = 0;
    int number = 0;
    bool join() { return number == 0 || kw::proc::wait(number, 10s); }
};

class ProcedureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = kwtest::enterTempDir("kw_proc", old_);
        ASSERT_FALSE(dir_.empty());
        kw::script::installScriptWindows();
        kw::script::setTimeout(kwtest::kDriveTimeout);
        boxes.setAnswerTimeout(5s);
        GlobalErrors.Init();
        DctInit();
        GlobalRequest = 0;
        GlobalResponse = 0;
        FIO_G.clear();
        ADR_G.clear();
        PAS_G.clear();
        KOD_M = 0;
        KOD_K = 0;
        PROBA = 0;
        Z1G = 0;
        K_IZD = 0;
    }

    void TearDown() override {
        EXPECT_TRUE(kw::proc::waitAll(10s));
        DctKill();
        GlobalErrors.Kill();
        kwtest::leaveTempDir(dir_, old_);
    }

    // Runs `procedure` with `request` on a procedure thread; `before` runs first on that
    // thread (a pledge form's record, say).
    void start(ProcedureRun& run, void (*procedure)(), uint8_t request = 0,
               std::function<void()> before = {}) {
        run.number = kw::proc::start([&run, procedure, request, before] {
            if (before) before();
            GlobalRequest = request;
            procedure();
            run.response = GlobalResponse;
        });
        ASSERT_NE(run.number, 0);
    }

    // The window titled so, once its procedure waits for the user.
    static WindowDriver window(const char* utf8Title) {
        WindowDriver w = kw::script::waitWindow(W(utf8Title));
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }

    // The list's rows, each as its columns joined by '|'.
    static std::vector<std::string> rows(const WindowDriver& w, int list = 1) {
        std::vector<std::string> out;
        const int columns = static_cast<int>(w.model()->def.find(list)->columns.size());
        for (int r = 1; r <= w.rows(list); ++r) {
            std::string row;
            for (int c = 1; c <= columns; ++c)
                row += (c > 1 ? "|" : "") + kw::cp::toUtf8(w.cell(list, r, c));
            out.push_back(row);
        }
        return out;
    }

    kw::script::DriverMessageBox boxes;
    kw::msgbox::ScopedBackend scoped{boxes};

  private:
    std::filesystem::path dir_, old_;
};

}  // namespace kwproc
