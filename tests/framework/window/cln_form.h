// A small update form for the window-manager tests and benchmark: the table CLN
// (clients, numbered automatically by ID) and its form CLN_FORM, a procedure-local
// subclass of WindowManager written the way every update form of the program is.
//
// The form: "Ф И О:", "Адрес:", "Сумма:", "Дата:", OK (default) and "Закрыть"; the
// name, address and sum are ditto fields (Ctrl+'). Its caption comes from the request.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/framework_globals.h"
#include "framework/window/ini_class.h"
#include "framework/window/window_manager.h"
#include "framework/window/window_resize_class.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "storage/file.h"

namespace kwform {

#pragma pack(push, 1)
struct ClnRecord {
    int32_t ID = 0;
    kw::FixedString<40> FIO;
    kw::FixedString<40> ADR;
    double SUM = 0;
    int32_t DAT = 0;
};
#pragma pack(pop)
static_assert(sizeof(ClnRecord) == 96);

inline thread_local ClnRecord CLN;
// The record as the last completed form of the thread left it (ditto).
inline thread_local ClnRecord HistoryCLN;

constexpr int32_t kFirstDay2024 = 72687 + 8766;  // 01.01.2024

inline const kw::storage::TableDecl& clnTable() {
    static const kw::storage::TableDecl t = [] {
        using FT = kw::storage::FieldType;
        auto field = [](const char* name, FT type, std::size_t offset, std::size_t size,
                        const char* pic) {
            kw::storage::FieldDecl f;
            f.name = name;
            f.type = type;
            f.offset = static_cast<uint16_t>(offset);
            f.size = static_cast<uint16_t>(size);
            f.picture = pic;
            return f;
        };
        auto key = [](const char* name, const char* description, std::vector<int> components,
                      bool dup) {
            kw::storage::KeyDecl k;
            k.name = name;
            k.description = description;
            k.components = std::move(components);
            k.dup = dup;
            return k;
        };
        kw::storage::TableDecl t;
        t.label = "CLN";
        t.diskName = "CLN";
        t.messageName = "cln";
        t.recordSize = sizeof(ClnRecord);
        t.buffer = [] { return static_cast<void*>(&CLN); };
        t.fields = {field("ID", FT::Long, offsetof(ClnRecord, ID), 4, "n_7"),
                    field("FIO", FT::String, offsetof(ClnRecord, FIO), 40, "s40"),
                    field("ADR", FT::String, offsetof(ClnRecord, ADR), 40, "s40"),
                    field("SUM", FT::Real, offsetof(ClnRecord, SUM), 8, "n_12.2"),
                    field("DAT", FT::Long, offsetof(ClnRecord, DAT), 4, "D6")};
        t.fields.back().isDate = true;
        t.keys = {key("KEY_ID", "CLN:key_id", {1}, false),
                  key("KEY_FIO", "CLN:key_fio", {2}, true)};
        return t;
    }();
    return t;
}

// The access object of CLN, with counters of the writes that reach it and failures
// to inject.
class ClnAccess : public kw::FileManager {
  public:
    kw::Level Insert() override {
        ++inserts;
        if (failInserts > 0) {
            --failInserts;
            SetError(4);
            return Throw();
        }
        return kw::FileManager::Insert();
    }
    kw::Level TryUpdate() override {
        ++updates;
        if (failUpdates > 0) {
            --failUpdates;
            SetError(25);
            return kw::Level::Notify;
        }
        return kw::FileManager::TryUpdate();
    }
    kw::Level DeleteRecord(uint8_t Query) override {
        ++deletes;
        if (failDeletes > 0) {
            --failDeletes;
            return kw::Level::Notify;
        }
        return kw::FileManager::DeleteRecord(Query);
    }

    std::atomic<int> inserts{0}, updates{0}, deletes{0};
    std::atomic<int> failInserts{0}, failUpdates{0}, failDeletes{0};
};

// CLN's FILE with its access and relate objects, set up as the dictionary sets up its
// own: KEY_ID numbers the records.
class ClnTable {
  public:
    ClnTable() : file(clnTable()) {
        fm.Init(file, GlobalErrors);
        fm.FileNameValue = "cln";
        fm.Create = 1;
        fm.LockRecover = 10;
        fm.AddKey(clnTable().keys[0], "CLN:key_id", 1);
        fm.AddKey(clnTable().keys[1], "CLN:key_fio", 0);
        rm.Init(fm, 1);
    }
    ~ClnTable() {
        rm.Kill();
        fm.Kill();
    }
    ClnTable(const ClnTable&) = delete;
    ClnTable& operator=(const ClnTable&) = delete;

