// The parts beneath the browse: the step classes of the thumb, the view manager's
// sort orders, ranges and filters and its read errors, and the popup menu.
#include "browse_test_util.h"
#include "runtime/assertion.h"

namespace kwbrowse {
namespace {

// ------------------------------------------------------------------ step classes

TEST(StepLongClass, MapsValuesToThumbPositionsAndBack) {
    kw::StepLongClass s;
    s.SetLimit(1, 300);
    EXPECT_EQ(s.GetPercentile(1), 1);  // 0 becomes 1
    EXPECT_EQ(s.GetPercentile(300), 100);
    EXPECT_EQ(s.GetPercentile(150), 50);
    EXPECT_EQ(s.GetPercentile(-20), 1);  // outside the limits: at the ends
    EXPECT_EQ(s.GetPercentile(1000), 100);
    EXPECT_EQ(s.GetValue(0).asNumber(), 1);
    EXPECT_EQ(s.GetValue(50).asNumber(), 151);
    EXPECT_EQ(s.GetValue(100).asNumber(), 300);
    s.Controls = kw::step::Descending;
    EXPECT_EQ(s.GetPercentile(1), 100);
    EXPECT_EQ(s.GetPercentile(300), 1);
    EXPECT_EQ(s.GetValue(0).asNumber(), 300);
    EXPECT_EQ(s.GetValue(100).asNumber(), 1);
}

TEST(StepLongClass, AllValuesEqualSitsAt50) {
    kw::StepLongClass s;
    s.SetLimit(7, 7);
    EXPECT_EQ(s.GetPercentile(7), 50);
    EXPECT_EQ(s.GetPercentile(9), 50);
    kw::StepStringClass t;
    t.SetLimit("Smith", "smith");
    EXPECT_EQ(t.GetPercentile("Smith"), 50);
}

TEST(StepStringClass, OrdersTextsByTheirLeadingLettersWithoutRegardToCase) {
    kw::StepStringClass s;
    EXPECT_LT(s.Hash("Adams"), s.Hash("Baker"));
    EXPECT_LT(s.Hash("Bak"), s.Hash("Baker"));
    EXPECT_EQ(s.Hash("kelly"), s.Hash("KELLY"));
    EXPECT_EQ(s.Hash(W("иванов")), s.Hash(W("ИВАНОВ")));
    EXPECT_EQ(s.Unhash(s.Hash("Kelly")), "KELL");
    s.Controls = kw::step::CaseSensitive;
    EXPECT_NE(s.Hash("kelly"), s.Hash("KELLY"));
    s.Controls = 0;
    s.SetLimit("Adams", "Turner");
    EXPECT_EQ(s.GetPercentile("Adams"), 1);
    EXPECT_EQ(s.GetPercentile("Turner"), 100);
    const std::string mid = s.GetValue(50).asText();
    EXPECT_GT(mid, "ADAMS");
    EXPECT_LT(mid, "TURNER");
    EXPECT_EQ(s.GetPercentile(mid), 50);
}

// ------------------------------------------------------------------ view manager

class ViewManagerTest : public BrowseTest {
  protected:
    void SetUp() override {
        BrowseTest::SetUp();
        seedClients(40);
    }
    // Runs `body` on a thread of its own with CLN open and a view manager over it.
    void withView(const std::function<void(kw::ViewManager&)>& body) {
        std::thread t([&] {
            kw::proc::setCurrentThread(58);
            ASSERT_EQ(table->rm.Open(0), kw::Level::Benign);
            {
                kw::storage::View view(table->file);
                kw::ViewManager vm;
                vm.Init(&view, table->rm);
                body(vm);
                vm.Kill();
            }
            (void)table->rm.Close(0);
        });
        t.join();
    }
    // The IDs the view manager reads from its start.
    static std::vector<int> all(kw::ViewManager& vm) {
        std::vector<int> out;
        vm.Reset();
        while (vm.Next() == kw::Level::Benign) out.push_back(CLN.ID);
        return out;
    }
};

TEST_F(ViewManagerTest, BuildsTheFilterFromTheRangeAndTheNamedFilters) {
    static kw::FixedString<40> name;
    name = "Smith";
    withView([](kw::ViewManager& vm) {
        const kw::storage::TableDecl& t = clnTable();
        EXPECT_EQ(vm.AddSortOrder(&t.keys[1]), 1);
        EXPECT_EQ(vm.Current()->Order, "+UPPER(CLN:FIO)");
        vm.AddRange(kw::FieldRef{&t, 2}, kw::ui::Binding::of(name));
        vm.SetFilter("cln:sum > 200", "a");
        vm.SetFilter("cln:id <> 39", "b");
        vm.Open();
        EXPECT_EQ(vm.ViewFilter(),
                  "(UPPER(CLN:FIO) = 'SMITH') AND (cln:sum > 200) AND (cln:id <> 39)");
        EXPECT_EQ(all(vm), (std::vector<int>{}));  // Smith: 19 and 39
        vm.SetFilter("", "b");
        vm.ApplyFilter();
        EXPECT_EQ(all(vm), (std::vector<int>{39}));
        // A changed variable is taken by ApplyRange.
        EXPECT_EQ(vm.ApplyRange(), 0);
        name = "o'Hara";
        EXPECT_EQ(vm.ApplyRange(), 1);
        EXPECT_EQ(vm.ViewFilter(), "(UPPER(CLN:FIO) = 'O''HARA') AND (cln:sum > 200)");
        EXPECT_TRUE(all(vm).empty());
        EXPECT_EQ(vm.ApplyRange(), 0);
    });
}

TEST_F(ViewManagerTest, SortOrdersFreeElementsAndAnUnknownSort) {
    withView([this](kw::ViewManager& vm) {
        const kw::storage::TableDecl& t = clnTable();
        vm.AddSortOrder(&t.keys[0]);
        vm.AddSortOrder(nullptr);
        vm.SetOrder("+CLN:FIO");
        vm.AppendOrder("-CLN:ID");
        EXPECT_EQ(vm.Current()->Order, "+CLN:FIO,-CLN:ID");
        EXPECT_EQ(vm.GetFreeElementName(), "CLN:FIO");
        CLN.FIO = "Baker";
        vm.AddRange(kw::FieldRef{&t, 2});  // the name as it is now
        EXPECT_EQ(vm.GetFreeElementName(), "CLN:ID");
        EXPECT_EQ(vm.GetFreeElementPosition(), 2);
        vm.Open();
        EXPECT_EQ(all(vm), (std::vector<int>{22, 2}));
        EXPECT_EQ(vm.SetSort(1), 1);
        EXPECT_EQ(vm.SetSort(1), 0);
        EXPECT_EQ(all(vm).size(), 40u);
        EXPECT_EQ(vm.GetFreeElementName(), "CLN:ID");
        boxes.answer(kw::msgbox::Ok);
        const std::size_t before = kw::assertion::reportCount();
        EXPECT_EQ(vm.SetSort(3), 0);
        ASSERT_EQ(kw::assertion::reportCount(), before + 1);
        EXPECT_EQ(kw::assertion::reports().back().text, "Sort order does not exist:3");
        EXPECT_EQ(vm.CurrentSort(), 1);
    });
}

TEST_F(ViewManagerTest, PrimeRecordPutsTheRangeIntoANewRecord) {
    static int32_t low, high;
    withView([](kw::ViewManager& vm) {
        const kw::storage::TableDecl& t = clnTable();
        vm.AddSortOrder(nullptr);
        vm.SetOrder("+CLN:FIO,+CLN:SUM");
        CLN.FIO = "Quinn";
        low = 100;
        high = 900;
        vm.AddRange(kw::FieldRef{&t, 4}, kw::ui::Binding::of(low), kw::ui::Binding::of(high));
        vm.Open();
        EXPECT_EQ(vm.ViewFilter(), "(CLN:FIO = 'Quinn' AND CLN:SUM >= 100 AND CLN:SUM <= 900)");
        EXPECT_EQ(all(vm), (std::vector<int>{17, 37}));  // sums 170 and 370
        CLN.ADR = "somewhere";
        EXPECT_EQ(vm.PrimeRecord(), kw::Level::Benign);
        EXPECT_EQ(CLN.FIO.clip(), "Quinn");
        EXPECT_EQ(CLN.ADR.clip(), "");  // cleared
        EXPECT_EQ(CLN.SUM, 0);          // the bounded component is left alone
        EXPECT_EQ(CLN.ID, 41);          // numbered
    });
}

class EndsAtForty : public kw::ViewManager {
  public:
    uint8_t ValidateRecord() override {
        if (CLN.ID % 2 == 0) return kw::record::Filtered;
        return CLN.ID > 10 ? kw::record::OutOfRange : kw::record::OK;
    }
};

TEST_F(ViewManagerTest, ValidateRecordSkipsAndEndsTheRead) {
    std::thread t([&] {
        kw::proc::setCurrentThread(58);
        ASSERT_EQ(table->rm.Open(0), kw::Level::Benign);
        {
            kw::storage::View view(table->file);
            EndsAtForty vm;
            vm.Init(&view, table->rm);
            vm.AddSortOrder(&clnTable().keys[0]);
            vm.Open();
            EXPECT_EQ(all(vm), (std::vector<int>{1, 3, 5, 7, 9}));
            vm.Kill();
        }
        (void)table->rm.Close(0);
    });
    t.join();
}

TEST_F(ViewManagerTest, AReadThatFailsGivesMessage1) {
    withView([this](kw::ViewManager& vm) {
        vm.AddSortOrder(&clnTable().keys[0]);
        vm.Open();
        EXPECT_EQ(vm.Next(), kw::Level::Benign);
        // Closed behind the view's back (which the file manager may report as misuse).
        boxes.answer(kw::msgbox::Ok);
        boxes.answer(kw::msgbox::Ok);
        (void)table->file.close();
        EXPECT_EQ(vm.Next(), kw::Level::Fatal);
        EXPECT_EQ(boxes.last().caption, "Record Retrieval Error");
        EXPECT_NE(boxes.last().text.find("cln"), std::string::npos) << boxes.last().text;
    });
    const std::vector<std::string> shown = captions();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "Record Retrieval Error"), 1);
}

