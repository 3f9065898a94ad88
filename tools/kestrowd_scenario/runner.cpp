#include "runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "../kestrowd_file/commands.h"
#include "cashdesk_commands.h"
#include "dictionary/tables.h"
#include "list_commands.h"
#include "report_commands.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/halt.h"
#include "runtime/message_box.h"
#include "runtime/printer_setup.h"
#include "runtime/proc_threads.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_printer_setup.h"
#include "runtime/script/script_windows.h"
#include "runtime/window_events.h"
#include "shell/program.h"

namespace kw::scenario {

namespace {

using namespace std::chrono_literals;
using script::Drive;
using script::WindowDriver;
using ui::ControlKind;

// How long a message box waits for the scenario to answer it before it takes its
// default button.
constexpr auto kBoxWait = 60s;
// How long the program may take to end after the last step.
constexpr auto kEndWait = 10s;

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string quoted(const std::string& utf8) {
    return "\"" + utf8 + "\"";
}

// The step running now, for the message of a halt.
std::atomic<int> g_line{0};
std::string g_name;

class Runner {
  public:
    Runner(const Options& o, std::ostream& report) : options_(o), report_(report) {
        script::installScriptWindows();
        installReportBackend();
        previousBoxes_ = msgbox::install(&boxes_);
        previousPrinter_ = printer::install(&printer_);
        boxes_.setAnswerTimeout(kBoxWait);
        g_name = o.name;
        // A fatal error ends the program: the scenario cannot go on.
        previousHalt_ = setHaltHandler([](int code) {
            std::fprintf(stderr, "%s:%d: the program ended itself (halt %d)\n", g_name.c_str(),
                         g_line.load(), code);
            std::fflush(nullptr);
            std::_Exit(1);
        });
    }

    ~Runner() {
        setHaltHandler(std::move(previousHalt_));
        printer::install(previousPrinter_);
        msgbox::install(previousBoxes_);
        clock::setToday(0);
    }

    bool run(const Script& script) {
        bool ok = true;
        for (const Step& s : script.steps) {
            g_line = s.line;
            std::string expected;
            if (!step(s, expected)) {
                report_ << options_.name << ":" << s.line << ": " << s.text << "\n"
                        << "  expected: " << expected << "\n"
                        << shown();
                ok = false;
                break;
            }
        }
        if (!endProgram()) {
            report_ << options_.name << ": the program did not end within " << kEndWait.count()
                    << " s\n"
                    << shown();
            return false;
        }
        return ok;
    }

  private:
    using Handler = bool (Runner::*)(const Step&, std::string&);

    bool step(const Step& s, std::string& expected) {
        struct Command {
            const char* name;
            std::size_t args;
            Handler handler;
            const char* usage;
        };
        static const Command commands[] = {
            {"today", 1, &Runner::today, "today DD.MM.YYYY"},
            {"start", 0, &Runner::start, "start"},
            {"window", 1, &Runner::window, "window \"TITLE\""},
            {"menu", 1, &Runner::menu, "menu \"TEXT\""},
            {"press", 1, &Runner::press, "press \"TEXT\""},
            {"press-nth", 2, &Runner::pressNth, "press-nth N \"TEXT\""},
            {"activate", 1, &Runner::activate, "activate \"TITLE\""},
            {"set", 2, &Runner::set, "set NAME VALUE"},
            {"type", 2, &Runner::typeIn, "type NAME VALUE"},
            {"type-only", 2, &Runner::typeOnly, "type-only NAME VALUE"},
            {"expect-focus", 1, &Runner::expectFocus, "expect-focus \"NAME\""},
            {"expect", 2, &Runner::expect, "expect NAME \"TEXT\""},
            {"expect-text", 1, &Runner::expectText, "expect-text \"TEXT\""},
            {"expect-disabled", 1, &Runner::expectDisabled, "expect-disabled \"TEXT\""},
            {"expect-enabled", 1, &Runner::expectEnabled, "expect-enabled \"TEXT\""},
            {"answer", 1, &Runner::answer, "answer \"BUTTON\""},
            {"expect-message", 1, &Runner::expectMessage, "expect-message \"TITLE\""},
            {"close", 0, &Runner::close, "close"},
            {"expect-window", 1, &Runner::expectWindow, "expect-window \"TITLE\""},
            {"expect-no-window", 1, &Runner::expectNoWindow, "expect-no-window \"TITLE\""},
            {"load", 2, &Runner::load, "load TABLE FILE.csv"},
            {"key", 1, &Runner::list, "key \"NAME\""},
            {"locate", 1, &Runner::list, "locate \"TEXT\""},
            {"row", 1, &Runner::list, "row \"TEXT\""},
            {"expect-rows", 1, &Runner::list, "expect-rows N"},
            {"expect-row", 2, &Runner::list, "expect-row N \"TEXT\""},
        };
        for (const Command& c : commands) {
            if (s.command != c.name) continue;
            if (s.args.size() != c.args) {
                expected = std::string("the command written as: ") + c.usage;
                return false;
            }
            return (this->*c.handler)(s, expected);
        }
        bool handled = false;
        const bool held = reportCommand(s, expected, handled);
        if (handled) return held;
        bool known = false;
        const bool done = cashdeskStep(s, StepContext{[this] {
                                           refreshActive();
                                           return active_;
                                       }},
                                       expected, known);
        if (known) return done;
        expected = "a known command (" + s.command + " is none)";
        return false;
    }

