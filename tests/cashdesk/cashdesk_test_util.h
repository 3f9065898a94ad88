// Helpers of the cash-desk tests: the dictionary's managers over a temporary
// directory, records written straight to the files as another station would, and the
// cash desk's procedures run on procedure threads and driven through the scripted
// back end, with a fixed date.
#pragma once

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "cashdesk/cashdesk.h"
#include "common/procedure_fixture.h"
#include "dictionary/tables.h"
#include "framework/window/framework_globals.h"
#include "runtime/codepage.h"
#include "runtime/picture.h"
#include "shell/globals.h"
#include "storage/error_codes.h"
#include "storage/file.h"

namespace kwcash {

using namespace std::chrono_literals;
using kw::W;
using kw::dict::DayRecord;
using kw::dict::KbpRecord;
using kw::dict::KlmRecord;
using kw::dict::ZalRecord;
using kw::script::Drive;
using kw::script::WindowDriver;

using kwtest::eventually;
using kwtest::kToday;
using kwtest::onThread;

using kwtest::onServer;

// Opens the table's file as another station (creating it when missing).
inline bool openAside(kw::storage::File& f) {
    if (!onServer() && !std::filesystem::exists(f.dataPath()) && !f.create().ok()) return false;
    return f.open().ok();
}

// Adds records to a table straight through the driver, as another station would.
template <class Record>
void addRecords(const kw::storage::TableDecl& table, const std::vector<Record>& records) {
    static_assert(std::is_trivially_copyable_v<Record>);
    onThread(60, [&] {
        kw::storage::File f(table);
        ASSERT_EQ(table.recordSize, sizeof(Record));
        ASSERT_TRUE(openAside(f));
        f.setDurable(false);
        for (const Record& r : records) {
            std::memcpy(f.buffer(), &r, sizeof r);
            ASSERT_TRUE(f.add().ok());
        }
        f.setDurable(true);
        ASSERT_TRUE(f.close().ok());
    });
}

// Every live record of a table in file order, read as another station would.
template <class Record>
std::vector<Record> readRecords(const kw::storage::TableDecl& table) {
    std::vector<Record> out;
    onThread(61, [&] {
        kw::storage::File f(table);
        if ((!onServer() && !std::filesystem::exists(f.dataPath())) ||
            !f.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok())
            return;
        (void)f.set(0);
        while (f.next().ok()) {
            Record r;
            std::memcpy(&r, f.buffer(), sizeof r);
            out.push_back(r);
        }
        (void)f.close();
    });
    return out;
}

inline std::vector<DayRecord> days() {
    return readRecords<DayRecord>(kw::dict::dayTable());
}
inline std::vector<ZalRecord> pledges() {
    return readRecords<ZalRecord>(kw::dict::zalTable());
}
inline std::vector<KlmRecord> journal() {
    return readRecords<KlmRecord>(kw::dict::klmTable());
}
inline KbpRecord settings() {
    const std::vector<KbpRecord> all = readRecords<KbpRecord>(kw::dict::kbpTable());
    return all.empty() ? KbpRecord{} : all.front();
}

inline DayRecord day(int32_t date, double kasN, double obo = 0, double kas = 0, double prib = 0) {
    DayRecord d;
    d.DATA = date;
    d.KAS_N = kasN;
    d.OBO = obo;
    d.KAS = kas;
    d.PRIB = prib;
    return d;
}

inline KbpRecord kbpWithBalance(double kasN) {
    KbpRecord k;
    k.NAME = W("Ломбард");
    k.S_N = 1000;
    k.KAS_N = kasN;
    return k;
}

// The settings of the worked loan over an opening balance: 10 g of 583 gold at 1000.00 a
// gram lend 8000.00 (80 %) and pay out 6500.00: interest 0.6 % a day on appraisals up to
// 5 000 and 0.5 % up to 20 000, storage 0.1 %, 30 days.
inline KbpRecord loanSettings(double kasN) {
    KbpRecord k = kbpWithBalance(kasN);
    k.KDZ = 30;
    k.PRO_S = 80;
    k.PDX = 0.1;
    k.S11 = 0;
    k.S12 = 5000;
    k.PS1 = 0.6;
    k.S21 = 5000;
    k.S22 = 20000;
    k.PS2 = 0.5;
    return k;
}

// The metal, its price and operator 6 that the worked loan's form takes.
inline void addGoldPriceAndOperator() {
    kw::dict::MetRecord gold;
    gold.KOD = 1;
    gold.NAME = W("Золото");
    addRecords(kw::dict::metTable(), std::vector{gold});
    kw::dict::PrbRecord p;
    p.KOD = 1;
    p.PROB = 583;
    p.ZEN = 1000;
    addRecords(kw::dict::prbTable(), std::vector{p});
    kw::dict::SecRecord op;
    op.K_POL = 6;
    op.FIO = W("Иванова И.И.");
    addRecords(kw::dict::secTable(), std::vector{op});
}

// A number as picture `pic` shows it, without the blanks around it.
inline std::string shownAs(double v, const char* pic) {
    std::string s = kw::picture::format(v, pic);
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// Holds record `record` of a table from another station until released, so that a
// write of it by the program fails.
class RecordHolder {
  public:
    explicit RecordHolder(const kw::storage::TableDecl& table, uint32_t record = 1)
        : table_(table), record_(record) {
        ready_ = false;
        thread_ = std::thread([this] {
            kw::proc::setCurrentThread(62);
            kw::storage::File f(table_);
            held_ = f.open(kw::storage::kAccessReadWrite | kw::storage::kDenyNone).ok() &&
                    f.getRecord(record_, true).ok();
            {
                std::lock_guard lock(mu_);
                ready_ = true;
            }
            cv_.notify_all();
            std::unique_lock lock(mu_);
            cv_.wait(lock, [this] { return released_; });
            (void)f.release();
            (void)f.close();
        });
        std::unique_lock lock(mu_);
        cv_.wait(lock, [this] { return ready_; });
    }
    ~RecordHolder() { release(); }
    bool held() const { return held_; }
    void release() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard lock(mu_);
            released_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

  private:
    const kw::storage::TableDecl& table_;
    uint32_t record_;
    std::thread thread_;
    std::mutex mu_;
    std::condition_variable cv_;
    bool ready_ = false, released_ = false, held_ = false;
};

class CashdeskTest : public kwtest::ProcedureFixture {
  protected:
    CashdeskTest() : ProcedureFixture("kw_cash", 10s) {}

    void SetUp() override {
        ProcedureFixture::SetUp();
        if (HasFatalFailure()) return;
        GlobalRequest = 0;
        GlobalResponse = 0;
        KOD = 6;
        I_OT = I_Z = I_AZ = 0;
        D1 = D2 = 0;
    }

    // Runs a procedure on a procedure thread of its own; its number.
    int run(std::function<void()> procedure, uint8_t request = 0) {
        const int n = kw::proc::start([procedure = std::move(procedure), request] {
            GlobalRequest = request;
            procedure();
        });
        EXPECT_NE(n, 0);
        return n;
    }

    // The window titled so (CP1251 or UTF-8 given through W) once its procedure waits.
    static WindowDriver window(const std::string& title) {
        WindowDriver w = kw::script::waitWindow(title);
        EXPECT_TRUE(w) << kw::cp::toUtf8(title);
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }

    // Presses the action button and answers the confirmation box with button `ok`
    // ("OK" Latin or "ОК" Cyrillic), or closes it when `ok` is empty.
    void confirm(WindowDriver& w, const std::string& button, const std::string& boxTitle,
                 const std::string& ok) {
        EXPECT_EQ(w.press(button), Drive::Ok);
        WindowDriver box = window(boxTitle);
        if (ok.empty()) {
            EXPECT_EQ(box.closeBox(), Drive::Ok);
        } else {
            EXPECT_EQ(box.press(ok), Drive::Ok);
        }
        EXPECT_EQ(w.settle(), Drive::Ok);
    }

    // Closes a window with the button and waits for its procedure thread.
    static void closeWith(WindowDriver& w, const std::string& button, int thread) {
        EXPECT_EQ(w.press(button), Drive::Ok);
        EXPECT_TRUE(kw::proc::wait(thread, 10s));
    }

    // The box shown last, if any.
    kw::script::ShownBox lastBox() {
        const auto all = boxes.shown();
        return all.empty() ? kw::script::ShownBox{} : all.back();
    }
};

}  // namespace kwcash
