// What the suites that run the program's procedures share: the fixed date of their
// data sets, procedure threads of their own, bounded waits, and a temporary data
// directory that is the current directory for the length of a test.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "runtime/date.h"
#include "runtime/proc_thread.h"

namespace kwtest {

using namespace std::chrono_literals;

// 08.12.2025, the date the tests run on.
inline const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

// How long a test's drive of a window waits for the procedure to come back. A write
// syncs the journals of every table of its frame: on a disk busy with a parallel test
// (a server's initdb) that can take seconds, and the drivers' default of 5 s made
// passing tests fail now and then. A test that means to wait in vain sets its own.
inline constexpr std::chrono::seconds kDriveTimeout{20};

// Runs `body` on a thread of its own as procedure thread `number` and waits for it.
inline void onThread(int number, const std::function<void()>& body) {
    std::thread t([&] {
        kw::proc::setCurrentThread(number);
        body();
    });
    t.join();
}

// Waits until `done` holds; false after `timeout`.
inline bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Makes a new temporary directory, named from `prefix`, the current directory; `old`
// receives the one before. An empty path when none could be made.
inline std::filesystem::path enterTempDir(const char* prefix, std::filesystem::path& old) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    old = std::filesystem::current_path();
    std::filesystem::current_path(pattern);
    return pattern;
}

// Goes back to `old` and removes `dir` with all it holds.
inline void leaveTempDir(const std::filesystem::path& dir, const std::filesystem::path& old) {
    std::filesystem::current_path(old);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace kwtest