    // --- the commands -----------------------------------------------------------------

    bool today(const Step& s, std::string& expected) {
        int d = 0, m = 0, y = 0;
        char tail = 0;
        const int32_t day = std::sscanf(s.args[0].c_str(), "%d.%d.%d%c", &d, &m, &y, &tail) == 3
                                ? date::fromYmd(y, m, d)
                                : 0;
        if (day == 0) {
            expected = "a date written DD.MM.YYYY";
            return false;
        }
        clock::setToday(day);
        return true;
    }

    bool start(const Step&, std::string& expected) {
        if (started_) {
            expected = "a program not yet started";
            return false;
        }
        started_ = proc::startEntry([] { shell::ProgramEntry(); });
        if (!started_) expected = "the program entry to start on its thread";
        return started_;
    }

    bool window(const Step& s, std::string& expected) {
        const std::string title = clip(cp::fromUtf8(s.args[0]));
        expected = "the active window titled " + quoted(s.args[0]);
        const bool found = waitFor([&] {
            refreshActive();
            return active_ && clip(active_.title()) == title;
        });
        // Its procedure has taken the opening events (its first refresh is done) and
        // waits for the user.
        return found && active_.settle() == Drive::Ok;
    }

    bool menu(const Step& s, std::string& expected) {
        return act(s.args[0], {ControlKind::Item},
                   "a menu item " + quoted(s.args[0]) + " of the active window", expected);
    }

    bool press(const Step& s, std::string& expected) {
        return act(s.args[0], {ControlKind::Button},
                   "a button " + quoted(s.args[0]) + " in the active window", expected);
    }

    // Makes the newest usable window of this title the active one, as a click on it
    // would (a login window left open behind the main menu it started).
    bool activate(const Step& s, std::string& expected) {
        const std::string title = clip(cp::fromUtf8(s.args[0]));
        expected = "an open window titled " + quoted(s.args[0]) + " that is not blocked";
        WindowDriver found;
        if (!waitFor([&] {
                refreshActive();
                for (const WindowDriver& w : script::windows())
                    if (w.isOpen() && !w.isBlocked() && clip(w.title()) == title) found = w;
                return static_cast<bool>(found);
            }))
            return false;
        active_ = found;
        return active_.settle() == Drive::Ok;
    }

    // The N-th button of that label (a form with several "<-Выбрать").
    bool pressNth(const Step& s, std::string& expected) {
        const int n = std::atoi(s.args[0].c_str());
        expected = "button number " + s.args[0] + " labelled " + quoted(s.args[1]) +
                   " in the active window";
        if (n < 1) return false;
        int feq = 0;
        if (!waitForActive(
                [&] { return (feq = find(active_, s.args[1], {ControlKind::Button}, n)) != 0; }))
            return false;
        const Drive d = active_.press(feq);
        if (d != Drive::Ok)
            expected += std::string(" that can be chosen (") + script::describe(d) + ")";
        return d == Drive::Ok;
    }

