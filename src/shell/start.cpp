// START: the login window, which checks the user's code and password and opens SIS.
#include "shell/start.h"

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/audit_stamp.h"
#include "shell/globals.h"
#include "shell/procedures.h"
#include "shell/sis.h"
#include "shell/user_check.h"
#include "shell/users.h"

namespace kw::shell {
std::string loginTitle() {
    return W("Ввод кода пользователя и пароля ");
}
std::string loginRefusedText() {
    return W("Неверный код или пароль");
}
std::string passwordChangedText() {
    return W("Пароль изменен");
}
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
    kChangePassword,
};

constexpr std::size_t kSisStack = 25000;
// Wrong tries in a row after which the window closes: guessing means opening it again.
constexpr int kWrongTriesAllowed = 3;

// `code`: what the code entry holds (the window's own value, under the name KOD).
kw::ui::WindowDef loginDef(kw::FixedString<30>& message, uint8_t& code) {
    using kw::W;
    using kw::ui::Binding;
    using kw::ui::Control;
    kw::ui::WindowDef s;
    s.title = kw::shell::loginTitle();
    s.resizable = false;
    s.add(Control::promptOf(Binding::of(message).named("MESSAGE"), "s30").number(kMessage));
    s.add(Control::prompt(W("Введите: Код пользователя:")).number(kCodePrompt));
    s.add(Control::entry(Binding::of(code).named("KOD"), "n2").number(kCode));
    s.add(Control::prompt(W("Пароль:")).number(kPasswordPrompt));
    s.add(Control::entry(Binding::of(PAROL).named("PAROL"), "s10").masked().number(kPassword));
    // Enter presses whichever of the two is available.
    s.add(Control::button(W("Готово???")).number(kReady).asDefault());
    s.add(Control::button(W("Запуск системы")).number(kLaunch).asDefault().off());
    s.add(Control::button(W("Сменить пароль")).number(kChangePassword));
    return s;
}

// The login window.
class Login : public kw::ProcedureWindow {
  public:
    Login() : ProcedureWindow("start", {&Relate::DAY, &Relate::KLM, &Relate::ZAL, &Relate::SEC}) {}

    kw::ui::WindowDef Define() override { return loginDef(MESSAGE, code_); }

    // The code entry starts with the code of the user now.
    kw::Level Prepare() override {
        code_ = KOD;
        return kw::Level::Benign;
    }

    // A window closed by the user ends the session of its code; one closed after
    // refused tries leaves the user of an open menu as it was.
    void Closing() override {
        MESSAGE.clear();
        if (!refusedOut_) KOD = 0;
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
                if (!admitted()) break;
                kw::shell::startProcedure(SIS, kSisStack, kw::W("Запуск системы"));
                Reset();
                // The window handles no timer event: this has no visible effect.
                Win.setTimer(1);
                break;
            case kChangePassword:
                (void)Win.update();
                Update();
                changePassword();
                break;
            default:
                break;
        }
        return kw::Level::Benign;
    }

    // Whether the code and the password typed open the main menu; only then does
    // the code become the user's (KOD), which an open menu reads at every refresh.
    bool admitted() {
        switch (kw::shell::checkUser(code_, PAROL)) {
            case kw::shell::UserCheck::Admitted:
                KOD = code_;
                wrongTries_ = 0;
                MESSAGE.clear();
                Win.display(kMessage);
                return true;
            case kw::shell::UserCheck::Unreadable:
                // Not the user's mistake: the file manager has said what is wrong.
                return false;
            case kw::shell::UserCheck::Refused:
                break;
        }
        refuse(kw::W("Вход в систему"));
        return false;
    }

    // The change of the user's own password; a wrong code or old password counts
    // as a wrong try of the login.
    void changePassword() {
        switch (SM_PAROL(code_)) {
            case kw::shell::PasswordChange::Changed:
                MESSAGE.assign(kw::shell::passwordChangedText());
                PAROL.clear();
                wrongTries_ = 0;
                Win.display();
                break;
            case kw::shell::PasswordChange::Refused:
                refuse(kw::W("Смена пароля"));
                break;
            case kw::shell::PasswordChange::Cancelled:
                break;
        }
    }

    // A refusal is journalled, said on the message line (never repeating the
    // password), clears the password and puts the cursor back into it; the third
    // in a row closes the window. `what`: what was refused (CP1251).
    void refuse(const std::string& what) {
        // The journal keeps the refusal. One that cannot be written changes nothing
        // the user is told: the next change of data meets the same journal and is
        // refused with its reason.
        (void)kw::shell::auditLoginRefused(code_, what);
        MESSAGE.assign(kw::shell::loginRefusedText());
        Win.display(kMessage);
        PAROL.clear();
        Win.display(kPassword);
        Win.select(kPassword);
        if (++wrongTries_ >= kWrongTriesAllowed) {
            refusedOut_ = true;
            SetResponse(kw::resp::Cancelled);
        }
    }

    kw::FixedString<30> MESSAGE;  // the message line
    uint8_t code_ = 0;            // the code typed
    int wrongTries_ = 0;          // refused launches since the last admitted one
    bool refusedOut_ = false;     // closed by the refused tries
};

}  // namespace

void START() {
    Login ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
