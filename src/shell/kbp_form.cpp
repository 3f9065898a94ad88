// KBP_FORM: the pawnshop's details and default tariffs, the first record of KBP.
#include <string>

#include "dictionary/kbp.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "framework/window/window_resize_class.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "shell/small_forms.h"

namespace kw::shell {
std::string kbpTitle() {
    return W("Основные параметры ломбарда");
}
}  // namespace kw::shell

namespace {

using kw::W;
using kw::ui::Control;

enum : int32_t { kMessage = 200, kOk, kClose };

// A prompt and the entry of KBP field `name` with its dictionary picture; `beside`
// puts the pair on the row of the one before. `width`: the entry's width in characters
// when narrower than its picture.
void field(kw::ui::WindowDef& s, const char* promptUtf8, const char* name, bool beside = false,
           int width = 0, const char* tipUtf8 = nullptr) {
    const kw::storage::TableDecl& t = kw::dict::kbpTable();
    const kw::storage::FieldDecl& f = t.field(t.fieldNumber(name));
    Control p = Control::prompt(W(promptUtf8));
    if (beside) p.beside();
    s.add(p);
    Control e = Control::entry(kw::UseField(t, name), f.picture, width);
    if (tipUtf8) e.tip = W(tipUtf8);
    s.add(e);
}

kw::ui::WindowDef kbpDef(kw::FixedString<40>& message) {
    kw::ui::WindowDef s;
    s.title = kw::shell::kbpTitle();
    // Two columns, so the form fits a cash desk's screen: the pawnshop and its defaults
    // on the left, the rates and the prolongations on the right.
    s.begin(Control::group(""));
    field(s, "Наименование:", "NAME");
    field(s, "Адрес:", "ADR", false, 60);
    field(s, "Телефоны:", "TEL");
    field(s, "ФИО нотариуса:", "FIO_N");
    field(s, "Номер лицензии:", "N_LIZ");
    field(s, "%% за услуги:", "N_PROZ");

    s.begin(Control::group(W("Параметры по умолчанию:")));
    field(s, "Кол-во дней хранения:", "KDZ");
    field(s, "Процент для расчета ссуды:", "PRO_S");
    field(s, "Процент за день хранения:", "PDX");
    field(s, "Повышающий коэффициент %% за просрочку:", "P0");
    field(s, "Досрочный выкуп: кол-во дней(<=)", "SD");
    field(s, "Сумма(<=)", "SW", true);
    s.end();
    s.end();

    s.begin(Control::group("").beside());
    s.begin(Control::group(W("Процент по ссуде за день в зависимости от суммы:")));
    for (int band = 1; band <= 5; ++band) {
        const std::string n = std::to_string(band);
        field(s, "От", ("S" + n + "1").c_str());
        field(s, "До", ("S" + n + "2").c_str(), true);
        field(s, "Процент", ("PS" + n).c_str(), true);
    }
    s.end();

    field(s, "Примечание по умолчанию:", "S_NAD");

    s.begin(Control::group(W("Перезалоги:")));
    for (int k = 1; k <= 3; ++k) {
        const std::string n = std::to_string(k);
        field(s, (n + " перезалог:").c_str(), ("P" + n + n).c_str(), false, 0,
              "Повышающий коэффициент %% по ссуде");
        field(s, "коэф. пени:", ("P" + n).c_str(), true, 0,
              "Повышающий коэффициент %% за просрочку");
        field(s, "кол-во дней(<=)", ("SD" + n).c_str(), true, 0, "Досрочный выкуп: кол-во дней");
        field(s, "Сумма(<=)", ("SW" + n).c_str(), true, 0, "Досрочный выкуп: сумма");
    }
    s.end();

    field(s, "Начальный номер билета:", "S_N");
    field(s, "Начальный остаток в кассе:", "KAS_N");
    s.end();

    s.add(Control::prompt(W("Для записи в базу нажмите ОК")));
    s.add(Control::promptOf(kw::ui::Binding::of(message).named("MESSAGE"), "s40").number(kMessage));
    kw::AddOkClose(s, kOk, kClose);
    return s;
}

class KbpForm : public kw::ProcedureWindow {
  public:
    KbpForm() : ProcedureWindow("KBP_FORM", {&Relate::KBP}) {}

    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l != kw::Level::Benign) return l;
        if (Win.field() == kOk) {
            MESSAGE.clear();
            Win.display(kMessage);
            // Every entry is checked first; the write follows on Completed.
            Win.selectAll();
        }
        return kw::Level::Benign;
    }

    kw::Level TakeCompleted() override {
        if (write()) {
            MESSAGE.assign(W("Задание выполнено"));
            read();
            if (Request == kw::req::View) {
                SetResponse(kw::resp::Completed);
                return kw::Level::Benign;
            }
        }
        Win.display();
        return kw::Level::Benign;
    }

  protected:
    kw::ui::WindowDef Define() override { return kbpDef(MESSAGE); }

    kw::Level Prepare() override {
        AddItem(kClose, kw::resp::Cancelled);
        read();
        return kw::Level::Benign;
    }

    kw::Level Opened() override {
        resizer_.Init(Win, kw::resize::Spread, 1, 0);
        AddItem(resizer_);
        return kw::Level::Benign;
    }

  private:
    // The first record in file order into KBP; a cleared KBP when the file is empty.
    void read() {
        found_ = false;
        if (Access::KBP->UseFile() == kw::Level::Benign && Access::KBP->File->set(0).ok() &&
            Access::KBP->TryNext() == kw::Level::Benign) {
            found_ = true;
            return;
        }
        kw::field::clearRecord(kw::dict::kbpTable());
    }

    // The form's values over the record read, or as the first record of an empty file;
    // a failure is reported by the error manager.
    bool write() {
        return (found_ ? Access::KBP->Update() : Access::KBP->Insert()) == kw::Level::Benign;
    }

    kw::FixedString<40> MESSAGE;  // "Задание выполнено" after a write
    bool found_ = false;          // KBP holds the first record of the file
    kw::WindowResizeClass resizer_;
};

}  // namespace

void KBP_FORM() {
    KbpForm ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
