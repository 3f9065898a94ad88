#include "report_commands.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "runtime/codepage.h"
#include "runtime/report.h"
#include "runtime/script/script_driver.h"
#include "runtime/script/script_report.h"

#ifdef KW_SCENARIO_QT
#include <QGuiApplication>

#include "runtime/qt/qt_report.h"
#endif

namespace kw::scenario {

namespace {

using namespace std::chrono_literals;

// The last report once there is one (a report ends on its procedure's thread).
std::shared_ptr<const report::Document> lastReport(
    const std::function<bool(const report::Document&)>& holds) {
    const auto until = std::chrono::steady_clock::now() + script::timeout();
    for (;;) {
        auto doc = report::lastDocument();
        if (doc && holds(*doc)) return doc;
        if (std::chrono::steady_clock::now() > until) return doc;
        std::this_thread::sleep_for(10ms);
    }
}

bool number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return end && *end == 0 && !text.empty();
}

bool expectReport(const Step& s, std::string& expected) {
    const std::string want = cp::fromUtf8(s.args[0]);
    expected = "the last report to hold \"" + s.args[0] + "\" on some page";
    const auto doc = lastReport([&](const report::Document& d) { return d.contains(want); });
    return doc && doc->contains(want);
}

bool expectReportAt(const Step& s, std::string& expected) {
    double x = 0, y = 0;
    expected = "expect-report-at X Y \"TEXT\" with X and Y in millimetres";
    if (!number(s.args[0], x) || !number(s.args[1], y)) return false;
    const std::string want = cp::fromUtf8(s.args[2]);
    expected = "the last report's page 1 to hold \"" + s.args[2] + "\" starting within 1 mm of (" +
               s.args[0] + ", " + s.args[1] + ")";
    auto at = [&](const report::Document& d) {
        if (d.pages.empty()) return false;
        for (const report::Drawn& i : d.pages[0].items)
            if (i.kind == report::ItemKind::Text && i.text.compare(0, want.size(), want) == 0 &&
                std::fabs(i.x - x) <= 1 && std::fabs(i.y - y) <= 1)
                return true;
        return false;
    };
    const auto doc = lastReport(at);
    return doc && at(*doc);
}

bool expectPages(const Step& s, std::string& expected) {
    double n = 0;
    expected = "expect-pages N";
    if (!number(s.args[0], n)) return false;
    expected = "the last report to have " + s.args[0] + " pages";
    auto holds = [&](const report::Document& d) {
        return static_cast<double>(d.pages.size()) == n;
    };
    const auto doc = lastReport(holds);
    if (doc) expected += " (it has " + std::to_string(doc->pages.size()) + ")";
    return doc && holds(*doc);
}

bool saveReport(const Step& s, std::string& expected) {
    expected = "the last report written to " + s.args[0];
    const auto doc = lastReport([](const report::Document&) { return true; });
    if (!doc) return false;
#ifdef KW_SCENARIO_QT
    // The Qt back end draws offscreen: fonts need an application, made once here.
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "kestrowd-scenario";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);  // lives to the end of the run
    }
    std::string error;
    if (qt::QtReport().writePdf(*doc, {}, s.args[0], error)) return true;
    expected += " (" + error + ")";
    return false;
#else
    expected += " (this build has no Qt back end)";
    return false;
#endif
}

}  // namespace

void installReportBackend() {
    script::installScriptReport();
}

bool reportCommand(const Step& s, std::string& expected, bool& handled) {
    struct Command {
        const char* name;
        std::size_t args;
        bool (*run)(const Step&, std::string&);
        const char* usage;
    };
    static const Command commands[] = {
        {"expect-report", 1, expectReport, "expect-report \"TEXT\""},
        {"expect-report-at", 3, expectReportAt, "expect-report-at X Y \"TEXT\""},
        {"expect-pages", 1, expectPages, "expect-pages N"},
        {"save-report", 1, saveReport, "save-report PATH.pdf"},
    };
    handled = false;
    for (const Command& c : commands) {
        if (s.command != c.name) continue;
        handled = true;
        if (s.args.size() != c.args) {
            expected = std::string("the command written as: ") + c.usage;
            return false;
        }
        return c.run(s, expected);
    }
    return false;
}

}  // namespace kw::scenario
