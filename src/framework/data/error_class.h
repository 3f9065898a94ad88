// The error manager: turns a failure, named by its message number, into a message to
// the user and a result level for the caller.
//
// Messages live in a table of (number, text, title, level, category) entries, added in
// message blocks (AddErrors). A number may be added more than once; the entry added
// last wins, and its text can take in the one it overrides through "%Previous".
// Shown messages may also be written to an error log and kept in a history.
//
// One object, GlobalErrors, serves every procedure thread. The current message, the
// saved error and the "%File"/"%Field"/"%Message" values are shared by all threads
// (what one thread selects, another may overwrite before it is shown); only the
// procedure-name stack is kept per thread. The lists themselves are guarded, so
// concurrent use never corrupts them. No lock is held while a box is up.
//
// Texts are CP1251.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/fixed_string.h"
#include "runtime/level.h"
#include "runtime/message_box.h"

namespace kw {

// Where logged messages go. Each operation returns Benign or, on failure, Notify
// with the reason in the runtime's last error (runtime/last_error.h).
class ErrorLogInterface {
  public:
    virtual ~ErrorLogInterface() = default;
    virtual Level Open(bool Force = false) = 0;
    virtual Level Take(std::string_view Text) = 0;
    virtual Level Close(bool Force = false) = 0;
};

// The built-in log: the text file "ZULError.Log" in the current directory, created
// when missing, one CR LF terminated line per Take, appended. Open and Close are
// counted: the file is opened by the first Open (or a forced one) and closed by the
// last Close (or a forced one, which also resets the count).
class StandardErrorLogClass : public ErrorLogInterface {
  public:
    static constexpr const char* kFileName = "ZULError.Log";

    StandardErrorLogClass() = default;
    ~StandardErrorLogClass() override;
    StandardErrorLogClass(const StandardErrorLogClass&) = delete;
    StandardErrorLogClass& operator=(const StandardErrorLogClass&) = delete;

    Level Open(bool Force = false) override;
    Level Take(std::string_view Text) override;  // Notify when the log is not open
    Level Close(bool Force = false) override;

    int UseCount() const;
    bool IsOpen() const;

  private:
    mutable std::mutex mu_;
    std::FILE* file_ = nullptr;
    int useCount_ = 0;
};

// One message of the table.
struct ErrorEntry {
    uint16_t ID = 0;
    std::string Message;  // may hold placeholders; '|' is a line break
    std::string Title;
    uint8_t Fatality = 0;  // the message's level, 0..5
    std::string Category;  // "" takes DefaultCategory
};

// One kept message of the history.
struct ErrorHistoryEntry {
    static constexpr std::size_t kTxtSize = 1024;
    std::string Category;
    std::string Txt;  // the message as shown, at most kTxtSize bytes
    uint16_t ID = 0;
};

// One entry of the procedure-name stack.
struct ProcNameEntry {
    int32_t Thread = 0;
    std::string Name;
};

// Builds a message block: a 16-bit little-endian count, then per message its number
// (16-bit little-endian), level (byte), title length (byte), title, text length
// (byte), text. Titles and texts longer than 255 bytes are cut to 255; messages past
// the 65535th are dropped.
class ErrorBlock {
  public:
    ErrorBlock();
    ErrorBlock& add(uint16_t id, uint8_t level, std::string_view title, std::string_view text);
    ErrorBlock& add(uint16_t id, Level level, std::string_view title, std::string_view text) {
        return add(id, toByte(level), title, text);
    }
    std::size_t size() const { return count_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    std::size_t count_ = 0;
};

// The framework's built-in messages (numbers 1 to 44 without 29) as one block.
const std::vector<uint8_t>& BuiltInErrorBlock();

class ErrorClass {
  public:
    static constexpr std::size_t kWorkTextSize = 2000;  // longest substituted text
    static constexpr std::size_t kMaxEntries = 65535;   // message table capacity
    static constexpr std::string_view kFatalSuffix = "  Press OK to end this application";
    static constexpr std::string_view kHistoryCaption = "Errors History";

    ErrorClass() = default;
    virtual ~ErrorClass() = default;
    ErrorClass(const ErrorClass&) = delete;
    ErrorClass& operator=(const ErrorClass&) = delete;

