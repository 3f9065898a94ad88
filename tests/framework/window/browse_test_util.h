// Helpers of the browse tests: a CLN file of a few hundred clients written straight to
// the disk, and CLN_BROWSE, a browse procedure over it written the way the program's
// lists are (a procedure-local WindowManager with BRW1), run on a procedure thread and
// driven through the scripted back end. Its update form is CLN_FORM (cln_form.h),
// optionally with the frame toolbar's form behaviour.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form_test_util.h"
#include "framework/window/browse_class.h"
#include "framework/window/locator_class.h"
#include "framework/window/popup_class.h"
#include "framework/window/step_class.h"
#include "framework/window/toolbar_class.h"
#include "storage/view.h"

namespace kwbrowse {

using namespace std::chrono_literals;
using kw::W;
using kw::script::Drive;
using kwform::CLN;
using kwform::ClnRecord;
using kwform::ClnTable;
using kwform::clnTable;

// Twenty surnames; client i is called kSurnames[(i - 1) % 20], so the name order
// interleaves the number order.
inline const std::vector<std::string> kSurnames = {
    "Adams", "Baker", "Carter", "Dalton", "Evans", "Fisher", "Garcia", "Harris", "Irwin", "Jones",
    "Kelly", "Lewis", "Moore",  "Nolan",  "Owens", "Parker", "Quinn",  "Reed",   "Smith", "Turner"};
inline std::string surnameOf(int id) {
    return kSurnames[static_cast<std::size_t>((id - 1) % 20)];
}

// Controls of CLN_BROWSE.
enum BrowseControl : int32_t {
    List = 1,
    Detail,       // shows CLN:FIO of the record buffer
    LocatorText,  // the locator's control
    InsertButton,
    ChangeButton,
    DeleteButton,
    ViewButton,
    SelectButton,
    ToolButton,
    CloseButton,
};

enum class Locator { None, Step, Incremental, Entry };
enum class Thumb { None, Long, String };

// How CLN_BROWSE is set up for a test.
struct BrowseOptions {
    int sort = 1;  // 1: KEY_ID, 2: KEY_FIO
    Locator locator = Locator::None;
    Thumb thumb = Thumb::None;
    std::string filter;
    int rows = 10;
    bool toolbar = false;  // the browse and its form take part in a toolbar
    bool viewButton = true;
    bool toolButton = true;
    // Further set-up of BRW1 after the sort order (ranges, filters, flags).
    std::function<void(kw::BrowseClass&)> setup;
    // When set, the sort order chosen at every reset (as a tab of the window would).
    std::atomic<int>* sortChoice = nullptr;
    // Called on the browse's thread after each form ran (ResetFromAsk done).
    kwform::ClnFormOptions form;
};

// The form with the frame toolbar's behaviour; `toolbar` is where tests read its tips.
class ClnToolbarForm : public kwform::ClnForm {
  public:
    ClnToolbarForm(ClnTable& table, const kwform::ClnFormOptions& options)
        : ClnForm(table, options) {}
    kw::Level Init() override {
        const kw::Level l = ClnForm::Init();
        if (l != kw::Level::Benign) return l;
        AddItem(toolbar);
        AddItem(toolbarForm);
        lastTips = {toolbar.Tip(kw::vcr::Insert), toolbar.Tip(kw::vcr::Down),
                    toolbar.Tip(kw::vcr::Bottom)};
        return l;
    }
    kw::ToolbarClass toolbar;
    kw::ToolbarUpdateClass toolbarForm;
    static inline std::vector<std::string> lastTips;  // tips of 3001, 3009, 3005 of the last form
};

// BRW1 of CLN_BROWSE: the sort order follows BrowseOptions::sortChoice.
class ClnBrowseClass : public kw::BrowseClass {
  public:
    void ResetSort(uint8_t Force) override {
        if (sortChoice) {
            (void)SetSort(static_cast<uint16_t>(sortChoice->load()), Force);
            return;
        }
        kw::BrowseClass::ResetSort(Force);
    }
    std::atomic<int>* sortChoice = nullptr;
};

class ClnBrowse : public kw::WindowManager {
  public:
    ClnBrowse(ClnTable& table, const BrowseOptions& options)
        : table_(table), options_(options), view_(table.file) {}

