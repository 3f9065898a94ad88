// Helpers of the pledge tests: a temporary data directory with the dictionary's
// managers set up (as the program's start-up does), the scripted windows and message
// boxes, a fixed date, records written straight to the tables as another station would,
// and the pledge procedures run on procedure threads of their own, driven like a user.
#pragma once

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/procedure_fixture.h"
#include "dictionary/tables.h"
#include "framework/window/framework_globals.h"
#include "runtime/codepage.h"
#include "runtime/picture.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace kwpledge {

using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;
using kw::script::WindowDriver;

using kwtest::kToday;
using kwtest::onThread;

// The settings of the worked example: 30 days, 80 % of the appraisal lent, storage 0.1 %
// a day, bands 0-5000 at 0.6 and 5000-20000 at 0.5, first ticket 1000.
inline kw::dict::KbpRecord exampleSettings() {
    kw::dict::KbpRecord k;
    k.NAME = W("Ломбард");
    k.KDZ = 30;
    k.PRO_S = 80;
    k.PDX = 0.1;
    k.S11 = 0;
    k.S12 = 5000;
    k.PS1 = 0.6;
    k.S21 = 5000;
    k.S22 = 20000;
    k.PS2 = 0.5;
    k.S_NAD = W("Примечание");
    k.S_N = 1000;
    return k;
}

class PledgeTest : public kwtest::ProcedureFixture {
  protected:
    PledgeTest() : ProcedureFixture("kw_pledge", 5s) {}

    void SetUp() override {
        ProcedureFixture::SetUp();
        if (HasFatalFailure()) return;
        resetGlobals();
        KOD = 6;
    }

    void TearDown() override {
        ProcedureFixture::TearDown();
        resetGlobals();
    }

    static void resetGlobals() {
        GlobalRequest = 0;
        GlobalResponse = 0;
        KOD = 0;
        KOD_M = 0;
        KOD_K = 0;
        PROBA = 0;
        Z1G = 0;
        Z1K = 0;
        K_IZD = 0;
        T_RAC = 0;
        NAME_P.clear();
        SP_IND = 0;
        D1 = D2 = 0;
        FIO_G.clear();
        ADR_G.clear();
        PAS_G.clear();
    }

    // Adds records to table `t` (created when missing), each given as its record bytes.
    template <class R>
    void add(const kw::storage::TableDecl& t, const std::vector<R>& records) {
        ASSERT_EQ(sizeof(R), t.recordSize);
        onThread(60, [&] {
            kw::storage::File f(t);
            if (!kwtest::tableExists(f.dataPath())) {
                ASSERT_TRUE(f.create().ok());
            }
            ASSERT_TRUE(f.open().ok());
            for (const R& r : records) {
                std::memcpy(t.buffer(), &r, sizeof(R));
                ASSERT_TRUE(f.add().ok());
            }
            ASSERT_TRUE(f.close().ok());
        });
    }
    void settings(const kw::dict::KbpRecord& k = exampleSettings()) {
        add(kw::dict::kbpTable(), std::vector{k});
    }
    void metals() {
        kw::dict::MetRecord gold, silver;
        gold.KOD = 1;
        gold.NAME = W("Золото");
        silver.KOD = 2;
        silver.NAME = W("Серебро");
        add(kw::dict::metTable(), std::vector{gold, silver});
    }
    void price(uint8_t metal, int16_t fineness, double zen) {
        kw::dict::PrbRecord p;
        p.KOD = metal;
        p.PROB = fineness;
        p.ZEN = zen;
        add(kw::dict::prbTable(), std::vector{p});
    }
    void day(int32_t date, double obo = 0, double kas = 0) {
        kw::dict::DayRecord d;
        d.DATA = date;
        d.OBO = obo;
        d.KAS = kas;
        add(kw::dict::dayTable(), std::vector{d});
    }
    void user(uint8_t code, const char* utf8Name) {
        kw::dict::SecRecord s;
        s.K_POL = code;
        s.FIO = W(utf8Name);
        add(kw::dict::secTable(), std::vector{s});
    }
    // The day of the worked new loan: the example's settings, the metals, 583 gold at
    // 1000.00 a gram, today open, operator 6.
    void workedLoanDay() {
        settings();
        metals();
        price(1, 583, 1000);
        day(kToday);
        user(6, "Кузнецов Павел Андреевич");
    }
    void pledges(const std::vector<kw::dict::ZalRecord>& z) { add(kw::dict::zalTable(), z); }
    // A pledge of ticket `n` issued on `date`, in `state`, appraised at `appraisal`.
    static kw::dict::ZalRecord pledge(int32_t n, int32_t date, uint8_t state = 0,
                                      double appraisal = 1000,
                                      const char* utf8Name = "Иванов Иван") {
        kw::dict::ZalRecord z;
        z.N_KV = n;
        z.DATA = date;
        z.SOST = state;
        z.S_OZEN = appraisal;
        z.S_CCYD = appraisal * 0.8;
        z.S_P_S = appraisal * 0.1;
        z.S_P_X = appraisal * 0.03;
        z.S_VID = appraisal * 0.67;
        z.KOL_D = 30;
        z.DATA_K = date + 30;
        z.FIO = W(utf8Name);
        z.MET = 1;
        z.VEC = 10;
        z.VEC_CH = 10;
        z.Z1G = appraisal / 10;
        return z;
    }

