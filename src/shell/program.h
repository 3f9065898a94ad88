// The program entry: start-up, the application frame, shut-down.
//
// Start-up: GlobalErrors, the dictionary's managers (DctInit), FuzzyMatcher, INIMgr on
// "kestrowd.INI" in the current directory, and the system's full-window-drag setting,
// which is switched off while the program runs when it was on. Then MAIN runs until the
// frame closes. Shut-down undoes it all in reverse order: INIMgr writes its file, the
// drag setting is switched back on (when it was on), INIMgr and FuzzyMatcher are
// killed, DctKill, and GlobalErrors last. No data file is opened.
#pragma once

#include <functional>
#include <string_view>

namespace kw::shell {

inline constexpr std::string_view kIniFileName = "kestrowd.INI";

// Runs on procedure thread 1 and returns when the frame has closed.
void ProgramEntry();

// The part of the shut-down that still makes sense when the program is ended by a halt
// (a fatal error) instead of through the frame: INIMgr writes its file. Safe from any
// thread; does nothing before start-up or after the shut-down.
void haltShutDown();

// Receives the name of each step of ProgramEntry as it is taken: "GlobalErrors.Init",
// "DctInit", "FuzzyMatcher.Init", "FuzzyMatcher.SetOption(1,1)",
// "FuzzyMatcher.SetOption(2,0)", "INIMgr.Init", "GetFullWindowDrag",
// "SetFullWindowDrag(0)", "MAIN", "INIMgr.Update", "SetFullWindowDrag(1)",
// "INIMgr.Kill", "FuzzyMatcher.Kill", "DctKill", "GlobalErrors.Kill". For diagnostics
// and tests; empty by default. Set it only while the entry is not running.
using StepObserver = std::function<void(std::string_view step)>;
void setStepObserver(StepObserver observer);

}  // namespace kw::shell
