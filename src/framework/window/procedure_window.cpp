#include "framework/window/procedure_window.h"

#include "framework/data/error_class.h"
#include "framework/data/relation_manager.h"
#include "runtime/assertion.h"
#include "runtime/codepage.h"

namespace kw {

void AddFormRows(ui::WindowDef& s, const storage::TableDecl& table, int32_t first,
                 const std::vector<FormRow>& rows) {
    for (const FormRow& r : rows) {
        s.add(ui::Control::prompt(W(r.prompt)).number(first++));
        if (r.field) s.add(ui::Control::entry(UseField(table, r.field), r.picture).number(first++));
    }
}

void AddOkClose(ui::WindowDef& s, int32_t okControl, int32_t closeControl, const char* closeUtf8) {
    s.add(ui::Control::button("OK").number(okControl).asDefault());
    s.add(ui::Control::button(W(closeUtf8)).number(closeControl));
}

ProcedureWindow::ProcedureWindow(std::string procedureName,
                                 std::initializer_list<RelationManager* const*> tables)
    : name_(std::move(procedureName)), tables_(tables) {}

Level ProcedureWindow::Init() {
    GlobalErrors.SetProcedureName(name_);
    named_ = true;
    Request = GlobalRequest;
    Level l = WindowManager::Init();
    if (l != Level::Benign) return l;
    VCRRequest = &::VCRRequest;
    GlobalRequest = 0;
    for (RelationManager* const* t : tables_)
        if (*t) (void)(*t)->Open();
    FilesOpened = 1;
    l = Prepare();
    if (l != Level::Benign) return l;
    if (!OpenWindow(Define())) {
        // A window that cannot open is the program's own fault (a definition that is
        // not sound): said, not swallowed.
        assertion::fail("window of " + name_ + ": " + Win.error(), __FILE__, __LINE__);
        return Level::Notify;
    }
    l = Opened();
    if (l != Level::Benign) return l;
    const ui::WindowDef& def = Win.isOpen() ? Win.model()->def : ui::WindowDef{};
    if (!Resize && Win.isOpen() && def.resizable && !def.frame &&
        firstSize_.Init(Win, resize::Spread, 1, 0))
        AddItem(firstSize_);
    SetAlerts();
    return Level::Benign;
}

Level ProcedureWindow::Kill() {
    const Level l = WindowManager::Kill();
    if (l != Level::Benign) return l;
    Closing();
    if (FilesOpened) {
        for (auto t = tables_.rbegin(); t != tables_.rend(); ++t)
            if (**t) (void)(**t)->Close();
        FilesOpened = 0;
    }
    if (named_) GlobalErrors.SetProcedureName();
    named_ = false;
    return l;
}

}  // namespace kw