// ------------------------------------------------------------------ popup menu

TEST(PopupClass, NamesItemsAndParsesMenuTexts) {
    kw::PopupClass p;
    EXPECT_EQ(p.AddItem("&Insert"), "Insert");
    EXPECT_EQ(p.AddItem("&Insert"), "Insert2");
    EXPECT_EQ(p.AddItem("-"), "Separator");
    EXPECT_EQ(p.AddItem("-"), "Separator2");
    EXPECT_EQ(p.AddItem("Anything", "Mine"), "Mine");
    p.DeleteAll();
    p.AddMenu("&Open|{&Recent|File 1|~File 2}|-|+&Wrap|~E&xit");
    std::vector<std::string> names, texts;
    std::vector<int> depths;
    for (const auto& e : p.Items) {
        names.push_back(e.Name);
        texts.push_back(e.Text);
        depths.push_back(e.Depth);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Open", "Recent", "File 1", "File 2", "Separator",
                                               "Wrap", "Exit"}));
    EXPECT_EQ(texts, (std::vector<std::string>{"&Open", "&Recent", "File 1", "File 2", "-", "&Wrap",
                                               "E&xit"}));
    EXPECT_EQ(depths, (std::vector<int>{0, 0, 1, 1, 0, 0, 0}));
    EXPECT_TRUE(p.GetItemChecked("wrap"));
    EXPECT_FALSE(p.GetItemEnabled("Exit"));
    EXPECT_FALSE(p.GetItemEnabled("File 2"));
    p.SetItemEnable("Exit", true);
    EXPECT_TRUE(p.GetItemEnabled("Exit"));
    p.DeleteItem("Recent");
    EXPECT_EQ(p.Items.size(), 4u);
    // What the menu shows: no separator at either end or twice in a row.
    p.DeleteItem("Open");
    const auto shown = p.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "&Wrap");
    EXPECT_TRUE(shown[0].checked);
}

