// PKL_FORM: adds, changes or deletes one remembered client.
#include "dictionary/pkl.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "runtime/codepage.h"
#include "shell/globals.h"
#include "shell/small_forms.h"

namespace kw::shell {
std::string pklFormTitle() {
    return W("Ввод-корректировка-удаление");
}
}  // namespace kw::shell

namespace {

class PklForm : public kw::RowsForm {
  public:
    PklForm()
        : RowsForm(
              "PKL_FORM", &Relate::PKL, kw::dict::pklTable, kw::shell::pklFormTitle(),
              {{"Ф И О:", "FIO", "s60"}, {"Адрес:", "ADR", "s60"}, {"Паспорт:", "PAS", "s60"}}) {}

  protected:
    // The request's caption; a new record is marked so.
    kw::RequestCaptions Captions() const override {
        kw::RequestCaptions c = kw::RequestCaptions::Standard();
        c.Insert += "  (New)";
        return c;
    }
};

}  // namespace

void PKL_FORM() {
    PklForm ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
