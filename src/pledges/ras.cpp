// RAS: the information window that the calculate buttons of the pledge forms open; the
// calculation itself is the calling form's refresh. It writes nothing.
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/window/procedure_window.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

namespace {

enum : int32_t { kFirstLine = 1, kOk = 7, kClose };

class RasWindow : public kw::ProcedureWindow {
  public:
    RasWindow() : ProcedureWindow("RAS", {&Relate::KBP}) {}

    kw::Level Prepare() override {
        switch (Request) {
            case kw::req::Insert:
                (void)GlobalErrors.Throw(20);
                return kw::Level::Notify;
            case kw::req::Change:
                (void)GlobalErrors.Throw(38);
                return kw::Level::Notify;
            case kw::req::Delete:
                (void)GlobalErrors.Throw(12);
                return kw::Level::Notify;
            default:
                break;
        }
        AddItem(kOk, kw::resp::Completed);
        AddItem(kClose, kw::resp::Completed);
        return kw::Level::Benign;
    }

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = W("Расчет параметров ссуды");
        s.resizable = false;
        for (const char* line :
             {"Для выполнения расчета нажмите ОК", "-эти поля рассчитываются автоматически",
              "исходя из формул и значений из настроек",
              "Если данные уже записаны в базу,то для корректировки",
              "их значений необходимо удалить старое значение", "и заново выполнить расчет"})
            s.add(Control::prompt(W(line)));
        kw::AddOkClose(s, kOk, kClose, "ОК");
        return s;
    }
};

}  // namespace

void RAS() {
    RasWindow ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