    kw::Level Init() override {
        using kw::ui::Control;
        Request = GlobalRequest;
        const kw::Level l = kw::WindowManager::Init();
        if (l != kw::Level::Benign) return l;
        VCRRequest = &::VCRRequest;
        GlobalRequest = 0;
        if (options_.toolbar) AddItem(toolbar_);
        (void)table_.rm.Open(0);
        FilesOpened = 1;
        kw::ui::WindowDef s;
        s.title = W("Клиенты");
        s.add(Control::list({{"ID", 7, "n_7"}, {"FIO", 20, "s40"}, {"SUM", 12, "n_12.2"}}, nullptr,
                            options_.rows)
                  .number(List));
        Control detail = Control::prompt("");
        detail.use = kw::UseField(clnTable(), "FIO");
        detail.picture = "s40";
        s.add(detail.number(Detail));
        if (options_.locator == Locator::Entry)
            s.add(Control::entry(kw::ui::Binding::of(look_), "s20").number(LocatorText));
        else
            s.add(Control::prompt("").number(LocatorText));
        s.add(Control::button("&Insert").number(InsertButton));
        s.add(Control::button("&Change").number(ChangeButton));
        s.add(Control::button("&Delete").number(DeleteButton));
        s.add(Control::button("&View").number(ViewButton).invisible());
        s.add(Control::button("&Select").number(SelectButton));
        s.add(Control::button("&Toolbox").number(ToolButton));
        s.add(Control::button("Close").number(CloseButton));
        if (!OpenWindow(s)) return kw::Level::Notify;
        if (options_.viewButton) Win.unhide(ViewButton);
        BRW1.Init(List, &view_, queue_, table_.rm, *this);
        const kw::storage::TableDecl& t = clnTable();
        kw::StepClass* thumb = nullptr;
        if (options_.thumb == Thumb::Long) thumb = &stepLong_;
        if (options_.thumb == Thumb::String) thumb = &stepString_;
        BRW1.AddSortOrder(thumb, &t.keys[static_cast<std::size_t>(options_.sort - 1)]);
        const kw::FieldRef key{&t, options_.sort == 1 ? 1 : 2};
        kw::LocatorClass* locator = nullptr;
        switch (options_.locator) {
            case Locator::Step:
                locator = &step_;
                break;
            case Locator::Incremental:
                locator = &incremental_;
                break;
            case Locator::Entry:
                locator = &entry_;
                break;
            case Locator::None:
                break;
        }
        if (locator) {
            BRW1.AddLocator(locator);
            locator->Init(LocatorText, key, 1, BRW1);
        }
        if (!options_.filter.empty()) BRW1.SetFilter(options_.filter);
        BRW1.AddField(kw::FieldRef{&t, 1});
        BRW1.AddField(kw::FieldRef{&t, 2});
        BRW1.AddField(kw::FieldRef{&t, 4});
        BRW1.InsertControl = InsertButton;
        BRW1.ChangeControl = ChangeButton;
        BRW1.DeleteControl = DeleteButton;
        if (options_.viewButton) BRW1.ViewControl = ViewButton;
        BRW1.SelectControl = SelectButton;
        if (options_.toolButton) BRW1.ToolControl = ToolButton;
        BRW1.AskProcedure = 1;
        if (options_.sortChoice) {
            BRW1.sortChoice = options_.sortChoice;
            BRW1.AddSortOrder(nullptr, &t.keys[options_.sort == 1 ? 1 : 0]);
            BRW1.InitSort(1);
        }
        if (options_.setup) options_.setup(BRW1);
        AddItem(CloseButton, kw::resp::Cancelled);
        AddItem(BRW1);
        SetAlerts();
        return kw::Level::Benign;
    }

    kw::Level Kill() override {
        const kw::Level l = kw::WindowManager::Kill();
        if (l == kw::Level::Benign && FilesOpened) (void)table_.rm.Close(0);
        return l;
    }

