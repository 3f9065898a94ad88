// ViewManager: the view of a browse (or of a batch pass) over its primary table, with
// the sort orders the procedure offers, the range of each order and its filters.
//
// Each sort order is an order of the view (a key's components, built by the file
// manager's KeyToOrder, possibly with further components appended), a range that fixes
// leading components of that order, and named filters; exactly one order is current.
// The view's filter is built from the current order's range and filters (ApplyFilter)
// and evaluated by the view on every record it reads, with the program's variables and
// the record buffers of every table of the dictionary bound by name.
//
// Failures to read are thrown through the primary file manager: message 1 ("Record
// Retrieval Error") when a read fails, 40 ("View Open Error") when the view cannot be
// opened or its order or filter cannot be applied; a filter that does not parse then
// leaves the view without records. Internal errors (no view, an unknown sort order) go
// to the assertion service.
//
// Runs on the procedure thread that owns the record buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/field_value.h"
#include "runtime/binding.h"
#include "runtime/expression.h"
#include "runtime/level.h"
#include "storage/table_fields.h"
#include "storage/view.h"

namespace kw {

class LocatorClass;
class RelationManager;
class StepClass;

// Range kinds (LimitType).
namespace range {
inline constexpr uint8_t None = 0;
inline constexpr uint8_t Current =
    1;  // leading components equal their values when the range was added
inline constexpr uint8_t Single = 2;  // ... equal a variable, read again at every reset
inline constexpr uint8_t Pair = 3;    // the last range component between a low and a high variable
inline constexpr uint8_t File = 4;    // ... equal the fields of a related record
}  // namespace range

// What Next and Previous (and ValidateRecord) answer.
namespace record {
inline constexpr uint8_t OK = 0;          // the record is taken
inline constexpr uint8_t OutOfRange = 1;  // the read ends here
inline constexpr uint8_t Filtered = 2;    // the record is skipped
}  // namespace record

// One fixed (or, for kind 3, bounded) component of a sort order's range.
struct RangeField {
    FieldRef Field;        // the component, a field of the primary record
    ui::Binding Limit;     // kinds 2 and 3 (low): the variable; unbound: the value is fixed
    ui::Binding High;      // kind 3: the high variable
    FieldRef Related;      // kind 4: the related record's field
    ui::Value Value;       // the value in force (kind 3: the low value)
    ui::Value HighValue;   // kind 3
    bool Bounded = false;  // the kind-3 component (between Value and HighValue)
};

// A named filter of a sort order.
struct FilterEntry {
    std::string ID;  // at most 30 characters
    std::string Filter;
};

// One sort order. The browse's parts (Locator, Resets, Thumb) are null for a plain view.
struct SortOrder {
    std::vector<FilterEntry> Filter;
    FieldRef FreeElement;         // invalid when every component is fixed or no key
    int FreeElementPosition = 0;  // its place in the order, 1-based; 0 none
    uint8_t LimitType = range::None;
    const storage::KeyDecl* MainKey = nullptr;
    std::string Order;  // "+ZAL:DATA,+ZAL:N_KV"
    std::vector<RangeField> RangeList;
    // BrowseClass.
    LocatorClass* Locator = nullptr;
    std::vector<std::pair<ui::Binding, ui::Value>> Resets;  // reset fields and their values
    StepClass* Thumb = nullptr;
};

class ViewManager {
  public:
    ViewManager();
    virtual ~ViewManager();
    ViewManager(const ViewManager&) = delete;
    ViewManager& operator=(const ViewManager&) = delete;

    // Stores the view (over the primary table's file) and the primary table; creates
    // the sort list when none is given (DisposeOrder 1). A null view, or a view over
    // another file, is an internal error.
    void Init(storage::View* View, RelationManager& Primary,
              std::vector<SortOrder>* SortList = nullptr);

