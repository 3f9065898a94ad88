#include "framework/data/error_class.h"

#include <algorithm>
#include <cctype>

#include "runtime/assertion.h"
#include "runtime/clock.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/picture.h"
#include "runtime/proc_thread.h"
#include "storage/byte_order.h"

kw::ErrorClass GlobalErrors;

namespace kw {

namespace {

constexpr std::string_view kNotFound = "Identifier not found.";
constexpr std::string_view kNotInitialized = "ErrorClass incorrectly initialized.";
constexpr std::string_view kQueueFull = "Unable to add new error message to queue.";
constexpr std::string_view kMalformedBlock =
    "Error message block is malformed; no message was added.";
constexpr std::string_view kNoLog = "Attempt to LogErrors with ErrorLogInterface NULL!";
constexpr std::string_view kLogOpen = "Unable to Open error log; ";
constexpr std::string_view kLogTake = "Unable to update error log; ";
constexpr std::string_view kLogClose = "Unable to close error log; ";

char fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Position of `name` in `text` at or after `from`, ignoring the case of ASCII letters.
std::size_t findNoCase(std::string_view text, std::string_view name, std::size_t from) {
    if (name.empty() || text.size() < name.size()) return std::string_view::npos;
    for (std::size_t i = from; i + name.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < name.size() && fold(text[i + k]) == fold(name[k])) ++k;
        if (k == name.size()) return i;
    }
    return std::string_view::npos;
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view what) {
    return at <= text.size() && findNoCase(text.substr(at, what.size()), what, 0) == 0;
}

// Replaces every occurrence of `name` by `value`; the search goes on after the value
// put in, so a value holding the name cannot loop. `unless` names a longer
// placeholder that starts with `name` and is left alone. The text never grows past
// ErrorClass::kWorkTextSize.
void replaceAll(std::string& work, std::string_view name, std::string_view value,
                std::string_view unless = {}) {
    std::size_t pos = 0;
    while ((pos = findNoCase(work, name, pos)) != std::string::npos) {
        if (!unless.empty() && startsWithNoCase(work, pos + name.size(), unless)) {
            pos += name.size();
            continue;
        }
        work.replace(pos, name.size(), value);
        pos += value.size();
        if (work.size() > ErrorClass::kWorkTextSize) work.resize(ErrorClass::kWorkTextSize);
    }
}

// The runtime's text for the last error; the driver's own text for a driver error.
std::string lastErrorText() {
    if (last_error::code() == last_error::kDriverError && !last_error::driverText().empty())
        return last_error::driverText();
    return last_error::text();
}

}  // namespace

// ---------------------------------------------------------------------------------
// StandardErrorLogClass

StandardErrorLogClass::~StandardErrorLogClass() {
    if (file_) std::fclose(file_);
}

Level StandardErrorLogClass::Open(bool Force) {
    std::lock_guard lock(mu_);
    if ((useCount_ == 0 || Force) && !file_) {
        errno = 0;
        file_ = std::fopen(kFileName, "a+b");
        if (!file_) {
            last_error::setFromErrno(errno ? errno : EACCES);
            return Level::Notify;
        }
    }
    ++useCount_;
    return Level::Benign;
}

Level StandardErrorLogClass::Take(std::string_view Text) {
    std::lock_guard lock(mu_);
    if (!file_) {
        last_error::set(last_error::kFileNotOpen, "File Not Open");
        return Level::Notify;
    }
    std::string line(Text);
    line += "\r\n";
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        last_error::setFromErrno(errno ? errno : EIO);
        return Level::Notify;
    }
    return Level::Benign;
}

Level StandardErrorLogClass::Close(bool Force) {
    std::lock_guard lock(mu_);
    if (!file_) {
        useCount_ = 0;
        last_error::set(last_error::kFileNotOpen, "File Not Open");
        return Level::Notify;
    }
    if (useCount_ <= 1 || Force) {
        errno = 0;
        int rc = std::fclose(file_);
        file_ = nullptr;
        useCount_ = 0;
        if (rc != 0) {
            last_error::setFromErrno(errno ? errno : EIO);
            return Level::Notify;
        }
        return Level::Benign;
    }
    --useCount_;
    return Level::Benign;
}