// A window with buttons A, B (disabled) and C (hidden) and a button that shows the
// popup; what the popup's Ask returned and which buttons were pressed.
struct PopupRun {
    std::vector<std::string> answers;
    std::vector<int> pressed;
    int number = 0;
};

class PopupWindow : public kwform::FormTest {
  protected:
    void start(PopupRun& run) {
        run.number = kw::proc::start([&run] {
            using kw::ui::Control;
            kw::ui::WindowDef s;
            s.title = "Popup";
            s.add(Control::button("A").number(1));
            s.add(Control::button("B").number(2).off());
            s.add(Control::button("C").number(3).invisible());
            s.add(Control::button("Menu").number(4));
            kw::ui::Window w;
            if (!w.open(s)) return;
            kw::PopupClass p;
            p.Init(w);
            p.AddItemMimic("A", 1);
            p.AddItemMimic("B", 2);
            p.AddItemMimic("C", 3);
            p.AddItem("-");
            p.AddItem("Plain");
            p.AddSubMenu("More", "One|Two");
            while (int e = w.accept()) {
                if (e != kw::ui::ev::Accepted) continue;
                if (w.field() == 4)
                    run.answers.push_back(p.Ask(10, 10));
                else
                    run.pressed.push_back(w.field());
            }
        });
        ASSERT_NE(run.number, 0);
    }
};

