// BrowseClass: set-up, columns, sort orders, the window-component side and tear-down.
#include "framework/window/browse_class.h"

#include <algorithm>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/locator_class.h"
#include "framework/window/popup_class.h"
#include "framework/window/step_class.h"
#include "framework/window/toolbar_class.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"

namespace kw {

namespace ev = ui::ev;
namespace key = ui::key;

BrowseClass::BrowseClass() = default;

BrowseClass::~BrowseClass() = default;

void BrowseClass::Init(int32_t ListControl, storage::View* ViewIn, BrowseQueue& Queue,
                       RelationManager& Relate, WindowManager& WindowIn) {
    Window = &WindowIn;
    ListQueue = &Queue;
    Queue.Free();
    behavior_ = std::make_unique<StandardBehavior>();
    behavior_->Init(WindowIn.Win, ListControl, Queue);
    Behavior = behavior_.get();
    ILC = Behavior;
    ViewManager::Init(ViewIn, Relate, nullptr);
    Sort = Order;
    popup_ = std::make_unique<PopupClass>();
    popup_->Init(WindowIn.Win);
    Popup = popup_.get();
    LastItems = ILC->GetItems();
    CurrentChoice = 0;
    Loaded = 0;
    LoadPending = 0;
    NeedRefresh = 0;
    closed_ = false;
    killed_ = false;
    if (WindowIn.Toolbar) AddToolbarTarget(*WindowIn.Toolbar);
}

int BrowseClass::AddField(const ui::Binding& Variable, int Column) {
    if (Column <= 0) {
        Column = 1;
        for (const BrowseField& f : Fields) Column = std::max(Column, f.Column + 1);
    }
    Fields.push_back(BrowseField{Variable, Column, false});
    if (ListQueue) ListQueue->SetColumnName(Column, Variable.name());
    return Column;
}

int BrowseClass::AddField(const FieldRef& Field, int Column) {
    if (!Field.valid()) return 0;
    const int c = AddField(UseField(*Field.Table, Field.decl().name), Column);
    Fields.back().InRecord = sameTable(Table(), Field.Table);
    return c;
}

uint16_t BrowseClass::AddSortOrder(StepClass* Thumb, const storage::KeyDecl* Key) {
    const uint16_t n = ViewManager::AddSortOrder(Key);
    if (n != 0) Current()->Thumb = Thumb;
    return n;
}

void BrowseClass::AddFields(const storage::TableDecl& Table,
                            std::initializer_list<const char*> Names) {
    for (const char* name : Names) AddField(FieldRef{&Table, Table.fieldNumber(name)});
}

void BrowseClass::AddLocator(LocatorClass* Locator) {
    if (SortOrder* o = Current()) o->Locator = Locator;
}

void BrowseClass::ConnectUpdates(int32_t Insert, int32_t Change, int32_t Delete) {
    InsertControl = Insert;
    ChangeControl = Change;
    DeleteControl = Delete;
    AskProcedure = 1;
}

void BrowseClass::AddResetField(const ui::Binding& Field) {
    if (SortOrder* o = Current()) o->Resets.emplace_back(Field, Field.get());
}

void BrowseClass::AddToolbarTarget(ToolbarClass& T) {
    Toolbar = &T;
    if (!toolbarItem_) toolbarItem_ = std::make_unique<BrowseToolbarClass>(*this);
    ToolbarItem = toolbarItem_.get();
    T.AddTarget(*toolbarItem_, ILC ? ILC->GetControl() : 0);
}

PopupClass& BrowseClass::PopupMenu() {
    if (!popup_) {
        popup_ = std::make_unique<PopupClass>();
        if (Window) popup_->Init(Window->Win);
        Popup = popup_.get();
    }
    return *popup_;
}

void BrowseClass::InitSort(uint16_t Number) {
    (void)ViewManager::SetSort(Number);
}

void BrowseClass::ResetResets() {
    if (SortOrder* o = Current())
        for (auto& r : o->Resets) r.second = r.first.get();
}

uint8_t BrowseClass::UpdateResets() {
    SortOrder* o = Current();
    if (!o) return 0;
    uint8_t changed = 0;
    for (auto& r : o->Resets) {
        const ui::Value now = r.first.get();
        if (now.isText != r.second.isText || expr::compare(now, r.second) != 0) {
            r.second = now;
            changed = 1;
        }
    }
    return changed;
}

// ------------------------------------------------------------------ window component

uint8_t BrowseClass::ResetRequired() {
    if (!Window || killed_) return 0;
    uint8_t due = 0;
    if (Opened && Loaded && ApplyRange()) {
        NeedRefresh = 1;
        restart_ = true;
    }
    if (Loaded && UpdateResets()) NeedRefresh = 1;
    if (NeedRefresh) due = 1;
    if (windowResetDue_) {
        windowResetDue_ = false;
        due = 1;
    }
    return due;
}

void BrowseClass::Reset(uint8_t Force) {
    syncChoice();
    ResetSort(Force);
}

void BrowseClass::SetAlerts() {
    if (!Window || !ILC) return;
    ui::Window& w = Window->Win;
    const int32_t list = ILC->GetControl();
    w.alert(list, key::DoubleClick);
    w.alert(list, key::RightClick);
    if (InsertControl) w.alert(list, key::Insert);
    if (ChangeControl) w.alert(list, key::CtrlEnter);
    if (DeleteControl) w.alert(list, key::Delete);
    if (ViewControl) w.alert(list, key::ShiftEnter);
    // A list opened to choose from chooses the highlighted row on Enter.
    if (Selecting && SelectControl) w.alert(list, key::Enter);
    if (Order)
        for (SortOrder& o : *Order)
            if (o.Locator) o.Locator->SetAlerts(list);
    buildPopup();
    if (HideSelect && SelectControl && !Selecting) w.hide(SelectControl);
}

void BrowseClass::buildPopup() {
    PopupClass& p = PopupMenu();
    p.DeleteAll();
    const std::vector<std::vector<std::pair<const char*, int32_t>>> groups = {
        {{kPopupInsert, InsertControl},
         {kPopupChange, ChangeControl},
         {kPopupDelete, DeleteControl},
         {kPopupView, ViewControl},
         {kPopupPrint, PrintControl}},
        {{kPopupQuery, QueryControl}, {kPopupSelect, Selecting ? SelectControl : 0}},
        {{kPopupToolbox, ToolControl}}};
    bool any = false;
    for (const auto& group : groups) {
        bool separated = false;
        for (const auto& [text, control] : group) {
            if (control == 0) continue;
            if (any && !separated) (void)p.AddItem("-");
            separated = true;
            any = true;
            p.AddItemMimic(p.AddItem(text), control);
            // The toolbox does not offer itself.
            if (control == ToolControl) p.Items.back().OnToolbox = 0;
        }
    }
}

void BrowseClass::Update() {
    SortOrder* o = Current();
    if (o && o->Locator && o->Locator->Control != 0) o->Locator->Update();
}

void BrowseClass::UpdateWindow() {
    if (!Window || !ILC || killed_) return;
    syncChoice();
    if (Loaded) {
        ILC->SetChoice(CurrentChoice);
        UpdateThumb();
    }
    SortOrder* o = Current();
    if (o && o->Locator) o->Locator->UpdateWindow();
}

// ------------------------------------------------------------------ tear-down

void BrowseClass::takeClose() {
    if (closed_ || !Selecting || !Primary || !Primary->Me) return;
    closed_ = true;
    if (Window && Window->Response == resp::Completed) {
        if (SelectWholeRecord)
            (void)UpdateViewRecord();
        else
            UpdateBuffer();
        if (Buffer != 0) Primary->Me->RestoreBuffer(Buffer, 0);
    } else if (Buffer != 0) {
        Primary->Me->RestoreBuffer(Buffer, 1);
    }
    Buffer = 0;
}

void BrowseClass::Kill() {
    if (killed_) return;
    // A window that ended without its close event still obeys the buffer rules.
    takeClose();
    killed_ = true;
    if (Buffer != 0 && Primary && Primary->Me) Primary->Me->RestoreBuffer(Buffer, 0);
    Buffer = 0;
    if (Order) {
        for (SortOrder& o : *Order) {
            if (o.Locator) o.Locator->Destruct();
            if (o.Thumb) o.Thumb->Kill();
        }
    }
    if (Toolbar && toolbarItem_) Toolbar->RemoveTarget(*toolbarItem_);
    if (popup_) popup_->Kill();
    if (ListQueue) ListQueue->Free();
    ViewManager::Kill();
    Sort = nullptr;
}

// ------------------------------------------------------------------ the window's side

void WindowManager::AddItem(BrowseClass& Browse) {
    AddItem(static_cast<WindowComponent&>(Browse));
    if (Request == req::Select) {
        Browse.Selecting = 1;
        // The caller's record, restored when the browse is left without a choice.
        if (Browse.Buffer == 0 && Browse.Primary && Browse.Primary->Me)
            Browse.Buffer = Browse.Primary->Me->SaveBuffer();
    }
}

void AddUpdateButtons(ui::WindowDef& s, int32_t Insert, int32_t Change, int32_t Delete,
                      const char* changeUtf8) {
    s.add(ui::Control::button(W("&Добавить")).number(Insert));
    s.add(ui::Control::button(W(changeUtf8)).number(Change));
    s.add(ui::Control::button(W("&Удалить")).number(Delete));
}

}  // namespace kw