    // The update procedure: CLN_FORM with the request.
    uint8_t Run(uint16_t Number, uint8_t Req) override {
        if (Number != 1) return kw::resp::Cancelled;
        GlobalRequest = Req;
        ++formsRun;
        if (options_.toolbar) {
            ClnToolbarForm f(table_, options_.form);
            GlobalResponse = f.Run();
        } else {
            kwform::ClnForm f(table_, options_.form);
            GlobalResponse = f.Run();
        }
        return GlobalResponse;
    }
    using kw::WindowManager::Run;

    ClnBrowseClass BRW1;
    int formsRun = 0;

  private:
    ClnTable& table_;
    const BrowseOptions& options_;
    kw::storage::View view_;
    kw::BrowseQueue queue_;
    kw::StepLongClass stepLong_;
    kw::StepStringClass stepString_;
    kw::StepLocatorClass step_;
    kw::IncrementalLocatorClass incremental_;
    kw::EntryLocatorClass entry_;
    kw::ToolbarClass toolbar_;
    kw::FixedString<20> look_;
};

// What a browse run on its procedure thread left behind.
struct BrowseRun {
    uint8_t response = 0;
    ClnRecord after;  // CLN after the procedure returned
    int number = 0;
    bool join() { return number == 0 || kw::proc::wait(number, 10s); }
};

class BrowseTest : public kwform::FormTest {
  protected:
    // Clients 1..n written straight to CLN (no journal, no sync).
    void seedClients(int n) {
        std::thread t([n] {
            kw::proc::setCurrentThread(59);
            kw::storage::File f(clnTable());
            ASSERT_EQ(f.create().code, 0);
            ASSERT_EQ(f.open().code, 0);
            f.setDurable(false);
            for (int i = 1; i <= n; ++i) {
                CLN = ClnRecord{};
                CLN.ID = i;
                CLN.FIO = surnameOf(i);
                CLN.ADR = "Street " + std::to_string(i);
                CLN.SUM = i * 10;
                CLN.DAT = kwform::kFirstDay2024 + i % 30;
                ASSERT_EQ(f.add().code, 0);
            }
            f.setDurable(true);
            (void)f.close();
        });
        t.join();
    }

    // Runs CLN_BROWSE with `request`; the caller's record in CLN is `caller`.
    void startBrowse(BrowseRun& run, uint8_t request = 0, ClnRecord caller = {}) {
        run.number = kw::proc::start([this, &run, request, caller] {
            CLN = caller;
            GlobalRequest = request;
            ClnBrowse ThisWindow(*table, browse);
            GlobalResponse = ThisWindow.Run();
            run.response = GlobalResponse;
            run.after = CLN;
        });
        ASSERT_NE(run.number, 0);
    }

    kw::script::WindowDriver openBrowse(BrowseRun& run, uint8_t request = 0,
                                        ClnRecord caller = {}) {
        startBrowse(run, request, caller);
        auto w = window("Клиенты");
        EXPECT_TRUE(w);
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }

    // The window titled so that is open now or opens within `timeout`.
    static kw::script::WindowDriver window(const char* utf8Title,
                                           std::chrono::milliseconds timeout) {
        return kw::script::waitWindow(W(utf8Title), timeout);
    }
    using kwform::FormTest::window;

    // The IDs the list shows, top to bottom.
    static std::vector<int> ids(const kw::script::WindowDriver& w) {
        std::vector<int> out;
        for (int r = 1; r <= w.rows(List); ++r) out.push_back(std::stoi(w.cell(List, r, 1)));
        return out;
    }
    // The ID of the highlighted row; 0 when none.
    static int highlighted(const kw::script::WindowDriver& w) {
        const int r = w.choice(List);
        return r > 0 ? std::stoi(w.cell(List, r, 1)) : 0;
    }
    static std::vector<int> range(int from, int to) {
        std::vector<int> out;
        for (int i = from; i <= to; ++i) out.push_back(i);
        return out;
    }
    // Closes the browse with its close button and waits for its thread.
    static void close(kw::script::WindowDriver& w, BrowseRun& run) {
        EXPECT_EQ(w.press(CloseButton), Drive::Ok);
        EXPECT_TRUE(run.join());
    }

    BrowseOptions browse;
};

}  // namespace kwbrowse
