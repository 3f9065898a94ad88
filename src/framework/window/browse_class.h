// BrowseClass: a list of the records of a view, one page at a time, in a list control
// of the procedure's window. It adds to the view manager the page (BrowseQueue),
// scrolling by row, page and end, the thumb, locators, the update buttons that run the
// procedure's update form (Ask), selecting a record for a caller (request 4), the
// alert keys and the popup menu. It is a component of the procedure's WindowManager
// (AddItem(BrowseClass)).
//
// The procedure's Init opens the window, then:
//
//     BRW1.Init(ListFeq, &View, Queue, Relate::MET, ThisWindow);
//     BRW1.AddSortOrder(&BRW1Step, &MET_KEY_1);      // the thumb and the key
//     BRW1.AddLocator(&BRW1Locator);  BRW1Locator.Init(0, field, 1, BRW1);
//     BRW1.AddField(FieldRef{&MET_TABLE, 1});        // page column 1, 2, ...
//     BRW1.ConnectUpdates(InsertFeq, ChangeFeq, DeleteFeq);
//     AddItem(BRW1);
//
// Only one page is held: LastItems rows, the rows the list shows at once. Each row
// carries the view position of its record; the highlighted row's record is in the
// record buffer (UpdateBuffer) after every move, and the buffer is cleared when the
// view is empty.
//
// Runs on the procedure's thread, inside its window's accept loop.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/window/browse_queue.h"
#include "framework/window/view_manager.h"
#include "framework/window/window_component.h"
#include "runtime/window_def.h"

namespace kw {

class BrowseToolbarClass;
class PopupClass;
class ToolbarClass;
class WindowManager;

// ResetQueue modes.
namespace reset {
inline constexpr uint8_t Queue = 1;  // reload around the highlighted row's record
inline constexpr uint8_t Done = 2;   // the view has been placed: reload from there
}  // namespace reset

// Fetch directions.
namespace fill {
inline constexpr uint8_t Backward = 1;
inline constexpr uint8_t Forward = 2;
}  // namespace fill

// A column of the page: its value comes from Source when the row is built.
struct BrowseField {
    ui::Binding Source;
    int Column = 0;         // page column, from 1
    bool InRecord = false;  // Source is a field of the primary record
};

// The texts of the browse's popup menu, in menu order.
inline constexpr const char* kPopupInsert = "&Insert";
inline constexpr const char* kPopupChange = "&Change";
inline constexpr const char* kPopupDelete = "&Delete";
inline constexpr const char* kPopupView = "&View";
inline constexpr const char* kPopupPrint = "&Print";
inline constexpr const char* kPopupQuery = "&Query";
inline constexpr const char* kPopupSelect = "&Select";
inline constexpr const char* kPopupToolbox = "&Toolbox";
inline constexpr const char* kToolboxTitle = "Browse Actions";

class BrowseClass : public ViewManager, public WindowComponent {
  public:
    BrowseClass();
    ~BrowseClass() override;

    // Binds the list control and the page, then the view manager's Init. The window
    // must be open; the browse joins the window's toolbar when it has one.
    void Init(int32_t ListControl, storage::View* View, BrowseQueue& Queue, RelationManager& Relate,
              WindowManager& Window);

    // --- view manager's operations ------------------------------------------------------
    void ApplyFilter() override;
    void Kill() override;
    // Brings the filter of SetFilter in when the view is open.
    uint8_t SetSort(uint16_t Number) override;

    // --- window component --------------------------------------------------------------
    // The browse's Reset: ResetSort(Force).
    void Reset(uint8_t Force) override;
    using ViewManager::Reset;
    uint8_t ResetRequired() override;
    void SetAlerts() override;
    Level TakeEvent() override;
    void Update() override;
    void UpdateWindow() override;

    // --- browse's own, in slot order -------------------------------------------------------
    // Runs the update procedure (AskProcedure) for the highlighted record with Request
    // (1 insert, 2 change, 3 delete, 6 view) and puts the highlight on the record it
    // inserted or changed; repeats while the form's toolbar asks for another record.
    // Returns the form's response.
    virtual uint8_t Ask(uint8_t Request);
    // Edit in place: not used by this program's browses; answers 2.
    virtual uint8_t AskRecord(uint8_t Request);
    // Loads up to ItemsToFill rows in Direction (fill::Forward or fill::Backward).
    virtual void Fetch(uint8_t Direction);
    virtual void InitSort(uint16_t Number);
    virtual void NotifyUpdateError();
    virtual void ResetFromAsk(uint8_t Request, uint8_t Response);
    // Reloads at the record buffer's value of the free element (and the components
    // before it).
    virtual void ResetFromBuffer();
    // Reloads at the record buffer's values of the whole order.
    virtual void ResetFromFile();
    // Reloads from the start of the view.
    virtual void ResetFromView();
    virtual void ResetQueue(uint8_t Mode);
    // Brings the current sort, range and filter into force; reloads when one changed,
    // when Force, or when the page has not been loaded yet.
    virtual void ResetSort(uint8_t Force);
    virtual void ScrollEnd(int Event);
    virtual void ScrollOne(int Event);
    virtual void ScrollPage(int Event);
    // Builds the current page row from the record buffer (and every AddField source).
    virtual void SetQueueRecord();
    virtual uint8_t SetSort(uint16_t Number, uint8_t Force);
    virtual Level TakeAcceptedLocator();
    virtual Level TakeKey();
    virtual void TakeLocate();
    virtual void TakeNewSelection();
    virtual void TakeScroll(int Event);
    // A navigation button of the toolbar (3005..3010) moves the highlight.
    virtual void TakeVCRScroll(int32_t Vcr);
    // The highlighted row's record into the record buffer (UpdateViewRecord, then the
    // page's values into the sources that are not fields of the record); a cleared
    // record when the page is empty.
    virtual void UpdateBuffer();
    // Reads the highlighted row's record again into the record buffer; false when the
    // page is empty or the record is gone.
    virtual bool UpdateViewRecord();

