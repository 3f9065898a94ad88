// Four desks on one data directory, each a process of its own: three issue loans,
// prolong, redeem and write journal entries while the fourth closes the day at a
// random moment, day after day. After each day the test recomputes the day's totals
// from the pledges and the journal itself and compares them with what the closing
// stored, matches every loan a desk was told was stored with the pledges (and every
// pledge of the day with such a loan), and checks every table with the data-file tool.
//
// The desks are this test program run again with MultiDeskChild.Run and the desk's
// part in its environment; they drive the real procedures through the scripted back end.
// The part "loans" only issues loans, with the program's audit journal, until a file
// "stop" appears in its data directory (the desk of the backup drill).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>

#include "cashdesk/auditor.h"
#include "cashdesk/day_texts.h"
#include "cashdesk_test_util.h"
#include "pledges/pledge_procedures.h"
#include "shell/day_lock.h"
#include "storage/postgres/pg_backend.h"

extern char** environ;

// The desks keep their tables on the server when the data directory says so.
[[maybe_unused]] static const bool g_serverBackend =
    (kw::storage::pg::registerServerBackend(), true);

namespace kwcash {
namespace {

constexpr int kDesks = 3;
constexpr int kDays = 20;
constexpr std::size_t kEarlierPledges = 100000;
// A desk works 12 s at most and each wait of it is bounded; past these it is stuck.
constexpr auto kDeskLimit = 40s;
constexpr auto kDayLimit = 50s;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// ---------------------------------------------------------------------------------------
// One desk (the child process)

class Desk {
  public:
    Desk(int id, int32_t today, unsigned seed) : id_(id), today_(today), rng_(seed) {}

    void runDesk(const std::vector<int32_t>& prolong, const std::vector<int32_t>& redeem) {
        std::vector<int32_t> p = prolong, w = redeem;
        const auto until = std::chrono::steady_clock::now() + 12s;
        while (!stopped_ && std::chrono::steady_clock::now() < until) {
            const int pick = static_cast<int>(rng_() % 100);
            if (pick < 15 && !p.empty()) {
                event(ZAL_TAB1, "Первый перезалог", "Оформление  1-го перезалога", p.back(),
                      "ZAL:KOL_D1", "P");
                p.pop_back();
            } else if (pick < 30 && !w.empty()) {
                event(ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи",
                      w.back(), nullptr, "W");
                w.pop_back();
            } else if (pick < 42) {
                journalEntry();
            } else {
                loan();
            }
        }
    }

    void runCloser() {
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + rng_() % 700));
        for (int attempt = 0; attempt < 5; ++attempt) {
            step("closing the day, attempt " + std::to_string(attempt));
            run(ZAC_D);
            WindowDriver w = kw::script::waitWindow(kw::cashdesk::closeDayTitle(), 10s);
            if (!w || w.settle() != Drive::Ok) return log("error closing window");
            (void)w.press(W("Закрыть ???"));
            WindowDriver box = kw::script::waitWindow(kw::cashdesk::closeBoxTitle(), 10s);
            if (box) (void)box.press("OK");
            (void)w.settle();
            const std::string m = w.shown("MESSAGE");
            (void)w.press(W("Выход"));
            (void)w.waitClosed(10s);
            if (m == W("День ломбарда закрыт")) return log("closed");
            if (m != kw::shell::dayBusyText()) return log("error closing: " + kw::cp::toUtf8(m));
        }
        log("error closing: busy");
    }

    void runLoans() {
        while (!stopped_ && !std::filesystem::exists("stop")) loan();
    }

    void log(const std::string& line) {
        std::lock_guard<std::mutex> hold(logMu_);
        std::ofstream out("desk" + std::to_string(id_) + ".log", std::ios::app);
        out << line << "\n";
    }

    // What the desk is doing now, for the watchdog's last word.
    void step(const std::string& what) {
        std::lock_guard<std::mutex> hold(logMu_);
        step_ = what;
    }
    std::string step() {
        std::lock_guard<std::mutex> hold(logMu_);
        return step_;
    }

  private:
    enum class Outcome { Stored, Refused, Again, Error };

    static int run(void (*procedure)(), uint8_t request = 0) {
        return kw::proc::start([procedure, request] {
            GlobalRequest = request;
            procedure();
        });
    }