TEST_F(PopupWindow, MimicItemsFollowTheirButtonsAndPressThem) {
    PopupRun run;
    start(run);
    auto w = window("Popup");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press("Menu"), Drive::Ok);
    const auto items = w.popupMenu();
    ASSERT_EQ(items.size(), 7u);
    std::vector<std::string> texts;
    for (const auto& i : items)
        texts.push_back(kw::ui::labelText(i.text));  // buttons carry access keys
    EXPECT_EQ(texts, (std::vector<std::string>{"A", "B", "-", "Plain", "More", "One", "Two"}));
    EXPECT_TRUE(items[0].enabled);
    EXPECT_FALSE(items[1].enabled);  // its button is disabled; C's is hidden
    EXPECT_EQ(items[5].depth, 1);
    EXPECT_EQ(w.choosePopup("B"), Drive::Disabled);
    EXPECT_EQ(w.choosePopup("More"), Drive::WrongKind);  // opens the submenu
    EXPECT_EQ(w.choosePopup("-"), Drive::NoControl);
    EXPECT_EQ(w.choosePopup("A"), Drive::Ok);
    EXPECT_TRUE(w.popupMenu().empty());
    EXPECT_EQ(w.press("Menu"), Drive::Ok);
    EXPECT_EQ(w.choosePopup("More/Two"), Drive::Ok);
    EXPECT_EQ(w.press("Menu"), Drive::Ok);
    EXPECT_EQ(w.dismissPopup(), Drive::Ok);
    EXPECT_EQ(w.choosePopup(1), Drive::NoControl);  // none is up
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    ASSERT_TRUE(kw::proc::wait(run.number, 10s));
    EXPECT_EQ(run.answers, (std::vector<std::string>{"A", "Two", ""}));
    EXPECT_EQ(run.pressed, (std::vector<int>{1}));  // only the mimic presses a button
}

// ------------------------------------------------------------------ list set-up

TEST(BrowseSetUp, NamedFieldsFollowTheColumnsBeforeThemInTheOrderNamed) {
    kw::BrowseClass b;
    kw::FixedString<10> shown;
    b.AddField(kw::ui::Binding::of(shown).named("SHOWN"));
    b.AddFields(kwform::clnTable(), {"SUM", "FIO", "NOSUCH", "ID"});
    ASSERT_EQ(b.Fields.size(), 4u);  // a name the table does not have adds no column
    const char* names[] = {"SHOWN", "CLN:SUM", "CLN:FIO", "CLN:ID"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.Fields[i].Source.name(), names[i]);
        EXPECT_EQ(b.Fields[i].Column, i + 1);
    }
}

TEST(BrowseSetUp, UpdateButtonsStandInOrderWithTheirNumbersAndLabels) {
    kw::ui::WindowDef s;
    kw::AddUpdateButtons(s, 7, 3, 9, "&Обработать");
    ASSERT_EQ(s.controls.size(), 3u);
    const std::pair<int, const char*> want[] = {
        {7, "&Добавить"}, {3, "&Обработать"}, {9, "&Удалить"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.controls[i].kind, kw::ui::ControlKind::Button);
        EXPECT_EQ(s.controls[i].feq, want[i].first);
        EXPECT_EQ(s.controls[i].text, W(want[i].second));
    }
    kw::ui::WindowDef plain;
    kw::AddUpdateButtons(plain, 1, 2, 3);
    EXPECT_EQ(plain.controls[1].text, W("&Изменить"));
}

}  // namespace
}  // namespace kwbrowse