    // --- non-virtual ---------------------------------------------------------------------
    // Adds a page column from a field of the primary record or from any variable;
    // Column 0 takes the next column. Returns the column.
    int AddField(const FieldRef& Field, int Column = 0);
    int AddField(const ui::Binding& Variable, int Column = 0);
    // Adds a page column for each named field of the primary record, in order.
    void AddFields(const storage::TableDecl& Table, std::initializer_list<const char*> Names);
    void AddLocator(LocatorClass* Locator);
    // The insert, change and delete buttons (0: none), which run update procedure 1.
    void ConnectUpdates(int32_t Insert, int32_t Change, int32_t Delete);
    // Appends a sort order (AddSortOrder of the view manager) with its thumb.
    uint16_t AddSortOrder(StepClass* Thumb, const storage::KeyDecl* Key);
    using ViewManager::AddSortOrder;
    // A variable whose change reloads the browse.
    void AddResetField(const ui::Binding& Field);
    // Joins the toolbar: the browse becomes the target of its list control.
    void AddToolbarTarget(ToolbarClass& Toolbar);
    int Records() const { return ListQueue ? ListQueue->Records() : 0; }
    void PostNewSelection();
    void ResetResets();
    // Gives the thumb the lowest and highest value of the free element in the view.
    void ResetThumbLimits();
    void TakeChoiceChanged();
    uint8_t UpdateResets();
    void UpdateThumb();
    void UpdateThumbFixed();
    // Moves the highlight to the first record whose free element is not less than
    // the free element's value in the record buffer (the locators' search).
    void LocateFreeElement();
    // The popup menu of the list (built by SetAlerts).
    PopupClass& PopupMenu();

    // --- the list and its page ----------------------------------------------------------
    IListControl* ILC = nullptr;
    BrowseQueue* ListQueue = nullptr;
    std::vector<BrowseField> Fields;
    std::vector<SortOrder>* Sort = nullptr;
    int32_t ItemsToFill = 0;
    int32_t LastItems = 0;
    int32_t CurrentChoice = 0;
    uint8_t Loaded = 0;
    uint8_t FileLoaded = 0;
    uint8_t LoadPending = 0;
    uint8_t NeedRefresh = 0;
    uint8_t RetainRow = 1;
    uint8_t StartAtCurrent = 0;
    uint8_t QuickScan = 1;
    uint8_t ActiveInvisible = 0;
    uint8_t AllowUnfilled = 0;

    // --- the window, the menu and the toolbar ------------------------------------------
    WindowManager* Window = nullptr;
    StandardBehavior* Behavior = nullptr;
    PopupClass* Popup = nullptr;
    ToolbarClass* Toolbar = nullptr;
    BrowseToolbarClass* ToolbarItem = nullptr;

    // --- the buttons and the procedures they run ----------------------------------------
    int32_t InsertControl = 0;
    int32_t ChangeControl = 0;
    int32_t DeleteControl = 0;
    int32_t SelectControl = 0;
    int32_t ViewControl = 0;
    int32_t QueryControl = 0;
    int32_t PrintControl = 0;
    int32_t ToolControl = 0;
    uint16_t AskProcedure = 0;
    uint16_t PrintProcedure = 0;

    // --- selecting for a caller ---------------------------------------------------------
    uint8_t Selecting = 0;
    uint8_t HideSelect = 0;
    uint8_t SelectWholeRecord = 0;
    int16_t Buffer = 0;  // the caller's record while Selecting (saved-buffer handle)

  private:
    // Loads a fresh page from where the view was placed, keeping the highlight on
    // screen row `row` when RetainRow; the first record read is highlighted.
    void loadFrom(int32_t row);
    // Loads the whole view (FileLoaded) with the highlight on the record at `keep`.
    void loadWhole(const std::string& keep);
    // Shows the page and the highlight, updates the record buffer and the thumb.
    void showPage();
    // Presses a button of the window as the user would (when it is usable).
    bool press(int32_t control);
    bool usable(int32_t control);
    // The sort order's free element is descending in the view's order.
    bool freeDescending();
    // Places the view at the record in the buffer, record number `target` of the file;
    // true when that very record was found in the view (its position in `position`).
    bool placeAtRecord(uint32_t target, std::string& position);
    // Takes a highlight that the user moved on the screen (the list's choice differs
    // from CurrentChoice): the record buffer follows and a locator starts afresh.
    void syncChoice();
    // The window is closing: the buffer rules of a selecting browse.
    void takeClose();
    void buildPopup();
    int32_t* vcr();
    void clearRecord();

    std::unique_ptr<StandardBehavior> behavior_;
    std::unique_ptr<PopupClass> popup_;
    std::unique_ptr<BrowseToolbarClass> toolbarItem_;
    bool topIsFirst_ = false;    // the page's first row is the view's first record
    bool bottomIsLast_ = false;  // the page's last row is the view's last record
    bool windowResetDue_ = false;
    bool restart_ = false;  // the range changed: reload from the start
    bool closed_ = false;   // the buffer rules of closing were applied
    bool killed_ = false;
};

// Adds a list's insert, change and delete buttons, in that order, as the lists lay them
// out under the list; `changeUtf8`: the change button's label (UTF-8).
void AddUpdateButtons(ui::WindowDef& s, int32_t Insert, int32_t Change, int32_t Delete,
                      const char* changeUtf8 = "&Изменить");

}  // namespace kw
