// Helpers of the window-manager tests: a temporary data directory with the CLN table,
// the scripted windows and message boxes, and CLN_FORM run on a procedure thread as a
// browse runs it (table open, record read or primed, GlobalRequest set).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/data/error_class.h"
#include "framework/window/cln_form.h"
#include "runtime/assertion.h"
#include "runtime/codepage.h"
#include "runtime/picture.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_windows.h"

namespace kwform {

using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;

// What a form run on its procedure thread left behind.
struct FormRun {
    uint8_t response = 0;
    ClnRecord atKill;  // CLN as the form left it, before it closed its tables
    int number = 0;    // the procedure thread
    bool join() { return number == 0 || kw::proc::wait(number, 10s); }
};

// A value by its picture, without the blanks that pad it to the picture's width.
inline std::string shownAs(double v, const char* pic) {
    std::string s = kw::picture::format(v, pic);
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// One row of CLN as "ID|FIO|ADR|SUM|DAT", SUM and DAT by their pictures.
inline std::string rowOf(const ClnRecord& r) {
    return std::to_string(r.ID) + "|" + r.FIO.clip() + "|" + r.ADR.clip() + "|" +
           shownAs(r.SUM, "n_12.2") + "|" + shownAs(r.DAT, "D6");
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kw::script::installScriptWindows();
        kw::assertion::clearReports();
        GlobalErrors.Init();
        std::string tmpl = (std::filesystem::temp_directory_path() / "kwformXXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        boxes.setAnswerTimeout(10s);
        GlobalRequest = 0;
        GlobalResponse = 0;
        VCRRequest = 0;
        table = std::make_unique<ClnTable>();
    }
    void TearDown() override {
        EXPECT_TRUE(kw::proc::waitAll(10s));
        table.reset();
        GlobalErrors.Kill();
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Adds records on a thread of its own; they get the IDs 1, 2, ... in order.
    void seed(std::vector<std::pair<const char*, const char*>> clients) {
        std::thread t([&] {
            kw::proc::setCurrentThread(60);
            ASSERT_EQ(table->rm.Open(0), kw::Level::Benign);
            double sum = 100;
            for (auto [fio, adr] : clients) {
                CLN = ClnRecord{};
                CLN.FIO = W(fio);
                CLN.ADR = W(adr);
                CLN.SUM = sum;
                CLN.DAT = kFirstDay2024;
                sum += 100;
                EXPECT_EQ(table->fm.Insert(), kw::Level::Benign);
            }
            (void)table->rm.Close(0);
        });
        t.join();
    }

    // Every record of CLN as another station reads it, in ID order.
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        std::thread t([&] {
            kw::proc::setCurrentThread(61);
            kw::storage::File f(clnTable());
            if (!f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
            while (f.next().ok()) out.push_back(rowOf(CLN));
            (void)f.close();
        });
        t.join();
        std::sort(out.begin(), out.end());
        return out;
    }

    // Runs CLN_FORM with `request` on a procedure thread of its own: for an insert a
    // new record is primed first; otherwise record `id` is read.
    void start(FormRun& run, uint8_t request, int32_t id = 0) {
        options.atKill = [&run](kw::WindowManager&) { run.atKill = CLN; };
        run.number = kw::proc::start([this, &run, request, id] {
            (void)table->rm.Open(0);
            if (request == kw::req::Insert) {
                (void)table->fm.PrimeRecord();
            } else {
                CLN = ClnRecord{};
                CLN.ID = id;
                (void)table->fm.Fetch(clnTable().keys[0]);
            }
            GlobalRequest = request;
            run.response = CLN_FORM(*table, options);
            (void)table->rm.Close(0);
        });
        ASSERT_NE(run.number, 0);
    }

    // The window titled so, once its procedure has handled its first events.
    kw::script::WindowDriver window(const char* utf8Title) {
        kw::script::WindowDriver w = kw::script::waitWindow(W(utf8Title));
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.caption);
        return out;
    }

    int beeps() { return kw::script::installScriptWindows().beeps(); }

    std::unique_ptr<ClnTable> table;
    ClnFormOptions options;
    kw::script::DriverMessageBox boxes;
    kw::msgbox::ScopedBackend scoped{boxes};

  private:
    std::filesystem::path dir_, old_;
};

}  // namespace kwform
