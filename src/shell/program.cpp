// ProgramEntry: the program's start-up and shut-down around the frame MAIN.
#include "shell/program.h"

#include <string>

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "runtime/halt.h"
#include "runtime/platform.h"
#include "shell/globals.h"
#include "shell/main.h"

namespace kw::shell {

namespace {

StepObserver& observer() {
    static StepObserver o;
    return o;
}

void step(std::string_view name) {
    if (observer()) observer()(name);
}

// While the program has switched full-window dragging off, a halt (a fatal error)
// switches it back on before the process ends, so the user's setting is never lost.
std::function<void()> g_previousHook;

void armDragRestore() {
    // The hook installed before (the program's own) still runs, after the restore.
    g_previousHook = setShutdownHook({});
    setShutdownHook([previous = g_previousHook] {
        int32_t scratch = 0;
        platform::setFullWindowDrag(true, scratch);
        if (previous) previous();
    });
}

void disarmDragRestore() {
    setShutdownHook(std::move(g_previousHook));
}

void startUp() {
    step("GlobalErrors.Init");
    GlobalErrors.Init();
    step("DctInit");
    DctInit();
    step("FuzzyMatcher.Init");
    FuzzyMatcher.Init();
    step("FuzzyMatcher.SetOption(1,1)");
    FuzzyMatcher.SetOption(1, 1);
    step("FuzzyMatcher.SetOption(2,0)");
    FuzzyMatcher.SetOption(2, 0);
    step("INIMgr.Init");
    INIMgr.Init(kIniFileName);
    // A failing call leaves the setting alone: LCurrentFDSetting then stays 0.
    LCurrentFDSetting = 0;
    step("GetFullWindowDrag");
    platform::getFullWindowDrag(LCurrentFDSetting);
    if (LCurrentFDSetting == 1) {
        step("SetFullWindowDrag(0)");
        armDragRestore();
        platform::setFullWindowDrag(false, LAdjFDSetting);
    }
}

void shutDown() {
    step("INIMgr.Update");
    INIMgr.Update();
    if (LCurrentFDSetting == 1) {
        step("SetFullWindowDrag(1)");
        platform::setFullWindowDrag(true, LAdjFDSetting);
        disarmDragRestore();
    }
    step("INIMgr.Kill");
    INIMgr.Kill();
    step("FuzzyMatcher.Kill");
    FuzzyMatcher.Kill();
    step("DctKill");
    DctKill();
    step("GlobalErrors.Kill");
    GlobalErrors.Kill();
}

}  // namespace

void setStepObserver(StepObserver o) {
    observer() = std::move(o);
}

void haltShutDown() {
    (void)INIMgr.Update();
}

void ProgramEntry() {
    startUp();
    step("MAIN");
    MAIN();
    shutDown();
}

}  // namespace kw::shell
