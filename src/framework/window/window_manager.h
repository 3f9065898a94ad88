// WindowManager: the life cycle of one interactive procedure's window. Every procedure
// is one object of a procedure-local subclass (ThisWindow) whose overrides call the
// parent operation at a fixed point:
//
//     Run():  Init() -> Ask() (the accept loop, each event through TakeEvent) -> Kill()
//
// An update form opens its tables in Init, primes the record (PrimeUpdate), opens its
// window and lets the manager complete the request against the primary table: insert,
// change or delete on OK (TakeCompleted), or the cancel logic when the window is about
// to close (TakeCloseEvent). Components (browse lists, the resizer) plug in with
// AddItem and see every event the manager does not settle itself.
//
// Handlers return a level: Benign carry on (the window engine then does its default
// handling of the event), Fatal leave the accept loop, Notify the event is consumed.
//
// Everything runs on the procedure thread that calls Run: the window, the record
// buffers and the history copies are that thread's own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/window/framework_globals.h"
#include "runtime/level.h"
#include "runtime/window_engine.h"
#include "storage/table_decl.h"

namespace kw {

class BrowseClass;
class ErrorClass;
class FileManager;
class RelationManager;
class ToolbarClass;
class ToolbarUpdateClass;
class TranslatorClass;
class WindowComponent;
class WindowResizeClass;

// InsertAction: what follows a successful insert (0 or 1: the form does not insert).
inline constexpr uint8_t kInsertClose = 2;  // close with "completed"
inline constexpr uint8_t kInsertNext = 3;   // stay open for the next record
inline constexpr uint8_t kInsertAsk = 4;    // ask (message 3): another one, or close
// DeleteAction: how a delete request is carried out (0 or 1: not at all).
inline constexpr uint8_t kDeleteWarn = 2;    // at once, without the form, after confirmation
inline constexpr uint8_t kDeleteForm = 3;    // through the form: OK deletes
inline constexpr uint8_t kDeleteNoWarn = 4;  // at once, without the form or a question
// CancelAction flags: what closing a changed insert or change form does (0: nothing).
inline constexpr uint8_t kCancelSave = 1;   // save it (alone: without asking)
inline constexpr uint8_t kCancelQuery = 2;  // ask first: 35 "Save Record" with kCancelSave, else 8
// Ask whether to close without saving once the operator has typed or pressed anything
// (default answer: do not close); alone, without kCancelSave.
inline constexpr uint8_t kCancelWarn = 4;
// The key that restores a ditto field from the previous record: Ctrl and the apostrophe.
inline constexpr int32_t kHistoryKey = ui::key::CtrlApostrophe;  // 734

// A control whose Accepted ends the procedure with a response (AddItem(Control, Response)).
struct ButtonResponse {
    int32_t Control = 0;
    uint8_t Response = 0;
};

// A table whose record buffer an update form saves at its start (AddUpdateFile).
struct UpdateFileEntry {
    FileManager* File = nullptr;
    int16_t Saved = 0;  // saved-buffer handle, 0 none
};

// A ditto field: the control restores field FieldNumber of Record from HistoryRecord.
struct HistoryEntry {
    const storage::TableDecl* Record = nullptr;  // the table's record of the window's thread
    void* HistoryRecord = nullptr;               // Record->recordSize bytes, owned by the caller
    int32_t Control = 0;
    int FieldNumber = 0;  // 1-based
};

// The captions an update form shows for its request (SetCaptionByRequest). Texts CP1251.
struct RequestCaptions {
    std::string Insert;
    std::string Change;
    std::string Delete;
    std::string View = "View Record";

    // "Добавить ???", "Изменить ???", "Удалить ???", "View Record".
    static RequestCaptions Standard();
};

// A use variable for an entry: field `name` ("FIO" or "PKL:FIO") of the table's record,
// named "LABEL:FIELD" for tests. An unknown field gives an unbound variable.
ui::Binding UseField(const storage::TableDecl& table, std::string_view name);

class WindowManager {
  public:
    WindowManager();
    virtual ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // --- virtual operations, in slot order -------------------------------------------
    // The accept loop; nothing when Dead.
    virtual void Ask();
    // OriginalRequest := Request; the lists; the default actions. Benign.
    virtual Level Init();
    // Kills the components, releases the saved buffers, closes the window. Benign, or
    // Notify when already dead.
    virtual Level Kill();
    // The window was opened: Reset(0), noted in Inited.
    virtual void Open();
    // Initial values of a new record: the primary file manager's PrimeFields.
    virtual void PrimeFields();
    // Primes an update form's record after its tables are open: Benign to open the
    // window; Fatal when the request was carried out (or refused) without it.
    virtual Level PrimeUpdate();
    // Refreshes the components and the screen; nothing during the accept-all pass.
    virtual void Reset(uint8_t Force = 0);
    // Copies the control's ditto field from the previous record and shows it.
    virtual void RestoreField(int32_t Control);
    // Init, Ask, Kill; the response (2 when none was set).
    virtual uint8_t Run();
    // Runs update procedure Number with Request; the base has none and answers 2.
    virtual uint8_t Run(uint16_t Number, uint8_t Request);
    virtual void SetAlerts();
    // Response := R and the window is asked to close.
    virtual void SetResponse(uint8_t R);
    virtual Level TakeAccepted();
    virtual Level TakeCompleted();
    virtual Level TakeCloseEvent();
    virtual Level TakeEvent();
    virtual Level TakeFieldEvent();
    virtual Level TakeNewSelection();
    // Text that does not fit its field: said (SayRejected), the text left as typed, the
    // focus kept in the field.
    virtual Level TakeRejected();
    // Tells the operator why typed text was refused: a message box; a form with a message
    // line says it there.
    virtual void SayRejected(const std::string& Text);
    virtual Level TakeSelected();
    virtual Level TakeWindowEvent();
    virtual void Update();