    bool set(const Step& s, std::string& expected) {
        expected = "an entry of the active window whose use variable is " + s.args[0];
        if (!waitForActive([&] { return active_.findUse(s.args[0]) != 0; })) return false;
        const int beeps = script::installScriptWindows().beeps();
        const Drive d = active_.type(s.args[0], cp::fromUtf8(s.args[1]));
        if (d != Drive::Ok) {
            expected += " that takes " + quoted(s.args[1]) + " (" + script::describe(d) + ")";
            return false;
        }
        if (script::installScriptWindows().beeps() != beeps) {
            expected =
                "the entry " + s.args[0] + " to take " + quoted(s.args[1]) + " (it was rejected)";
            return false;
        }
        return true;
    }

    // type: as set, but text the entry refuses is no failure (the scenario then checks
    // what the window answered). type-only: the text stays in the field, not yet left.
    bool typeIn(const Step& s, std::string& expected) { return typeText(s, true, expected); }
    bool typeOnly(const Step& s, std::string& expected) { return typeText(s, false, expected); }
    bool typeText(const Step& s, bool leave, std::string& expected) {
        expected = "an entry of the active window whose use variable is " + s.args[0];
        if (!waitForActive([&] { return active_.findUse(s.args[0]) != 0; })) return false;
        const Drive d = active_.type(s.args[0], cp::fromUtf8(s.args[1]), leave);
        if (d == Drive::Ok || d == Drive::Closed) return true;
        expected += std::string(" that can be typed into (") + script::describe(d) + ")";
        return false;
    }

    // expect-focus "NAME": the control with the focus is the entry of that use variable,
    // or the button or list with that label.
    bool expectFocus(const Step& s, std::string& expected) {
        const std::string want = clip(cp::fromUtf8(s.args[0]));
        expected = "the focus on " + quoted(s.args[0]);
        return waitFor([&] {
            refreshActive();
            if (!active_) return false;
            const int f = active_.focused();
            const ui::Control* c = active_.model()->def.find(f);
            return c && (c->use.hasName(s.args[0]) || clip(ui::labelText(c->text)) == want);
        });
    }

    bool expect(const Step& s, std::string& expected) {
        const std::string want = clip(cp::fromUtf8(s.args[1]));
        expected = "the control of " + s.args[0] + " showing " + quoted(s.args[1]);
        return waitFor([&] {
            refreshActive();
            return active_ && active_.findUse(s.args[0]) != 0 && active_.shown(s.args[0]) == want;
        });
    }

    bool expectText(const Step& s, std::string& expected) {
        const std::string want = clip(cp::fromUtf8(s.args[0]));
        expected =
            "a prompt, control or status field of the active window showing " + quoted(s.args[0]);
        return waitFor([&] {
            refreshActive();
            if (!active_) return false;
            for (const ui::Control& c : active_.model()->def.controls)
                if (!active_.hidden(c.feq) && active_.shown(c.feq) == want) return true;
            return false;
        });
    }

    bool expectDisabled(const Step& s, std::string& expected) {
        return expectState(s, false, expected);
    }
    bool expectEnabled(const Step& s, std::string& expected) {
        return expectState(s, true, expected);
    }

    bool expectState(const Step& s, bool enabled, std::string& expected) {
        expected = std::string("the menu item or button ") + quoted(s.args[0]) +
                   (enabled ? " enabled" : " disabled");
        return waitFor([&] {
            refreshActive();
            if (!active_) return false;
            const int feq = find(active_, s.args[0],
                                 {ControlKind::Menu, ControlKind::Item, ControlKind::Button});
            return feq != 0 && active_.enabled(feq) == enabled;
        });
    }