    // Every record of ZAL, in physical order, as another station reads it.
    std::vector<kw::dict::ZalRecord> zal() {
        std::vector<kw::dict::ZalRecord> out;
        onThread(61, [&] {
            kw::storage::File f(kw::dict::zalTable());
            if (!f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
            while (f.next().ok()) out.push_back(ZAL);
            (void)f.close();
        });
        return out;
    }
    // The bytes of a file of the data directory ("" when it is missing); on the server,
    // of every record of the table whose data file is named so, in physical order.
    static std::string bytesOf(const std::string& name) {
        if (kwtest::onServer()) return recordBytes(name);
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static std::string recordBytes(const std::string& dataFile) {
        std::string out;
        for (const kw::storage::TableDecl* t : kw::dict::allTables()) {
            if (t->diskName + ".DAT" != dataFile) continue;
            onThread(61, [&] {
                kw::storage::File f(*t);
                if (!f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok()) return;
                while (f.next().ok())
                    out.append(reinterpret_cast<const char*>(f.buffer()), t->recordSize);
                (void)f.close();
            });
        }
        return out;
    }

    // Runs `procedure` on a procedure thread of its own with `request`; its number.
    int run(void (*procedure)(), uint8_t request = 0) {
        const int n = kw::proc::start([procedure, request] {
            GlobalRequest = request;
            procedure();
        });
        EXPECT_NE(n, 0);
        return n;
    }
    // The window titled so (UTF-8), once its procedure waits for the user.
    static WindowDriver window(const char* utf8Title, std::chrono::milliseconds timeout = 5s) {
        WindowDriver w = kw::script::waitWindow(W(utf8Title), timeout);
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }
    // The ticket-print window that a pledge form opens after OK, closed without
    // printing; false when it did not open.
    static bool closeTicketDialog() {
        WindowDriver d = kw::script::waitWindow(W("печать билета"), 5s);
        if (!d || d.settle() != Drive::Ok || d.press(W("Закрыть")) != Drive::Ok) return false;
        return d.waitClosed(5s);
    }
    // The message box up now (or within a few seconds); its text, "" when none.
    std::string boxText() {
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < until) {
            for (const kw::script::ShownBox& b : boxes.shown())
                if (!b.answered) return b.text;
            std::this_thread::sleep_for(5ms);
        }
        return std::string();
    }
};

}  // namespace kwpledge