    // A list opened, or the box that refused it (the day is closed): then the desk stops.
    WindowDriver list(void (*procedure)(), const char* utf8Title) {
        step(std::string("list ") + utf8Title);
        run(procedure);
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until) {
            WindowDriver l = kw::script::waitWindow(W(utf8Title), 5ms);
            if (l && l.settle() == Drive::Ok) return l;
            if (const std::string t = openBox(); !t.empty()) {
                boxes_.answer(kw::msgbox::Ok);  // the list ends with the box: nothing to wait for
                log("refused list " + kw::cp::toUtf8(t));
                stopped_ = true;
                return WindowDriver();
            }
        }
        log("error list " + std::string(utf8Title));
        stopped_ = true;
        return WindowDriver();
    }

    std::string openBox() {
        for (const kw::script::ShownBox& b : boxes_.shown())
            if (!b.answered) return b.text;
        return std::string();
    }

    // OK pressed on a form: what came of it.
    Outcome ok(WindowDriver& form, std::string& why) {
        step("OK on " + kw::cp::toUtf8(form.title()));
        (void)form.press("OK");
        const auto until = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < until) {
            if (!form.isOpen()) return Outcome::Stored;
            if (const std::string t = openBox(); !t.empty()) {
                why = kw::cp::toUtf8(t);
                (void)boxes_.reply("OK");
                return t.find(W("уже занят")) != std::string::npos ? Outcome::Again
                                                                   : Outcome::Refused;
            }
            if (form.shown("MESSAGE") == kw::shell::dayBusyText()) return Outcome::Again;
            std::this_thread::sleep_for(2ms);
        }
        why = "no answer";
        return Outcome::Error;
    }

    void closeTicket() {
        step("ticket");
        WindowDriver d = kw::script::waitWindow(W("печать билета"), 5s);
        if (d && d.settle() == Drive::Ok) (void)d.press(W("Закрыть"));
    }
    // A form the operator typed into asks before it closes unsaved; the desk leaves it
    // so, as an operator whose write was refused does. Any other box is an error.
    void close(WindowDriver& w) {
        if (!w || !w.isOpen()) return;
        step("closing " + kw::cp::toUtf8(w.title()));
        (void)w.closeBox();
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (w.isOpen() && std::chrono::steady_clock::now() < until) {
            if (const std::string t = openBox(); !t.empty()) {
                const bool unsaved = t.find(W("Закрыть окно без сохранения?")) != std::string::npos;
                if (!unsaved) log("error box on closing: " + kw::cp::toUtf8(t));
                (void)boxes_.reply(unsaved ? "Yes" : "OK");
            }
            std::this_thread::sleep_for(2ms);
        }
        if (w.isOpen()) {
            log("error window stays open: " + kw::cp::toUtf8(w.title()));
            stopped_ = true;
        }
    }

    // Writes one form to its end: logs "<kind> stored|refused ...".
    void finish(WindowDriver& form, const std::string& kind, bool ticket,
                const std::function<std::string()>& what) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const std::string item = what();
            std::string why;
            switch (ok(form, why)) {
                case Outcome::Stored:
                    log(kind + " stored " + item);
                    if (ticket) closeTicket();
                    return;
                case Outcome::Refused:
                    log(kind + " refused " + item + " " + why);
                    stopped_ = true;
                    close(form);
                    return;
                case Outcome::Again:
                    continue;
                case Outcome::Error:
                    log(kind + " error " + item + " " + why);
                    stopped_ = true;
                    return;
            }
        }
        log(kind + " error busy");
        stopped_ = true;
    }

    void loan() {
        WindowDriver l = list(ZAL_TAB, "Залоговые ссуды за день");
        if (!l) return;
        (void)l.press(W("Добавить"));
        WindowDriver f = kw::script::waitWindow(W("Добавить ???"), 10s);
        if (f && f.settle() == Drive::Ok) {
            (void)f.type("ZAL:FIO", W("Клиент"));  // OK refuses a pledge without a client
            (void)f.type("ZAL:VEC", std::to_string(1 + rng_() % 20));
            finish(f, "L", true, [&] { return f.shown("ZAL:N_KV") + " " + f.shown("ZAL:S_VID"); });
        } else {
            log("error form");
            stopped_ = true;
        }
        close(l);
    }

    void event(void (*procedure)(), const char* listTitle, const char* formTitle, int32_t ticket,
               const char* term, const char* kind) {
        WindowDriver l = list(procedure, listTitle);
        if (!l) return;
        (void)l.type("LOOK", std::to_string(ticket));
        (void)l.press(W("Обработать"));
        WindowDriver f = kw::script::waitWindow(W(formTitle), 10s);
        if (f && f.settle() == Drive::Ok && f.shown("ZAL:N_KV") == std::to_string(ticket)) {
            if (term) (void)f.type(term, "20");
            finish(f, kind, true, [&] { return std::to_string(ticket); });
        } else {
            const std::string seen = !f ? "no form" : f.shown("ZAL:N_KV");
            log(std::string(kind) + " error form " + std::to_string(ticket) + " shows " + seen +
                " locator " + l.shown("LOOK"));
            if (f) close(f);
            stopped_ = true;
        }
        close(l);
    }

    void journalEntry() {
        D1 = D2 = today_;
        WindowDriver l = list(KAS_TAB, "Внешние операции по кассе");
        if (!l) return;
        (void)l.press(W("Добавить"));
        WindowDriver f = kw::script::waitWindow(W("Добавить ???"), 10s);
        if (f && f.settle() == Drive::Ok) {
            const int receipt = static_cast<int>(rng_() % 500),
                      expense = static_cast<int>(rng_() % 300);
            (void)f.type("KLM:PRI", std::to_string(receipt));
            (void)f.type("KLM:RAS", std::to_string(expense) + ".5");
            (void)f.type("KLM:NAME", W("Касса"));
            finish(f, "J", false,
                   [&] { return std::to_string(receipt) + " " + std::to_string(expense) + ".5"; });
        } else {
            log("error journal form");
            stopped_ = true;
        }
        close(l);
    }

    int id_;
    int32_t today_;
    std::mt19937 rng_;
    bool stopped_ = false;
    std::mutex logMu_;
    std::string step_ = "starting";

  public:
    kw::script::DriverMessageBox boxes_;
};

