// Helpers of the ticket tests: a data directory with the settings record, the user who
// prints, a metal and a stone; the dictionary's managers; the scripted windows, boxes
// and printer; and the pledge of the worked example (issued, prolonged once three
// days late, redeemed ten days after the prolongation ended).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "common/procedure_fixture.h"
#include "dictionary/kbp.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "dictionary/zal.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_report.h"
#include "runtime/script/script_windows.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace kwticket {

using namespace std::chrono_literals;
using kw::W;

inline int32_t day(int d, int m, int y) {
    return kw::date::fromYmd(y, m, d);
}

// Adds one record to the table's file in the current directory (created when missing).
template <typename R>
void addRecord(const kw::storage::TableDecl& t, const R& value) {
    std::thread th([&] {
        R& buffer = *static_cast<R*>(t.buffer());  // this thread's record
        kw::proc::setCurrentThread(61);
        kw::storage::File f(t);
        if (!kwtest::tableExists(f.dataPath())) {
            ASSERT_TRUE(f.create().ok());
        }
        ASSERT_TRUE(f.open().ok());
        buffer = value;
        ASSERT_TRUE(f.add().ok());
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
}

// The worked example, amounts figured by hand: appraisal 1 000 + 1 500 x 10.4 =
// 16 600; loan 8 000 at 0.5 % and 0.1 % a day for 30 days: interest 40 x 30 = 1 200,
// storage 16.60 x 30 = 498, paid out 6 302. Prolonged 3 days late (penalty with
// coefficient 2: 80 x 3 + 33.20 x 3 = 339.60) for 30 days; redeemed 10 days after
// that period ended (penalty with 1.5: 60 x 10 + 24.90 x 10 = 849), to pay 6 302 + 849
// + 1 200 + 498 = 8 849.
inline kw::dict::ZalRecord workedPledge() {
    kw::dict::ZalRecord z;
    z.OPER = 3;
    z.N_KV = 1042;
    z.DATA = day(1, 10, 2025);
    z.KOL_D = 30;
    z.DATA_K = day(31, 10, 2025);
    z.FIO = W("Иванов Иван Иванович");
    z.PAS = W("45 03 123456");
    z.ADR = W("Москва, ул. Ленина, 1");
    z.MET = 1;
    z.PROB = 585;
    z.Z1G = 1500;
    z.VEC = 10.5;
    z.KAM = 2;
    z.VEC_K = 0.5;
    z.Z1K = 2000;
    z.VEC_CH = 10.4;
    z.OZ_K = 1000;
    z.OP_IZ = W("Кольцо с камнем");
    z.PRIM = W("Б/у");
    z.S_OZEN = 16600;
    z.S_CCYD = 8000;
    z.P_CC_D = 0.5;
    z.P_XR_D = 0.1;
    z.S_P_S = 1200;
    z.S_P_X = 498;
    z.S_VID = 6302;
    z.DATA_PR1 = day(3, 11, 2025);
    z.S_ST1 = 339.6;
    z.DATA_P11 = day(3, 11, 2025);
    z.KOL_D1 = 30;
    z.DATA_P12 = day(3, 12, 2025);
    z.S_P_C1 = 1200;
    z.S_P_X1 = 498;
    z.S_POL1 = 2037.6;
    z.DATA_PRW = day(13, 12, 2025);
    z.S_STW = 849;
    z.S_P_CW = 1200;
    z.S_P_XW = 498;
    z.S_W = 8849;
    z.SOST = 4;
    return z;
}

class TicketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kw::script::installScriptWindows();
        printer = &kw::script::installScriptReport();
        printer->clear();
        GlobalErrors.Init();
        std::string tmpl = (std::filesystem::temp_directory_path() / "kwticketXXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        kwtest::useServerWhenGiven(dir_);
        boxes.setAnswerTimeout(10s);
        kw::msgbox::install(&boxes);
        addRecord(kw::dict::kbpTable(), settings());
        kw::dict::SecRecord s;
        s.K_POL = 3;
        s.FIO = W("Петрова А.С.");
        addRecord(kw::dict::secTable(), s);
        kw::dict::MetRecord m;
        m.KOD = 1;
        m.NAME = W("Золото");
        addRecord(kw::dict::metTable(), m);
        kw::dict::KamRecord c;
        c.KOD = 2;
        c.NAME = W("Фианит");
        addRecord(kw::dict::kamTable(), c);
        KOD = 3;
        DctInit();
    }
    // The settings record the data directory starts with.
    virtual kw::dict::KbpRecord settings() {
        kw::dict::KbpRecord k;
        k.NAME = W("Ломбард Кестрел");
        k.ADR = W("г. Москва, ул. Тверская, 7");
        k.TEL = W("+7 495 123-45-67");
        k.SW = 5000;
        k.SD = 10;
        return k;
    }

    void TearDown() override {
        EXPECT_TRUE(kw::proc::waitAll(10s));
        DctKill();
        kw::msgbox::install(nullptr);
        GlobalErrors.Kill();
        KOD = 0;
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Runs `body` on a procedure thread and waits for it to end; `drive` runs meanwhile
    // on the test's thread.
    void run(const std::function<void()>& body, const std::function<void()>& drive) {
        const int n = kw::proc::start(body);
        ASSERT_NE(n, 0);
        drive();
        ASSERT_TRUE(kw::proc::wait(n, 20s));
    }

    // The preview of the ticket, once its procedure waits for the user.
    kw::script::WindowDriver preview() {
        kw::script::WindowDriver w = kw::script::waitWindow("Report Preview");
        if (w) {
            EXPECT_EQ(w.settle(), kw::script::Drive::Ok);
        }
        return w;
    }

    kw::script::DriverMessageBox boxes;
    kw::script::ScriptReport* printer = nullptr;

  private:
    std::filesystem::path dir_, old_;
};

}  // namespace kwticket
