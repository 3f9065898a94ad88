#include "runtime/assertion.h"

#include <deque>
#include <mutex>

#include "runtime/message_box.h"
#include "runtime/proc_thread.h"

namespace kw::assertion {

namespace {

std::mutex g_mu;
std::deque<Report> g_reports;
std::size_t g_count = 0;

std::string baseName(const char* file) {
    std::string_view f = file ? file : "";
    std::size_t slash = f.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? f : f.substr(slash + 1));
}

}  // namespace

void fail(std::string_view text, const char* file, int line) {
    Report r{std::string(text), baseName(file), line, proc::currentThread()};
    {
        std::lock_guard lock(g_mu);
        g_reports.push_back(r);
        if (g_reports.size() > kKeptReports) g_reports.pop_front();
        ++g_count;
    }
    std::string shown = r.text + "||File: " + r.file + "   Line: " + std::to_string(r.line);
    msgbox::show(shown, kCaption, msgbox::Icon::Stop, msgbox::Ok, msgbox::Ok);
}

std::vector<Report> reports() {
    std::lock_guard lock(g_mu);
    return {g_reports.begin(), g_reports.end()};
}

std::size_t reportCount() {
    std::lock_guard lock(g_mu);
    return g_count;
}

void clearReports() {
    std::lock_guard lock(g_mu);
    g_reports.clear();
    g_count = 0;
}

}  // namespace kw::assertion