std::vector<int32_t> numbers(const std::string& list) {
    std::vector<int32_t> out;
    std::stringstream s(list);
    for (int32_t n; s >> n;) out.push_back(n);
    return out;
}

TEST(MultiDeskChild, Run) {
    const std::string role = env("KW_DESK_ROLE");
    if (role.empty()) GTEST_SKIP() << "one desk of MultiDeskTest, run by it";
    std::filesystem::current_path(env("KW_DESK_DIR"));
    const int id = std::atoi(env("KW_DESK_ID").c_str());
    const int32_t today = std::atoi(env("KW_DESK_DATE").c_str());
    Desk desk(id, today, static_cast<unsigned>(std::atoi(env("KW_DESK_SEED").c_str())));
    kw::script::installScriptWindows();
    kw::script::setTimeout(20s);
    kw::msgbox::install(&desk.boxes_);
    desk.boxes_.setAnswerTimeout(10s);
    // No desk waits forever: a stuck one says where and ends, and the test fails on it.
    std::thread([&desk] {
        std::this_thread::sleep_for(kDeskLimit);
        desk.log("error stuck at " + desk.step());
        std::fflush(nullptr);
        ::_exit(3);
    }).detach();
    kw::clock::setToday(today);
    GlobalErrors.Init();
    DctInit();
    KOD = 6;
    if (role == "closer") {
        desk.runCloser();
    } else if (role == "loans") {
        kw::cashdesk::installAuditor();
        desk.runLoans();
    } else {
        desk.runDesk(numbers(env("KW_DESK_PROLONG")), numbers(env("KW_DESK_REDEEM")));
    }
    desk.log("done");
    std::fflush(nullptr);
    ::_exit(0);  // what is left open stays so, as when a desk is switched off
}

// ---------------------------------------------------------------------------------------
// The days (the parent)

struct Totals {
    double OBO = 0, T_RAS = 0, T_PRI = 0, PRIBI = 0;
};

// The closing's rules, written out here: deleted pledges count for nothing; an active
// one (state below 4) is in circulation; each event of the day adds its money.
Totals recompute(const std::vector<ZalRecord>& zal, const std::vector<KlmRecord>& klm, int32_t d) {
    Totals t;
    for (const ZalRecord& z : zal) {
        if (z.SOST == 6) continue;
        if (z.SOST < 4) t.OBO += z.S_VID;
        if (z.DATA == d) t.T_RAS += z.S_VID;
        const double p1 = z.S_P_C1 + z.S_P_X1 + z.S_ST1, p2 = z.S_P_C2 + z.S_P_X2 + z.S_ST2,
                     p3 = z.S_P_C3 + z.S_P_X3 + z.S_ST3;
        if (z.DATA_PR1 == d) t.T_PRI += p1, t.PRIBI += p1;
        if (z.DATA_PR2 == d) t.T_PRI += p2, t.PRIBI += p2;
        if (z.DATA_PR3 == d) t.T_PRI += p3, t.PRIBI += p3;
        if (z.DATA_PRW == d) t.T_PRI += z.S_W, t.PRIBI += z.S_W - z.S_VID;
    }
    for (const KlmRecord& k : klm) {
        if (k.DATA != d) continue;
        t.T_RAS += k.RAS;
        t.T_PRI += k.PRI;
    }
    return t;
}

