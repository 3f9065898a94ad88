#include "shell/start.h"

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "shell/procedures.h"
#include "shell/sis.h"

namespace kw::shell {
std::string loginTitle() { return W("Ввод кода пользователя и пароля "); }
}  // namespace kw::shell

namespace {

enum : int {
    kMessage = 1,
    kCodePrompt,
    kCode,
    kPasswordPrompt,
    kPassword,
    kReady,
    kLaunch,
};

constexpr std::size_t kSisStack = 25000;

kw::ui::WindowDef loginDef(kw::FixedString<30>& message) {
    using kw::W;
    using kw::ui::Binding;
    using kw::ui::Control;
    kw::ui::WindowDef s;
    s.title = kw::shell::loginTitle();
    s.resizable = false;
    Control line = Control::prompt("");
    line.use = Binding::of(message).named("MESSAGE");
    line.picture = "s30";
    s.add(line.number(kMessage));
    s.add(Control::prompt(W("Введите: Код пользователя:")).number(kCodePrompt));
    s.add(Control::entry(Binding::of(KOD).named("KOD"), "n2").number(kCode));
    s.add(Control::prompt(W("Пароль:")).number(kPasswordPrompt));
    Control password = Control::entry(Binding::of(PAROL).named("PAROL"), "s10");
    password.password = true;
    s.add(password.number(kPassword));
    // Enter presses whichever of the two is available.
    s.add(Control::button(W("Готово???")).number(kReady).asDefault());
    s.add(Control::button(W("Запуск системы")).number(kLaunch).asDefault().off());
    return s;
}

}  // namespace

void START() {
    class ThisWindowClass : public kw::ProcedureWindow {
    public:
        ThisWindowClass() : ProcedureWindow("start", {&Relate::DAY, &Relate::KLM, &Relate::ZAL}) {}

        kw::ui::WindowDef Define() override { return loginDef(MESSAGE); }

        void Closing() override {
            MESSAGE.clear();
            KOD = 0;
            PAROL.clear();
            MESSAGE_G.clear();
        }

        kw::Level TakeAccepted() override {
            const kw::Level l = WindowManager::TakeAccepted();
            if (l != kw::Level::Benign) return l;
            switch (Win.field()) {
                case kReady:
                    MESSAGE.clear();
                    Win.display(kMessage);
                    Win.enable(kLaunch);
                    Win.disable(kReady);
                    break;
                case kLaunch:
                    (void)Win.update();
                    Update();
                    kw::shell::startProcedure(SIS, kSisStack, kw::W("Запуск системы"));
                    Reset();
                    // The window handles no timer event: this has no visible effect.
                    Win.setTimer(1);
                    break;
                default: break;
            }
            return kw::Level::Benign;
        }

        kw::FixedString<30> MESSAGE;  // the message line
    };

    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