    bool answer(const Step& s, std::string& expected) {
        const std::optional<script::ShownBox> up = boxUp();
        const Drive d = boxes_.reply(cp::fromUtf8(s.args[0]));
        if (d != Drive::Ok) {
            expected = "the procedure to go on after the answer (" +
                       std::string(script::describe(d)) + ")";
            return false;
        }
        if (!up) return true;  // queued for the next box
        for (const script::ShownBox& b : boxes_.shown()) {
            if (b.seq == up->seq && !b.note.empty()) {
                expected = "a button " + quoted(s.args[0]) + " in the box (" + b.note + ")";
                return false;
            }
        }
        return true;
    }

    bool expectMessage(const Step& s, std::string& expected) {
        const std::string want = clip(cp::fromUtf8(s.args[0]));
        expected = "a message box titled " + quoted(s.args[0]);
        return waitFor([&] {
            const std::optional<script::ShownBox> b = boxUp();
            return b && clip(b->caption) == want;
        });
    }

    bool close(const Step&, std::string& expected) {
        expected = "an active window that closes as its close box would";
        if (!waitForActive([] { return true; })) return false;
        const Drive d = active_.closeBox();
        if (d != Drive::Ok) expected += std::string(" (") + script::describe(d) + ")";
        return d == Drive::Ok;
    }

    bool expectWindow(const Step& s, std::string& expected) {
        expected = "a window titled " + quoted(s.args[0]) + " open";
        return waitFor([&] { return anyTitled(s.args[0]); });
    }

    bool expectNoWindow(const Step& s, std::string& expected) {
        expected = "no window titled " + quoted(s.args[0]);
        return waitFor([&] { return !anyTitled(s.args[0]); });
    }

    // load TABLE FILE: creates the table's files when they are missing and adds the
    // records of the CSV file (a path relative to the scenario's folder).
    bool load(const Step& s, std::string& expected) {
        const storage::TableDecl& t = dict::table(s.args[0]);
        const std::filesystem::path csv = options_.baseDir / s.args[1];
        expected = "the records of " + csv.string() + " loaded into " + s.args[0];
        if (t.label.empty()) {
            expected = "a table of the dictionary (" + s.args[0] + " is none)";
            return false;
        }
        std::ifstream in(csv, std::ios::binary);
        if (!in) {
            expected += " (the file cannot be read)";
            return false;
        }
        std::ostringstream err;
        const std::string data = t.diskName + ".DAT";
        if (!std::filesystem::exists(data)) {
            tool::Options create;
            create.path = t.label;
            if (tool::createTable(create, err) != 0) {
                expected += " (" + clip(err.str()) + ")";
                return false;
            }
        }
        tool::Options o;
        o.path = data;
        o.owner = t.owner;
        if (tool::load(o, in, err) != 0) {
            expected += " (" + clip(err.str()) + ")";
            return false;
        }
        return true;
    }

    // key, locate, row, expect-rows, expect-row (list_commands.cpp).
    bool list(const Step& s, std::string& expected) {
        return runListCommand(
            s,
            [this] {
                refreshActive();
                return active_;
            },
            expected);
    }

    // --- helpers ----------------------------------------------------------------------

    // Presses the control of one of `kinds` with this label in the active window.
    bool act(const std::string& label, std::initializer_list<ControlKind> kinds, std::string what,
             std::string& expected) {
        expected = std::move(what);
        int feq = 0;
        if (!waitForActive([&] { return (feq = find(active_, label, kinds)) != 0; })) return false;
        const Drive d = active_.press(feq);
        if (d != Drive::Ok)
            expected += std::string(" that can be chosen (") + script::describe(d) + ")";
        return d == Drive::Ok;
    }

    // The `nth` control of one of `kinds` with this label, in window order.
    static int find(const WindowDriver& w, const std::string& labelUtf8,
                    std::initializer_list<ControlKind> kinds, int nth = 1) {
        const std::string want = clip(cp::fromUtf8(labelUtf8));
        for (const ui::Control& c : w.model()->def.controls)
            if (std::find(kinds.begin(), kinds.end(), c.kind) != kinds.end() &&
                clip(ui::labelText(c.text)) == want && --nth == 0)
                return c.feq;
        return 0;
    }

    bool anyTitled(const std::string& titleUtf8) const {
        const std::string want = clip(cp::fromUtf8(titleUtf8));
        for (const WindowDriver& w : script::windows())
            if (w.isOpen() && clip(w.title()) == want) return true;
        return false;
    }

