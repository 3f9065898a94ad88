// F_PR: the small window "печать билета" from which a pledge form prints the ticket.
#include "documents/f_pr.h"

#include "dictionary/zal.h"
#include "documents/print_globals.h"
#include "framework/data/error_class.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"

namespace {

enum : int { kPrint = 1, kOk, kClose };

kw::ui::WindowDef printDef() {
    using kw::W;
    using kw::ui::Control;
    kw::ui::WindowDef s;
    s.title = W("печать билета");
    s.resizable = false;
    s.add(Control::button(W("Распечатать билет")).number(kPrint).asDefault());
    s.add(Control::button("OK").number(kOk));
    s.add(Control::button(W("Закрыть")).number(kClose));
    return s;
}

}  // namespace

void F_PR() {
    class ThisWindowClass : public kw::WindowManager {
      public:
        kw::Level Init() override {
            GlobalErrors.SetProcedureName("F_PR");
            named_ = true;
            Request = GlobalRequest;
            const kw::Level l = WindowManager::Init();
            if (l != kw::Level::Benign) return l;
            GlobalRequest = 0;
            if (!OpenWindow(printDef())) return kw::Level::Notify;
            AddItem(kClose, kw::resp::Cancelled);
            SetAlerts();
            return kw::Level::Benign;
        }

        kw::Level Kill() override {
            const kw::Level l = WindowManager::Kill();
            if (l == kw::Level::Benign && named_) GlobalErrors.SetProcedureName();
            named_ = false;
            return l;
        }

        kw::Level TakeAccepted() override {
            const kw::Level l = WindowManager::TakeAccepted();
            if (l != kw::Level::Benign) return l;
            switch (Win.field()) {
                case kPrint:
                    // The close takes effect once this button's handling is done.
                    Win.post(kw::ui::ev::CloseWindow);
                    (void)Win.update();
                    kw::documents::printTicket(ZAL);
                    break;
                case kOk:
                    if (OriginalRequest == kw::req::View) SetResponse(kw::resp::Completed);
                    break;
                default:
                    break;
            }
            return kw::Level::Benign;
        }

      private:
        bool named_ = false;
    };

    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