int StandardErrorLogClass::UseCount() const {
    std::lock_guard lock(mu_);
    return useCount_;
}

bool StandardErrorLogClass::IsOpen() const {
    std::lock_guard lock(mu_);
    return file_ != nullptr;
}

// ---------------------------------------------------------------------------------
// ErrorBlock

ErrorBlock::ErrorBlock() : bytes_{0, 0} {}

ErrorBlock& ErrorBlock::add(uint16_t id, uint8_t level, std::string_view title,
                            std::string_view text) {
    if (count_ >= 0xFFFF) return *this;
    title = title.substr(0, 255);
    text = text.substr(0, 255);
    bytes_.resize(bytes_.size() + 2);
    storage::le::put16(bytes_.data() + bytes_.size() - 2, id);
    bytes_.push_back(level);
    bytes_.push_back(static_cast<uint8_t>(title.size()));
    bytes_.insert(bytes_.end(), title.begin(), title.end());
    bytes_.push_back(static_cast<uint8_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    ++count_;
    storage::le::put16(bytes_.data(), static_cast<uint16_t>(count_));
    return *this;
}

namespace {

struct BuiltInMessage {
    uint16_t id;
    Level level;
    const char* title;
    const char* text;
};

const BuiltInMessage kBuiltInMessages[] = {
    {1, Level::Notify, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
     "previous window."},
    {2, Level::Notify, "Access Denied", "Could not get write access to %File so trying read-only."},
    {3, Level::User, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {4, Level::Notify, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {5, Level::Notify, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {6, Level::Notify, "Record Was Not Updated", "This record was changed by another station."},
    {7, Level::Notify, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+' to recall your changes."},
    {8, Level::User, "Changes will be lost!", "Are you sure you want to cancel?"},
    {9, Level::User, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {10, Level::Fatal, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {11, Level::Notify, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {12, Level::Notify, "Invalid Request", "This form cannot be used to delete a record"},
    {13, Level::Notify, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {14, Level::Notify, "Field contents error",
     "The value of %Field must be found in the %Message file."},
    {15, Level::Notify, "Value Error", "The value of %Field must be in the list : %Message."},
    {16, Level::Notify, "Range Error", "The value of %Field must be in range %Message."},
    {17, Level::Notify, "Range Error", "The value of %Field must be lower than %Message."},
    {18, Level::Notify, "Range Error", "The value of %Field must be higher than %Message."},
    {19, Level::Notify, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {20, Level::Notify, "Invalid Request", "This form cannot be used to insert a record"},
    {21, Level::Notify, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {22, Level::Notify, "No Records", "There are no records available to process."},
    {23, Level::Fatal, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {24, Level::Notify, "Procedure not defined", "The Procedure %Message has not been defined."},
    {25, Level::Notify, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {26, Level::Fatal, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {27, Level::Notify, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {28, Level::Notify, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {30, Level::Notify, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {31, Level::Notify, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from "
     "change and have been reset to original values."},
    {32, Level::User, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Error: %ErrorText.|Try "
     "Again?"},
    {33, Level::User, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {34, Level::User, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {35, Level::User, "Save Record", "Do you want to save the changes to this record?"},
    {36, Level::User, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of "
     "the file?"},
    {37, Level::User, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {38, Level::Notify, "Invalid Request", "This form cannot be used to update a record"},
    {39, Level::Program, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {40, Level::Notify, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {41, Level::Notify, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {42, Level::Notify, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {43, Level::Notify, "NNTP Error", "%Message "},
    {44, Level::Notify, "Winsock Error", "%Message "},
};

}  // namespace

const std::vector<uint8_t>& BuiltInErrorBlock() {
    static const std::vector<uint8_t> block = [] {
        ErrorBlock b;
        for (const BuiltInMessage& m : kBuiltInMessages) b.add(m.id, m.level, m.title, m.text);
        return b.bytes();
    }();
    return block;
}

// ---------------------------------------------------------------------------------
// ErrorClass: set-up

void ErrorClass::Init() {
    StdErrorLog = std::make_unique<StandardErrorLogClass>();
    {
        std::lock_guard lock(mu_);
        DefaultCategory = "ZUL";
        HistoryThreshold = 0;
        HistoryViewLevel = 3;
        HistoryResetOnView = 0;
    }
    Init(StdErrorLog.get());
}

void ErrorClass::Init(ErrorLogInterface* Log) {
    {
        std::lock_guard lock(mu_);
        ErrorLog = Log;
        Errors = std::make_unique<std::vector<ErrorEntry>>();
        Errors->reserve(64);
        selected_ = -1;
    }
    AddErrors(BuiltInErrorBlock());
    std::lock_guard lock(mu_);
    ProcNames = std::make_unique<std::vector<ProcNameEntry>>();
    if (!History) History = std::make_unique<std::deque<ErrorHistoryEntry>>();
}

void ErrorClass::Kill() {
    std::lock_guard lock(mu_);
    Errors.reset();
    History.reset();
    ProcNames.reset();
    if (StdErrorLog && ErrorLog == StdErrorLog.get()) ErrorLog = nullptr;
    StdErrorLog.reset();
    selected_ = -1;
}

void ErrorClass::AddErrors(std::span<const uint8_t> Block) {
    // Check the whole block before adding anything: every length is checked against
    // what is left, so a short or damaged block is never read past its end.
    std::vector<ErrorEntry> parsed;
    bool ok = Block.size() >= 2;
    if (ok) {
        const std::size_t count = storage::le::get16(Block.data());
        std::size_t pos = 2;
        parsed.reserve(std::min<std::size_t>(count, Block.size() / 5));
        for (std::size_t i = 0; i < count && ok; ++i) {
            if (Block.size() - pos < 5) {
                ok = false;
                break;
            }
            ErrorEntry e;
            e.ID = storage::le::get16(Block.data() + pos);
            e.Fatality = Block[pos + 2];
            const std::size_t titleLen = Block[pos + 3];
            pos += 4;
            if (Block.size() - pos < titleLen + 1) {
                ok = false;
                break;
            }
            e.Title.assign(reinterpret_cast<const char*>(Block.data() + pos), titleLen);
            pos += titleLen;
            const std::size_t textLen = Block[pos];
            pos += 1;
            if (Block.size() - pos < textLen) {
                ok = false;
                break;
            }
            e.Message.assign(reinterpret_cast<const char*>(Block.data() + pos), textLen);
            pos += textLen;
            parsed.push_back(std::move(e));
        }
    }
    if (!ok) {
        KW_ASSERT_FAIL(kMalformedBlock);
        return;
    }

    std::string_view failure;
    {
        std::lock_guard lock(mu_);
        if (!Errors) {
            failure = kNotInitialized;
        } else {
            for (ErrorEntry& e : parsed) {
                if (Errors->size() >= kMaxEntries) {
                    failure = kQueueFull;
                    break;
                }
                e.Category = DefaultCategory;
                Errors->push_back(std::move(e));
            }
        }
    }
    if (!failure.empty()) KW_ASSERT_FAIL(failure);
}

// ---------------------------------------------------------------------------------
// Selection and substitution

void ErrorClass::SetId(uint16_t Id) {
    std::string_view failure;
    {
        std::lock_guard lock(mu_);
        if (!Errors) {
            failure = kNotInitialized;
        } else {
            auto it = std::find_if(Errors->rbegin(), Errors->rend(),
                                   [&](const ErrorEntry& e) { return e.ID == Id; });
            if (it == Errors->rend())
                failure = kNotFound;
            else
                selected_ = std::distance(Errors->begin(), it.base()) - 1;
        }
    }
    if (!failure.empty()) KW_ASSERT_FAIL(failure);
}

ErrorClass::Selection ErrorClass::Selected() const {
    std::lock_guard lock(mu_);
    Selection s;
    if (Errors && selected_ >= 0 && static_cast<std::size_t>(selected_) < Errors->size()) {
        s.valid = true;
        s.entry = (*Errors)[static_cast<std::size_t>(selected_)];
    }
    return s;
}

std::string ErrorClass::SubsString() {
    std::lock_guard lock(mu_);
    if (!Errors || selected_ < 0 || static_cast<std::size_t>(selected_) >= Errors->size())
        return {};
    return substituteLocked(static_cast<std::size_t>(selected_));
}

std::string ErrorClass::categoryLocked(const ErrorEntry& e) const {
    return e.Category.empty() ? DefaultCategory : e.Category;
}

// Steps 1 to 10 of the substitution (all but "%Previous").
std::string ErrorClass::stepsLocked(const ErrorEntry& e) const {
    std::string work = e.Message.substr(0, kWorkTextSize);
    const std::string code = std::to_string(SaveErrorCode);
    // "%File" stops short of "%FileError..." so that the two driver placeholders
    // survive to their own steps below.
    replaceAll(work, "%File", FileName.clip(), "Error");
    replaceAll(work, "%ErrorCode", code);
    if (SaveErrorCode == last_error::kDriverError)
        replaceAll(work, "%ErrorText",
                   SaveFileError.clip() + " (" + SaveFileErrorCode.clip() + ")");
    else
        replaceAll(work, "%ErrorText", SaveError.clip() + " (" + code + ")");
    replaceAll(work, "%Error", SaveError.clip());
    replaceAll(work, "%FileErrorCode", SaveFileErrorCode.clip());
    replaceAll(work, "%FileError", SaveFileError.clip());
    replaceAll(work, "%Message", MessageText.clip());
    replaceAll(work, "%Field", FieldName.clip());
    replaceAll(work, "%Procedure", procedureNameLocked());
    replaceAll(work, "%Category", categoryLocked(e));
    return work;
}

// The full substitution of entry `index`. "%Previous" takes the text of the entry
// this one overrides, itself substituted (so its own placeholders are filled, and
// its own "%Previous" reaches further back). Done oldest first, without recursion.
std::string ErrorClass::substituteLocked(std::size_t index) const {
    const std::vector<ErrorEntry>& list = *Errors;
    std::vector<std::size_t> chain{index};
    while (findNoCase(list[chain.back()].Message, "%Previous", 0) != std::string::npos) {
        std::size_t i = chain.back();
        const uint16_t id = list[i].ID;
        std::size_t prev = i;
        while (prev > 0 && list[prev - 1].ID != id) --prev;
        if (prev == 0) break;
        chain.push_back(prev - 1);
    }
    std::string previous;  // the substituted text of the entry before, "" for none
    std::size_t k = chain.size();
    while (k-- > 0) {
        std::string work = stepsLocked(list[chain[k]]);
        replaceAll(work, "%Previous", previous);
        previous = std::move(work);
    }
    return previous;
}

std::string ErrorClass::procedureNameLocked() const {
    if (!ProcNames) return {};
    const int32_t thread = proc::currentThread();
    for (auto it = ProcNames->rbegin(); it != ProcNames->rend(); ++it)
        if (it->Thread == thread) return it->Name;
    return {};
}

// ---------------------------------------------------------------------------------
// Simple state

void ErrorClass::SetProcedureName(std::string_view Name) {
    std::lock_guard lock(mu_);
    if (ProcNames) ProcNames->push_back(ProcNameEntry{proc::currentThread(), std::string(Name)});
}

void ErrorClass::SetProcedureName() {
    std::lock_guard lock(mu_);
    if (!ProcNames) return;
    const int32_t thread = proc::currentThread();
    for (auto it = ProcNames->rbegin(); it != ProcNames->rend(); ++it) {
        if (it->Thread == thread) {
            ProcNames->erase(std::next(it).base());
            return;
        }
    }
}

std::string ErrorClass::GetProcedureName() {
    std::lock_guard lock(mu_);
    return procedureNameLocked();
}

void ErrorClass::SetFile(std::string_view Name) {
    std::lock_guard lock(mu_);
    FileName = Name;
}

void ErrorClass::SetField(std::string_view Name) {
    std::lock_guard lock(mu_);
    FieldName = Name;
}

void ErrorClass::SetErrors() {
    const last_error::Snapshot e = last_error::get();
    std::lock_guard lock(mu_);
    SaveErrorCode = e.code;
    SaveError = e.text;
    SaveFileErrorCode = e.driverCode;
    SaveFileError = e.driverText;
}

void ErrorClass::SetCategory(int32_t Id, std::string_view Category) {
    {
        std::lock_guard lock(mu_);
        if (Id == -1) {
            DefaultCategory = Category;
            return;
        }
        if (Errors) {
            for (auto it = Errors->rbegin(); it != Errors->rend(); ++it) {
                if (it->ID == Id) {
                    it->Category = Category;
                    return;
                }
            }
        }
    }
    KW_ASSERT_FAIL(kNotFound);
}

std::string ErrorClass::GetCategory(int32_t Id) {
    std::lock_guard lock(mu_);
    if (Id != -1 && Errors) {
        for (auto it = Errors->rbegin(); it != Errors->rend(); ++it)
            if (it->ID == Id) return categoryLocked(*it);
    }
    return DefaultCategory;
}

// ---------------------------------------------------------------------------------
// History

void ErrorClass::AddHistory() {
    std::lock_guard lock(mu_);
    if (History) History->push_back(HistoryRecord);
}

void ErrorClass::ResetHistory() {
    std::lock_guard lock(mu_);
    if (History) History->clear();
}

unsigned ErrorClass::HistoryMsg(std::string_view Caption, msgbox::Icon Icon, unsigned Buttons,
                                unsigned Default) {
    std::vector<msgbox::HistoryRow> rows;
    {
        std::lock_guard lock(mu_);
        if (History)
            for (const ErrorHistoryEntry& h : *History)
                rows.push_back(msgbox::HistoryRow{h.Txt, h.Category});
    }
    return msgbox::showHistory(Caption, Icon, Buttons, Default, std::move(rows));
}

unsigned ErrorClass::ViewHistory() {
    return HistoryMsg(kHistoryCaption, msgbox::Icon::Information, msgbox::Ok, msgbox::Ok);
}

// ---------------------------------------------------------------------------------
// Showing

unsigned ErrorClass::MessageBox(std::string_view Text, std::string_view Caption, msgbox::Icon Icon,
                                unsigned Buttons, unsigned Default, int Style) {
    return msgbox::show(Text, Caption, Icon, Buttons, Default, Style);
}

void ErrorClass::writeLog(std::string_view Text) {
    ErrorLogInterface* log = ErrorLog;
    if (!log) {
        KW_ASSERT_FAIL(kNoLog);
        return;
    }
    if (log->Open(false) != Level::Benign) {
        KW_ASSERT_FAIL(std::string(kLogOpen) + lastErrorText());
        return;  // nothing to write to or close
    }
    std::string line = picture::format(clock::today(), "D17") + "@" +
                       picture::format(clock::clockTime(), "T8") + " --> " + std::string(Text);
    if (log->Take(line) != Level::Benign) KW_ASSERT_FAIL(std::string(kLogTake) + lastErrorText());
    if (log->Close(false) != Level::Benign)
        KW_ASSERT_FAIL(std::string(kLogClose) + lastErrorText());
}

unsigned ErrorClass::Msg(std::string_view Text, std::string_view Caption, msgbox::Icon Icon,
                         unsigned Buttons, unsigned Default, int Style) {
    const Flags f = flags();
    if (f.logErrors) writeLog(Text);

    const Selection sel = Selected();
    if (f.historyThreshold != 0) {
        {
            std::lock_guard lock(mu_);
            if (f.historyThreshold > 0 && History)
                while (!History->empty() &&
                       History->size() >= static_cast<std::size_t>(f.historyThreshold))
                    History->pop_front();
            HistoryRecord.Txt = std::string(Text.substr(0, ErrorHistoryEntry::kTxtSize));
            HistoryRecord.ID = sel.entry.ID;
            HistoryRecord.Category = sel.valid ? categoryLocked(sel.entry) : DefaultCategory;
        }
        AddHistory();
    }

    unsigned result = Default;
    if (!f.silent) {
        if (f.historyThreshold == 0) {
            result = MessageBox(Text, Caption, Icon, Buttons, Default, Style);
        } else if (sel.valid && sel.entry.Fatality == f.historyViewLevel) {
            result = HistoryMsg(Caption, Icon, Buttons, Default);
            if (f.historyResetOnView == 1) ResetHistory();
        }
    }
    return result;
}

ErrorClass::Flags ErrorClass::flags() const {
    std::lock_guard lock(mu_);
    return Flags{Silent, LogErrors, HistoryThreshold, HistoryViewLevel, HistoryResetOnView};
}

unsigned ErrorClass::showSelected(std::string_view suffix, msgbox::Icon icon, unsigned buttons,
                                  unsigned def) {
    Selection sel;
    std::string text;
    {
        // Title and text of the same message, even if another thread selects next.
        std::lock_guard lock(mu_);
        if (Errors && selected_ >= 0 && static_cast<std::size_t>(selected_) < Errors->size()) {
            sel.valid = true;
            sel.entry = (*Errors)[static_cast<std::size_t>(selected_)];
            text = substituteLocked(static_cast<std::size_t>(selected_));
        }
    }
    text += suffix;
    return Msg(text, sel.entry.Title, icon, buttons, def, 0);
}

// ---------------------------------------------------------------------------------
// Handlers

Level ErrorClass::TakeBenign() {
    return Level::Benign;
}

Level ErrorClass::TakeNotify() {
    showSelected({}, msgbox::Icon::Information, msgbox::Ok, msgbox::Ok);
    return Level::Notify;
}

Level ErrorClass::TakeUser() {
    unsigned r = showSelected({}, msgbox::Icon::Exclamation, msgbox::Yes | msgbox::No, msgbox::Yes);
    return r == msgbox::Yes ? Level::Benign : Level::Cancel;
}

Level ErrorClass::TakeFatal() {
    showSelected(kFatalSuffix, msgbox::Icon::Information, msgbox::Ok, msgbox::Ok);
    halt(0);
    return Level::Fatal;  // only when the halt handler returns (tests)
}

Level ErrorClass::TakeProgram() {
    return TakeFatal();
}

Level ErrorClass::TakeOther() {
    return TakeProgram();
}

Level ErrorClass::TakeError(uint16_t Id) {
    SetId(Id);
    const Selection sel = Selected();
    // An unknown number with nothing selected before has no message to show; the
    // assertion service has told the user, and the caller must not take it as success.
    if (!sel.valid) return Level::Notify;
    switch (sel.entry.Fatality) {
        case toByte(Level::Benign):
            return TakeBenign();
        case toByte(Level::User):
        case toByte(Level::Cancel):
            return TakeUser();
        case toByte(Level::Program):
            return TakeProgram();
        case toByte(Level::Fatal):
            return TakeFatal();
        case toByte(Level::Notify):
            TakeNotify();
            return Level::Notify;
        default:
            return TakeOther();
    }
}

Level ErrorClass::Throw(uint16_t Id) {
    SetErrors();
    return TakeError(Id);
}

Level ErrorClass::ThrowMessage(uint16_t Id, std::string_view Text) {
    {
        std::lock_guard lock(mu_);
        MessageText = Text;
    }
    return Throw(Id);
}

unsigned ErrorClass::Message(uint16_t Id, unsigned Buttons, unsigned Default) {
    if (flags().silent) return Default;
    SetId(Id);
    if (!Selected().valid) return Default;
    return showSelected({}, msgbox::Icon::Exclamation, Buttons, Default);
}

}  // namespace kw