    // --- virtual operations, in slot order ---------------------------------------------
    // Appends components to the current order: "+ZAL:N_KV".
    virtual void AppendOrder(std::string_view Order);
    // Builds the view's filter from the current order's range and filters and gives it
    // to the view; 40 is thrown when it does not parse (the view then has no records).
    virtual void ApplyFilter();
    // Gives the current order to the view (40 when it names no field of the table).
    virtual void ApplyOrder();
    // Kinds 2, 3 and 4: takes the range's current values; when one changed the filter
    // is rebuilt and the result is 1; otherwise 0.
    virtual uint8_t ApplyRange();
    virtual void Close();
    // "ZAL:N_KV"; "" when the order has no free element.
    virtual std::string GetFreeElementName();
    virtual int GetFreeElementPosition();
    virtual void Kill();
    // The next record of the view that ValidateRecord takes into the record buffer:
    // Benign, Notify at the end of the view (or out of range), Fatal when the read
    // failed (message 1 was shown).
    virtual Level Next();
    // Brings the primary table into use and the order and filter into force (once).
    virtual void Open();
    virtual Level Previous();
    // A new record: cleared (unless SuppressClear), the range values in their fields,
    // then the primary file manager's PrimeRecord(1).
    virtual Level PrimeRecord(uint8_t SuppressClear = 0);
    // Places the view: Locate 1 at the record buffer's values of the order, else at
    // the start.
    virtual void Reset(uint8_t Locate);
    virtual void Reset();
    // Sets (or with "" removes) the filter named ID of the current order; the view's
    // filter follows at the next ApplyFilter.
    virtual void SetFilter(std::string_view Filter, std::string_view ID);
    virtual void SetFilter(std::string_view Filter);
    // Replaces the current order.
    virtual void SetOrder(std::string_view Order);
    // Makes order Number (1-based; 0 means 1) current; 1 when it changed. An unknown
    // number is an internal error.
    virtual uint8_t SetSort(uint16_t Number);
    // The procedure's own selection: record::OK, OutOfRange or Filtered. Takes all.
    virtual uint8_t ValidateRecord();

    // --- non-virtual -----------------------------------------------------------------
    // Appends a sort order with the key's order and makes it current (nullptr: an empty
    // order, to be given with SetOrder). Returns its number.
    uint16_t AddSortOrder(const storage::KeyDecl* Key);
    // Ranges of the current order; each replaces the range given before.
    // Kind 1: the key's components up to Field equal their values now.
    void AddRange(const FieldRef& Field);
    // Kind 2: the components before Field keep their values now; Field equals Limit.
    void AddRange(const FieldRef& Field, const ui::Binding& Limit);
    // Kind 3: the components before Field keep their values now; Field lies between Low
    // and High.
    void AddRange(const FieldRef& Field, const ui::Binding& Low, const ui::Binding& High);
    // Kind 4: the key's components up to Field equal Related (one field of the related
    // record per component, in order).
    void AddRange(const FieldRef& Field, const std::vector<FieldRef>& Related);
    // The number of the current order (1-based; 0 none).
    uint16_t CurrentSort() const { return current_; }
    SortOrder* Current();
    // The filter text the view was last given.
    const std::string& ViewFilter() const { return viewFilter_; }

    // --- fields, in declaration order ---------------------------------------------
    uint8_t DisposeOrder = 0;
    uint8_t Opened = 0;
    std::vector<SortOrder>* Order = nullptr;
    int16_t PagesAhead = 0;
    int16_t PagesBehind = 2;
    int16_t PageSize = 20;
    RelationManager* Primary = nullptr;
    int16_t Timeout = 60;
    storage::View* View = nullptr;

  protected:
    // The primary table's declaration (nullptr before Init).
    const storage::TableDecl* Table() const;
    // Sets the free element of the current order from its key and range.
    void setFreeElement();
    // The range's text for the view's filter ("" when none).
    std::string rangeFilter() const;
    // The values of the order's leading `parts` components for a view key: range
    // values where the range fixes them, the record buffer's otherwise.
    std::vector<ui::Value> leadingValues(int parts);
    // A read that failed: message 1 through the primary file manager.
    Level readFailed();
    // The view's filter failed: message 40 through the primary file manager.
    void viewFailed();

    // SetFilter changed a filter of the open view; the next ApplyFilter brings it in.
    bool filterChanged_ = false;

  private:
    Level read(bool forward);
    void rangeFrom(const FieldRef& Field, uint8_t Kind);

    std::unique_ptr<std::vector<SortOrder>> ownOrder_;
    uint16_t current_ = 0;
    std::string viewFilter_;
    storage::TableFields tables_;
    expr::Resolvers names_;
};

// Whether two declarations are of the same table (a file keeps its own copy of its
// declaration, so the addresses may differ).
bool sameTable(const storage::TableDecl* a, const storage::TableDecl* b);
// The text of a value in a filter: numbers plainly, texts quoted ('' for a quote).
std::string filterLiteral(const ui::Value& v);
// The current value of a field of a record as a value.
ui::Value fieldValue(const FieldRef& f);
// Stores a value into a field of the calling thread's record.
void setFieldValue(const FieldRef& f, const ui::Value& v);

}  // namespace kw