    // The box waiting for an answer now, if any.
    std::optional<script::ShownBox> boxUp() const {
        for (const script::ShownBox& b : boxes_.shown())
            if (!b.answered) return b;
        return std::nullopt;
    }

    // The active window: a window that opens becomes the active one (the newest of
    // those that opened since the last look, when it is not blocked); when the active
    // window closes or is blocked, the newest usable window takes its place.
    void refreshActive() {
        const std::vector<WindowDriver> open = script::windows();
        uint64_t newest = seen_;
        WindowDriver opened;
        for (const WindowDriver& w : open) {
            const uint64_t serial = w.model()->serial;
            newest = std::max(newest, serial);
            if (serial > seen_ && w.isOpen() && !w.isBlocked()) opened = w;
        }
        seen_ = newest;
        if (opened) {
            active_ = opened;
            return;
        }
        if (active_ && active_.isOpen() && !active_.isBlocked()) return;
        active_ = WindowDriver();
        for (const WindowDriver& w : open)
            if (w.isOpen() && !w.isBlocked()) active_ = w;
    }

    // Waits, as long as an expect does, until there is an active window for which
    // `found` holds, and then until its procedure waits for the user (its first
    // refresh is done): an action after `start` or after one that opens a window
    // needs no `window` step first.
    bool waitForActive(const std::function<bool()>& found) {
        if (!waitFor([&] {
                refreshActive();
                return active_ && found();
            }))
            return false;
        (void)active_.settle();  // a procedure that does not come back shows in the action
        return true;
    }

    static bool waitFor(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + script::timeout();
        for (;;) {
            if (done()) return true;
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(10ms);
        }
    }

    // What the windows and the message boxes show, for a failure.
    std::string shown() {
        refreshActive();
        std::ostringstream out;
        const std::vector<WindowDriver> open = script::windows();
        out << "  windows:" << (open.empty() ? " none" : "") << "\n";
        for (const WindowDriver& w : open) {
            out << "    " << quoted(cp::toUtf8(clip(w.title()))) << " (thread " << w.thread();
            if (active_ && w.model() == active_.model()) out << ", active";
            if (w.isBlocked()) out << ", blocked";
            out << ")\n";
            std::istringstream lines(cp::toUtf8(w.dump()));
            for (std::string line; std::getline(lines, line);) out << "      " << line << "\n";
        }
        const std::optional<script::ShownBox> b = boxUp();
        if (b)
            out << "  message box up: " << quoted(cp::toUtf8(b->caption)) << ": "
                << quoted(cp::toUtf8(b->text)) << "\n";
        return out.str();
    }

    // Ends the program as a user closing every window would, answering the boxes still
    // up with their default button.
    bool endProgram() {
        if (!started_) return true;
        std::set<uint64_t> asked;
        const auto until = std::chrono::steady_clock::now() + kEndWait;
        while (proc::isRunning(proc::kEntryThread) && std::chrono::steady_clock::now() < until) {
            if (const std::optional<script::ShownBox> b = boxUp()) boxes_.answer(b->defaultButton);
            std::vector<WindowDriver> open = script::windows();
            for (auto it = open.rbegin(); it != open.rend(); ++it)
                if (asked.insert(it->model()->serial).second)
                    ui::postEvent(it->model(), ui::Event{ui::ev::CloseDown});
            std::this_thread::sleep_for(20ms);
        }
        return proc::waitAll(std::chrono::duration_cast<std::chrono::milliseconds>(std::max(
            until - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration(100ms))));
    }

    const Options& options_;
    std::ostream& report_;
    script::DriverMessageBox boxes_;
    script::ScriptPrinterSetup printer_;
    msgbox::Backend* previousBoxes_ = nullptr;
    printer::SetupService* previousPrinter_ = nullptr;
    HaltHandler previousHalt_;
    WindowDriver active_;
    uint64_t seen_ = 0;
    bool started_ = false;
};

}  // namespace

bool run(const Script& script, const Options& options, std::ostream& report) {
    Runner r(options, report);
    return r.run(script);
}

}  // namespace kw::scenario