    kw::storage::File file;
    ClnAccess fm;
    kw::RelationManager rm;
};

// Controls of the form.
enum ClnControl : int32_t {
    FioPrompt = 1,
    Fio,
    AdrPrompt,
    Adr,
    SumPrompt,
    Sum,
    DatPrompt,
    Dat,
    OkButton,
    CloseButton,
};

// What a test changes in the form's usual set-up (unset: as the form sets it).
struct ClnFormOptions {
    std::optional<uint8_t> insertAction;
    std::optional<uint8_t> deleteAction;
    std::optional<uint8_t> cancelAction;
    kw::INIClass* settings = nullptr;  // window settings in section "CLN_FORM"
    // Called on the form's thread once the window shows its first refresh.
    std::function<void(kw::WindowManager&)> afterOpen;
    // Called on the form's thread when the form ends, before it closes its tables.
    std::function<void(kw::WindowManager&)> atKill;
};

// How many times a CLN_FORM window was opened.
inline std::atomic<int> clnFormsOpened{0};

inline kw::ui::WindowDef clnDef() {
    using kw::W;
    using kw::ui::Control;
    const kw::storage::TableDecl& t = clnTable();
    kw::ui::WindowDef s;
    s.title = W("Клиент");
    s.add(Control::prompt(W("&Ф И О:")).number(FioPrompt));
    s.add(Control::entry(kw::UseField(t, "FIO"), "s40").number(Fio));
    s.add(Control::prompt(W("&Адрес:")).number(AdrPrompt));
    s.add(Control::entry(kw::UseField(t, "ADR"), "s40").number(Adr));
    s.add(Control::prompt(W("&Сумма:")).number(SumPrompt));
    s.add(Control::entry(kw::UseField(t, "SUM"), "n_12.2").number(Sum));
    s.add(Control::prompt(W("&Дата:")).number(DatPrompt));
    s.add(Control::entry(kw::UseField(t, "DAT"), "D6").number(Dat));
    s.add(Control::button("OK").number(OkButton).asDefault());
    s.add(Control::button(W("Закрыть")).number(CloseButton));
    return s;
}

class ClnForm : public kw::WindowManager {
  public:
    ClnForm(ClnTable& table, const ClnFormOptions& options) : table_(table), options_(options) {}

    kw::Level Init() override {
        using kw::Level;
        Errors->SetProcedureName("CLN_FORM");
        Request = GlobalRequest;
        const Level l = kw::WindowManager::Init();
        if (l != Level::Benign) return l;
        FirstField = Fio;
        VCRRequest = &::VCRRequest;
        GlobalRequest = 0;
        HistoryKey = kw::kHistoryKey;
        AddHistoryFile(clnTable(), &HistoryCLN);
        AddHistoryField(Fio, 2);
        AddHistoryField(Adr, 3);
        AddHistoryField(Sum, 4);
        AddItem(CloseButton, kw::resp::Cancelled);
        (void)table_.rm.Open(0);
        FilesOpened = 1;
        Primary = &table_.rm;
        if (Request == kw::req::View) {
            InsertAction = 1;
            DeleteAction = 1;
            ChangeAction = 0;
            CancelAction = 0;
            OKControl = 0;
        } else {
            DeleteAction = kw::kDeleteForm;
            CancelAction = 0;
            OKControl = OkButton;
        }
        if (options_.insertAction) InsertAction = *options_.insertAction;
        if (options_.deleteAction) DeleteAction = *options_.deleteAction;
        if (options_.cancelAction) CancelAction = *options_.cancelAction;
        if (PrimeUpdate() != Level::Benign) return Level::Notify;
        if (!OpenWindow(clnDef())) return Level::Notify;
        ++clnFormsOpened;
        if (options_.settings) resizer_.UseSettings(*options_.settings, "CLN_FORM");
        resizer_.Init(Win, kw::resize::Spread, 1, 0);
        AddItem(resizer_);
        SetAlerts();
        return Level::Benign;
    }

    void Ask() override {
        SetCaptionByRequest(kw::RequestCaptions::Standard());
        kw::WindowManager::Ask();
    }

    kw::Level Kill() override {
        if (options_.atKill && !Dead) options_.atKill(*this);
        const kw::Level l = kw::WindowManager::Kill();
        if (l != kw::Level::Benign) return l;
        if (FilesOpened) (void)table_.rm.Close(0);
        Errors->SetProcedureName();
        return l;
    }

    void Open() override {
        kw::WindowManager::Open();
        if (options_.afterOpen) options_.afterOpen(*this);
    }

    // A new record: blank name, address and sum, today's date.
    void PrimeFields() override {
        CLN.FIO.clear();
        CLN.ADR.clear();
        CLN.SUM = 0;
        CLN.DAT = kFirstDay2024;
        kw::WindowManager::PrimeFields();
    }

    // A form opened to view closes on OK.
    kw::Level TakeAccepted() override {
        if (Request == kw::req::View && Win.field() == OkButton) {
            Win.post(kw::ui::ev::CloseWindow);
            return kw::Level::Notify;
        }
        return kw::WindowManager::TakeAccepted();
    }

  private:
    ClnTable& table_;
    const ClnFormOptions& options_;
    kw::WindowResizeClass resizer_;
};

// The procedure: runs the form with GlobalRequest and answers through GlobalResponse.
inline uint8_t CLN_FORM(ClnTable& table, const ClnFormOptions& options = {}) {
    ClnForm ThisWindow(table, options);
    GlobalResponse = ThisWindow.Run();
    return GlobalResponse;
}

}  // namespace kwform
