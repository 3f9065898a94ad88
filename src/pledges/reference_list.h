// ReferenceList: what the lists of the reference tables share: one list of the
// primary table in the order of its first key, the select button and the update
// buttons under it, "Закрыть", and the hand-back of the chosen row.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/window/browse_procedure.h"
#include "framework/window/window_resize_class.h"

namespace kw::pledges {

// Controls of every reference list.
enum ReferenceListControl : int32_t {
    kRefList = 1,
    kRefSelect,
    kRefInsert,
    kRefChange,
    kRefDelete,
    kRefClose,
};

// A column: a field of the primary record, or a variable of the list (Field invalid).
struct RefColumn {
    std::string title;  // CP1251
    int width = 10;
    std::string picture;
    FieldRef field;
    ui::Binding variable;
};

// How a list looks: title and columns; the update buttons' texts ("" none); whether
// they are connected to the browse (a select-only list's delete button is not); the
// view's filter.
struct RefListLook {
    std::string title;
    std::vector<RefColumn> columns;
    std::string insertText, changeText, deleteText;
    bool updates = true;
    std::string filter;
};

class ReferenceList : public BrowseProcedure {
  public:
    ReferenceList(std::string procedureName, std::initializer_list<RelationManager* const*> tables,
                  RelationManager* const* primary, const storage::TableDecl& (*table)());

    Level TakeAccepted() override;

  protected:
    virtual RefListLook Look() = 0;
    // Stores the highlighted row (the record buffer) into the hand-back globals.
    virtual void HandBack() {}
    // Sets the hand-back globals to 0.
    virtual void ClearHandBack() {}
    // The update form (AskProcedure 1); nullptr: the list has none.
    using FormProcedure = void (*)();
    virtual FormProcedure Form() const { return nullptr; }

    // The primary table's declaration.
    const storage::TableDecl& Table() const { return table_(); }

    ui::WindowDef Define() override;
    Level Prepare() override;
    Level Opened() override;
    bool RunUpdate(uint16_t Number) override;

  private:
    RelationManager* const* primary_;
    const storage::TableDecl& (*table_)();
    RefListLook look_;
    WindowResizeClass resizer_;
};

// The columns' widths: the picture's width or the title's, whichever is wider.
int columnWidth(const std::string& titleCp1251, const std::string& picture);

// A column of a FieldList: its title (UTF-8) and picture.
struct FieldColumn {
    const char* title;
    const char* picture;
};

// A maintained list that shows its table's fields and nothing more, column i field i:
// the title and the insert button's text are UTF-8 ("Добавить" with its access key
// marked or not), "&Изменить" and "&Удалить" change and delete. `handBack` and
// `clearHandBack` are the hand-back and its clearing (nullptr: none).
class FieldList : public ReferenceList {
  public:
    FieldList(std::string procedureName, RelationManager* const* primary,
              const storage::TableDecl& (*table)(), const char* title,
              std::vector<FieldColumn> columns, const char* insertText, void (*handBack)(),
              void (*clearHandBack)(), FormProcedure form);

  protected:
    RefListLook Look() override;
    void HandBack() override;
    void ClearHandBack() override;
    FormProcedure Form() const override { return form_; }

  private:
    const char* title_;
    std::vector<FieldColumn> columns_;
    const char* insertText_;
    void (*handBack_)();
    void (*clearHandBack_)();
    FormProcedure form_;
};

}  // namespace kw::pledges