class MultiDeskTest : public CashdeskTest {
  protected:
    void SetUp() override {
        CashdeskTest::SetUp();
        KbpRecord k = loanSettings(500000);
        k.P0 = k.P1 = k.P2 = k.P3 = 2;
        k.P11 = k.P22 = k.P33 = 1;
        k.SW = 5000;
        k.SD = 10;
        addRecords(kw::dict::kbpTable(), std::vector{k});
        addGoldPriceAndOperator();
        addRecords(kw::dict::klmTable(), std::vector<KlmRecord>{});
        // A year of earlier pledges, all redeemed long ago: they count for nothing, but
        // the closing's pass reads them, as it does in a pawnshop that has worked a while.
        std::vector<ZalRecord> earlier(kEarlierPledges);
        for (std::size_t i = 0; i < earlier.size(); ++i) {
            ZalRecord& z = earlier[i];
            z.N_KV = static_cast<int32_t>(i + 1);
            z.SOST = 4;
            z.DATA = kToday - 400 + static_cast<int32_t>(i % 300);
            z.DATA_PRW = z.DATA + 30;
            z.S_VID = 1000;
            z.S_W = 1100;
            z.FIO = W("Петров Пётр");
        }
        addRecords(kw::dict::zalTable(), earlier);
        addRecords(kw::dict::dayTable(), std::vector<DayRecord>{});
    }

    pid_t spawnDesk(const std::string& role, int id, int32_t date, unsigned seed,
                    const std::string& prolong, const std::string& redeem) {
        std::vector<std::string> vars;
        for (char** e = environ; *e; ++e) vars.emplace_back(*e);
        vars.push_back("KW_DESK_ROLE=" + role);
        vars.push_back("KW_DESK_ID=" + std::to_string(id));
        vars.push_back("KW_DESK_DIR=" + dir_.string());
        vars.push_back("KW_DESK_DATE=" + std::to_string(date));
        vars.push_back("KW_DESK_SEED=" + std::to_string(seed));
        vars.push_back("KW_DESK_PROLONG=" + prolong);
        vars.push_back("KW_DESK_REDEEM=" + redeem);
        std::vector<char*> envp;
        for (std::string& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::string filter = "--gtest_filter=MultiDeskChild.Run";
        char* argv[] = {self.data(), filter.data(), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        const std::string out = (dir_ / ("desk" + std::to_string(id) + ".out")).string();
        posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&fa, 1, 2);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, self.c_str(), &fa, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&fa);
        EXPECT_EQ(rc, 0);
        return rc == 0 ? pid : -1;
    }