    std::string DefaultCategory;
    std::unique_ptr<std::vector<ErrorEntry>> Errors;
    ErrorLogInterface* ErrorLog =
        nullptr;  // not owned (StdErrorLog unless Init(Log) says otherwise)
    FixedString<255> FieldName;
    FixedString<255> FileName;
    std::unique_ptr<std::deque<ErrorHistoryEntry>> History;
    FixedString<255> MessageText;
    std::unique_ptr<std::vector<ProcNameEntry>> ProcNames;
    FixedString<255> SaveError;
    int32_t SaveErrorCode = 0;
    FixedString<255> SaveFileError;
    FixedString<255> SaveFileErrorCode;
    uint8_t Silent = 0;
    std::unique_ptr<StandardErrorLogClass> StdErrorLog;
    uint8_t LogErrors = 0;
    int32_t HistoryThreshold = 0;
    int32_t HistoryViewLevel = 3;
    uint8_t HistoryResetOnView = 0;

    // Adds the messages of a block in order, each with DefaultCategory. A block that
    // is cut short or otherwise malformed adds nothing and is reported.
    virtual void AddErrors(std::span<const uint8_t> Block);
    // Appends the prepared HistoryRecord to the history.
    virtual void AddHistory();
    // Shows the history window with the whole history in its list.
    virtual unsigned HistoryMsg(std::string_view Caption, msgbox::Icon Icon, unsigned Buttons,
                                unsigned Default);
    // Log := Log; a new message table with the built-in block; a new procedure-name
    // stack; a history when there is none yet. (A subclass that overrides it needs
    // `using ErrorClass::Init;` to keep Init() visible.)
    virtual void Init(ErrorLogInterface* Log);
    // Logs, keeps and shows one message; returns the button pressed (Default when
    // nothing was shown).
    virtual unsigned Msg(std::string_view Text, std::string_view Caption, msgbox::Icon Icon,
                         unsigned Buttons, unsigned Default, int Style = 0);
    // The platform's standard message box.
    virtual unsigned MessageBox(std::string_view Text, std::string_view Caption, msgbox::Icon Icon,
                                unsigned Buttons, unsigned Default, int Style = 0);
    virtual Level TakeBenign();
    virtual Level TakeFatal();  // ends the program (exit code 0) after OK
    virtual Level TakeNotify();
    virtual Level TakeOther();    // as TakeProgram
    virtual Level TakeProgram();  // as TakeFatal
    virtual Level TakeUser();     // Benign for Yes, Cancel otherwise
    virtual unsigned ViewHistory();

    // Creates StdErrorLog, sets the defaults ("ZUL", no history, view level 3) and
    // calls Init(StdErrorLog).
    void Init();
    void Kill();
    // Selects the message, the entry added last with that number.
    void SetId(uint16_t Id);
    // The selected message's text with its placeholders filled in.
    std::string SubsString();
    void SetProcedureName(std::string_view Name);  // push, for the calling thread
    void SetProcedureName();                       // pop the calling thread's top
    std::string GetProcedureName();
    void SetFile(std::string_view Name);
    void SetField(std::string_view Name);
    // Saves the calling thread's last runtime and driver error.
    void SetErrors();
    // Id -1 means DefaultCategory.
    void SetCategory(int32_t Id, std::string_view Category);
    std::string GetCategory(int32_t Id);
    void ResetHistory();
    Level Throw(uint16_t Id);
    Level ThrowMessage(uint16_t Id, std::string_view Text);
    Level TakeError(uint16_t Id);
    // Shows the message with the given buttons (exclamation icon); returns the button
    // pressed, or Default when Silent.
    unsigned Message(uint16_t Id, unsigned Buttons, unsigned Default);

  protected:
    // The history entry that AddHistory appends (prepared by Msg).
    ErrorHistoryEntry HistoryRecord;

    struct Selection {
        bool valid = false;
        ErrorEntry entry;
    };
    // A copy of the selected message.
    Selection Selected() const;

  private:
    // The flags above as one consistent copy, read under the lock (Init writes them
    // under it too).
    struct Flags {
        uint8_t silent;
        uint8_t logErrors;
        int32_t historyThreshold;
        int32_t historyViewLevel;
        uint8_t historyResetOnView;
    };
    Flags flags() const;
    std::string substituteLocked(std::size_t index) const;
    std::string stepsLocked(const ErrorEntry& e) const;
    std::string procedureNameLocked() const;
    std::string categoryLocked(const ErrorEntry& e) const;
    void writeLog(std::string_view Text);
    // Shows the selected message with the handler's icon and buttons.
    unsigned showSelected(std::string_view suffix, msgbox::Icon icon, unsigned buttons,
                          unsigned def);

    mutable std::mutex mu_;
    std::ptrdiff_t selected_ = -1;  // index into *Errors
};

}  // namespace kw

// The program's error manager.
extern kw::ErrorClass GlobalErrors;
