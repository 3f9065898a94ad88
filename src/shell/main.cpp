// MAIN: the application frame; its menu offers the printer set-up, the exit and the login
// window START. Closing it ends the program.
#include "shell/main.h"

#include <chrono>
#include <set>

#include "framework/data/error_class.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "runtime/printer_setup.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/window_events.h"
#include "shell/globals.h"
#include "shell/procedures.h"
#include "shell/start.h"

namespace kw::shell {

std::string frameTitle() {
    return W("Автоматизация работы ломбарда");
}

void closeOtherProcedures() {
    const int me = proc::currentThread();
    std::set<uint64_t> asked;  // windows (by opening serial) already told to close
    for (;;) {
        bool others = false;
        for (int n = 2; n <= proc::kMaxThread && !others; ++n)
            others = n != me && proc::isRunning(n);
        if (!others) return;
        for (const auto& w : ui::openWindows()) {
            if (w->ownerNumber == me || !asked.insert(w->serial).second) continue;
            ui::postEvent(w, ui::Event{ui::ev::CloseDown});
        }
        for (int n = 2; n <= proc::kMaxThread; ++n) {
            if (n == me || !proc::isRunning(n)) continue;
            (void)proc::wait(n, std::chrono::milliseconds(100));
            break;
        }
    }
}

}  // namespace kw::shell

namespace {

// The frame's controls.
enum : int {
    kPrinterMenu = 1,
    kPrinterSetup,
    kExit,
    kStartMenu,
    kLogin,
};

constexpr std::size_t kStartStack = 25000;

kw::ui::WindowDef frameDef() {
    using kw::W;
    using kw::ui::Control;
    kw::ui::WindowDef s;
    s.title = kw::shell::frameTitle();
    s.icon = "Lsg5.ico";
    s.picture = "Lsg8.bmp";
    s.frame = true;
    s.width = 110;
    s.height = 26;
    s.begin(Control::menu(W("&Установка принтера")).number(kPrinterMenu));
    s.add(Control::item(W("&Выбор и установки принтера"), "Setup printer").number(kPrinterSetup));
    s.add(Control::item(W("Выход"), "Exit this application").number(kExit));
    s.end();
    s.begin(Control::menu(W("&Запуск системы")).number(kStartMenu));
    s.add(Control::item(W("Ввод кода и пароля для запуска системы"),
                        "Remove item to Windows Clipboard")
              .number(kLogin));
    s.end();
    return s;
}

}  // namespace

void MAIN() {
    class ThisWindowClass : public kw::ProcedureWindow {
      public:
        ThisWindowClass() : ProcedureWindow("Main", {}) {}

        kw::ui::WindowDef Define() override {
            GlobalResponse = 0;
            return frameDef();
        }

        kw::Level TakeAccepted() override {
            const kw::Level l = WindowManager::TakeAccepted();
            if (l != kw::Level::Benign) return l;
            switch (Win.field()) {
                case kPrinterSetup:
                    (void)kw::printer::setup(kw::W("Выбор и установки принтера"));
                    break;
                case kExit:
                    Win.post(kw::ui::ev::CloseWindow);
                    break;
                case kLogin:
                    kw::shell::startProcedure(START, kStartStack, kw::W("Запуск системы"));
                    break;
                default:
                    break;
            }
            return kw::Level::Benign;
        }
    };

    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
    kw::shell::closeOtherProcedures();
}