    // --- non-virtual ---------------------------------------------------------------
    void AddItem(WindowComponent& Component);
    // Accepting Control sets Response and closes the window (Cancel: response 2).
    void AddItem(int32_t Control, uint8_t Response);
    // Stores Resize and registers the resizer as a component.
    void AddItem(WindowResizeClass& Resizer);
    // Registers a browse as a component; with request 4 (select) the browse selects a
    // record for the caller and keeps the caller's record to restore (browse_class.cpp).
    void AddItem(BrowseClass& Browse);
    // Stores Toolbar and initialises it; then registers an update form's toolbar
    // behaviour with it (toolbar_class.cpp).
    void AddItem(ToolbarClass& Toolbar);
    void AddItem(ToolbarUpdateClass& Target);
    void RemoveItem(WindowComponent& Component);
    void RemoveItem(int32_t Control);
    // Names the record and its history copy for the AddHistoryField calls that follow.
    void AddHistoryFile(const storage::TableDecl& Record, void* HistoryRecord);
    void AddHistoryField(int32_t Control, int FieldNumber);
    void AddUpdateFile(FileManager& File);
    // Each component's Reset.
    void ResetBuffers(uint8_t Force = 0);
    // Copies each history record from its record.
    void SaveHistory();
    // Insert and change forms validate every entry first (select all), then complete.
    void PostCompleted();
    // Takes every usable entry into its variable; at the first text that does not fit,
    // says why (SayRejected), focuses that entry and answers false.
    bool TakeEntries();
    // Notes that the operator typed into a field or pressed a button that works on the
    // form (UserChanged), from the Accepted event now in hand.
    void NoteUserChange();

    // Opens the window and sets Opened; false (error in Win.error()) when it cannot.
    bool OpenWindow(ui::WindowDef Def);
    // The caption for Request: Insert/Change/Delete/View of `Captions`, "" otherwise.
    std::string CaptionFor(const RequestCaptions& Captions) const;
    // Sets the window's title to CaptionFor(Captions) when that is not empty.
    void SetCaptionByRequest(const RequestCaptions& Captions);

    // --- fields, in declaration order ----------------------------------------------
    uint8_t AutoRefresh = 1;
    uint8_t AutoToolbar = 1;
    std::unique_ptr<std::vector<ButtonResponse>> Buttons;
    std::unique_ptr<std::vector<WindowComponent*>> CL;
    uint8_t CancelAction = kCancelSave | kCancelQuery;
    uint8_t ChangeAction = 1;
    uint8_t Dead = 0;
    uint8_t DeleteAction = kDeleteWarn;
    ErrorClass* Errors = nullptr;  // GlobalErrors
    std::unique_ptr<std::vector<UpdateFileEntry>> Files;
    uint8_t FilesOpened = 0;
    int32_t FirstField = 0;
    uint8_t ForcedReset = 0;
    std::unique_ptr<std::vector<HistoryEntry>> History;
    int32_t HistoryKey = 0;
    uint8_t Inited = 0;  // bit 1: Open() ran; bit 2: the first Shown event was seen
    uint8_t InsertAction = kInsertClose;
    std::string LastInsertedPosition;  // at most 1024 bytes; "" none
    int32_t OKControl = 0;
    uint8_t Opened = 0;
    uint8_t OriginalRequest = 0;
    RelationManager* Primary = nullptr;
    uint8_t Request = 0;
    uint8_t UserChanged = 0;  // see NoteUserChange
    uint8_t ResetOnGainFocus = 0;
    WindowResizeClass* Resize = nullptr;
    uint8_t Response = 0;
    int16_t Saved = 0;
    ToolbarClass* Toolbar = nullptr;        // the frame's toolbar; none yet
    TranslatorClass* Translator = nullptr;  // none: the texts are the application's own
    int32_t* VCRRequest = nullptr;

    // The procedure's window.
    ui::Window Win;

  private:
    // closing: the user asked to save on the way out, so the form closes after it.
    Level completeInsert(bool closing);
    Level completeChange();
    Level completeDelete();
    // Stays on the form after a failed write: shows the variables, keeps the focus.
    void stay();
    // Whether the record differs from the one saved when the form started.
    bool recordChanged();
    // Closes without the cancel question: the user already chose not to save.
    void closeWithoutSaving();

    const storage::TableDecl* historyRecord_ = nullptr;
    void* historyCopy_ = nullptr;
    bool closeUnasked_ = false;  // the next close asks nothing
    bool saveAndClose_ = false;  // the completion under way was asked for by closing
};

}  // namespace kw