    static std::vector<std::string> logLines(int id) {
        std::vector<std::string> out;
        std::ifstream in("desk" + std::to_string(id) + ".log");
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
};

TEST_F(MultiDeskTest, ClosingAgainstThreeDesksKeepsEveryLoanAndEveryRoubleOfTheDay) {
    std::mt19937 rng(static_cast<unsigned>(std::random_device{}()));
    const unsigned base = rng();
    SCOPED_TRACE("seed " + std::to_string(base));
    int stored = 0, refused = 0, events = 0, entries = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < kDays; ++round) {
        const int32_t date = kToday + round;
        SCOPED_TRACE("day " + std::to_string(round));
        addRecords(kw::dict::dayTable(), std::vector{day(date, settings().KAS_N)});
        // Earlier loans still in their first term are prolonged or redeemed by the desk
        // whose number their ticket gives.
        std::vector<std::string> prolong(kDesks), redeem(kDesks);
        for (const ZalRecord& z : pledges()) {
            if (z.SOST != 0 || z.DATA >= date) continue;
            const int desk = z.N_KV % kDesks;
            (z.N_KV % 2 ? prolong : redeem)[desk] += std::to_string(z.N_KV) + " ";
        }
        for (int id = 0; id <= kDesks; ++id)
            std::filesystem::remove(dir_ / ("desk" + std::to_string(id) + ".log"));
        std::vector<pid_t> pids;
        for (int id = 0; id < kDesks; ++id)
            pids.push_back(
                spawnDesk("desk", id, date, base + round * 7 + id, prolong[id], redeem[id]));
        pids.push_back(spawnDesk("closer", kDesks, date, base + round * 7 + kDesks, "", ""));
        const auto dayUntil = std::chrono::steady_clock::now() + kDayLimit;
        for (pid_t pid : pids) {
            int status = 0;
            pid_t got = 0;
            while ((got = ::waitpid(pid, &status, WNOHANG)) == 0 &&
                   std::chrono::steady_clock::now() < dayUntil)
                std::this_thread::sleep_for(10ms);
            if (got == 0) {
                ::kill(pid, SIGKILL);
                got = ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "desk process " << pid << " did not end: killed";
            }
            ASSERT_EQ(got, pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "desk process " << pid << " ended badly";
        }

        // What the desks were told.
        std::multiset<int32_t> loans;
        int journalStored = 0;
        std::set<int32_t> eventTickets;
        for (int id = 0; id <= kDesks; ++id) {
            for (const std::string& line : logLines(id)) {
                EXPECT_EQ(line.find("error"), std::string::npos) << "desk " << id << ": " << line;
                std::stringstream s(line);
                std::string kind, what;
                s >> kind >> what;
                if (kind == "L" && what == "stored") {
                    int32_t ticket = 0;
                    s >> ticket;
                    loans.insert(ticket);
                    ++stored;
                } else if (what == "refused") {
                    ++refused;
                } else if ((kind == "P" || kind == "W") && what == "stored") {
                    int32_t ticket = 0;
                    s >> ticket;
                    eventTickets.insert(ticket);
                    ++events;
                } else if (kind == "J" && what == "stored") {
                    ++journalStored;
                    ++entries;
                }
            }
        }
        ASSERT_FALSE(logLines(kDesks).empty()) << "the closing desk said nothing";
        ASSERT_EQ(logLines(kDesks).front(), "closed");

        const std::vector<ZalRecord> zal = pledges();
        const std::vector<KlmRecord> klm = journal();
        std::multiset<int32_t> ofTheDay, all;
        for (const ZalRecord& z : zal) {
            all.insert(z.N_KV);
            if (z.DATA == date) ofTheDay.insert(z.N_KV);
        }
        EXPECT_EQ(ofTheDay, loans) << "every loan told stored is a pledge of the day, and no other";
        EXPECT_EQ(std::set<int32_t>(all.begin(), all.end()).size(), all.size())
            << "no ticket repeats";
        for (int32_t t : eventTickets) {
            bool found = false;
            for (const ZalRecord& z : zal)
                if (z.N_KV == t) found = z.DATA_PR1 == date || z.DATA_PRW == date;
            EXPECT_TRUE(found) << "the event of ticket " << t << " is stored";
        }
        int klmOfTheDay = 0;
        for (const KlmRecord& k : klm) klmOfTheDay += k.DATA == date;
        EXPECT_EQ(klmOfTheDay, journalStored);

        const std::vector<DayRecord> d = days();
        ASSERT_EQ(d.back().DATA, date);
        const Totals t = recompute(zal, klm, date);
        EXPECT_NEAR(d.back().OBO, t.OBO, 1e-6);
        EXPECT_NEAR(d.back().KAS, d.back().KAS_N + t.T_PRI - t.T_RAS, 1e-6);
        EXPECT_NEAR(d.back().PRIB, t.PRIBI, 1e-6);
        EXPECT_NEAR(settings().KAS_N, d.back().KAS, 1e-6) << "the closing balance is carried over";

        for (const kw::storage::TableDecl* table :
             {&kw::dict::zalTable(), &kw::dict::klmTable(), &kw::dict::dayTable(),
              &kw::dict::kbpTable(), &kw::dict::metTable(), &kw::dict::prbTable(),
              &kw::dict::secTable()}) {
            std::string cmd =
                std::string(KW_BINARY_DIR) + "/kestrowd-file check " + table->diskName + ".DAT";
            if (!table->owner.empty()) cmd += " --owner " + table->owner;
            cmd += " > check.txt 2>&1";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << table->diskName << " does not check clean";
        }
        if (HasFailure()) break;
    }
    std::printf(
        "%d days in %.1f s: %d loans stored, %d writes refused, %d prolongations and redemptions, "
        "%d journal "
        "entries\n",
        kDays, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
        stored, refused, events, entries);
    EXPECT_GT(stored, kDays);
    EXPECT_GT(events, 0);
    EXPECT_GT(entries, 0);
}

}  // namespace
}  // namespace kwcash
