#include "pledges/reference_list.h"

#include <algorithm>

#include "runtime/codepage.h"
#include "runtime/picture.h"

namespace kw::pledges {

int columnWidth(const std::string& titleCp1251, const std::string& picture) {
    const picture::Picture p = picture::parse(picture);
    return std::max<int>(p.width, static_cast<int>(ui::labelText(titleCp1251).size())) + 1;
}

ReferenceList::ReferenceList(std::string procedureName,
                             std::initializer_list<RelationManager* const*> tables,
                             RelationManager* const* primary, const storage::TableDecl& (*table)())
    : BrowseProcedure(std::move(procedureName), tables), primary_(primary), table_(table) {}

ui::WindowDef ReferenceList::Define() {
    using ui::Control;
    look_ = Look();
    ui::WindowDef s;
    s.title = look_.title;
    std::vector<ui::Column> columns;
    for (const RefColumn& c : look_.columns) columns.push_back({c.title, c.width, c.picture});
    s.add(Control::list(columns, nullptr, 12).number(kRefList));
    // Enter on the list chooses the row when the list was opened to select.
    s.add(Control::button(W("&Выбрать")).number(kRefSelect).asDefault());
    if (!look_.insertText.empty()) s.add(Control::button(look_.insertText).number(kRefInsert));
    if (!look_.changeText.empty()) s.add(Control::button(look_.changeText).number(kRefChange));
    if (!look_.deleteText.empty()) s.add(Control::button(look_.deleteText).number(kRefDelete));
    s.add(Control::button(W("Закрыть")).number(kRefClose));
    return s;
}

Level ReferenceList::Prepare() {
    if (Request == req::Select) ClearHandBack();
    return Level::Benign;
}

Level ReferenceList::Opened() {
    const storage::TableDecl& t = table_();
    InitBrowse(kRefList, **primary_, t.keys[0]);
    if (!look_.filter.empty()) BRW1.SetFilter(look_.filter);
    for (const RefColumn& c : look_.columns) {
        if (c.field.valid())
            BRW1.AddField(c.field);
        else
            BRW1.AddField(c.variable);
    }
    BRW1.SelectControl = kRefSelect;
    // The select button is there only for a caller that asked to select.
    BRW1.HideSelect = 1;
    if (look_.updates && Form() && Request != req::View) {
        BRW1.ConnectUpdates(look_.insertText.empty() ? 0 : kRefInsert,
                            look_.changeText.empty() ? 0 : kRefChange,
                            look_.deleteText.empty() ? 0 : kRefDelete);
    }
    AddItem(kRefClose, resp::Cancelled);
    AddItem(BRW1);
    resizer_.Init(Win, resize::Spread, 1, 0);
    AddItem(resizer_);
    return Level::Benign;
}

Level ReferenceList::TakeAccepted() {
    // Before the browse's own handling of the button, which closes the list.
    if (Win.field() == kRefSelect && BRW1.Selecting) {
        // A highlight the user moved and the browse has not taken yet counts.
        BRW1.TakeNewSelection();
        HandBack();
    }
    return BrowseProcedure::TakeAccepted();
}

bool ReferenceList::RunUpdate(uint16_t Number) {
    const FormProcedure form = Form();
    if (Number != 1 || !form) return false;
    form();
    return true;
}

FieldList::FieldList(std::string procedureName, RelationManager* const* primary,
                     const storage::TableDecl& (*table)(), const char* title,
                     std::vector<FieldColumn> columns, const char* insertText, void (*handBack)(),
                     void (*clearHandBack)(), FormProcedure form)
    : ReferenceList(std::move(procedureName), {primary}, primary, table),
      title_(title),
      columns_(std::move(columns)),
      insertText_(insertText),
      handBack_(handBack),
      clearHandBack_(clearHandBack),
      form_(form) {}

RefListLook FieldList::Look() {
    const storage::TableDecl& t = Table();
    RefListLook l;
    l.title = W(title_);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const std::string title = W(columns_[i].title);
        const int field = static_cast<int>(i) + 1;
        l.columns.push_back(
            {title, columnWidth(title, columns_[i].picture), columns_[i].picture, {&t, field}, {}});
    }
    l.insertText = W(insertText_);
    l.changeText = W("&Изменить");
    l.deleteText = W("&Удалить");
    return l;
}

void FieldList::HandBack() {
    if (handBack_) handBack_();
}

void FieldList::ClearHandBack() {
    if (clearHandBack_) clearHandBack_();
}

}  // namespace kw::pledges
