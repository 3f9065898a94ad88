// MAIN, the application frame: its window, its menu and hints, and its three actions.
#include <gtest/gtest.h>

#include "framework/data/error_class.h"
#include "shell/globals.h"
#include "shell_test_util.h"

using namespace kwtest;

namespace {

class MainFrameTest : public ShellTest {};

struct Shown {
    kw::ui::ControlKind kind;
    std::string text;
    std::string tip;
    int parent;
};

}  // namespace

TEST_F(MainFrameTest, TheFrameHasItsTitleIconPictureAndExactlyTheMenuWithItsHints) {
    GlobalRequest = 4;
    startProgram();
    const kw::ui::WindowDef& def = frame.model()->def;
    EXPECT_EQ(frame.title(), W("Автоматизация работы ломбарда"));
    EXPECT_TRUE(def.frame);
    EXPECT_EQ(def.icon, "Lsg5.ico");
    EXPECT_EQ(def.picture, "Lsg8.bmp");
    EXPECT_EQ(frame.thread(), kw::proc::kEntryThread);
    EXPECT_EQ(GlobalRequest, 0) << "taken over at the start";

    using K = kw::ui::ControlKind;
    const std::vector<Shown> expected = {
        {K::Menu, W("&Установка принтера"), "", 0},
        {K::Item, W("&Выбор и установки принтера"), "Setup printer", 1},
        {K::Item, W("Выход"), "Exit this application", 1},
        {K::Menu, W("&Запуск системы"), "", 0},
        {K::Item, W("Ввод кода и пароля для запуска системы"), "Remove item to Windows Clipboard",
         4},
    };
    ASSERT_EQ(def.controls.size(), expected.size()) << frame.dump();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const kw::ui::Control& c = def.controls[i];
        EXPECT_EQ(c.kind, expected[i].kind) << i;
        // The texts as shown; every item has an access key besides (the window gives the
        // ones the texts do not mark).
        EXPECT_EQ(kw::ui::labelText(c.text), kw::ui::labelText(expected[i].text)) << i;
        if (c.text != "-") {
            EXPECT_NE(kw::ui::accessKey(c.text), 0) << i;
        }
        EXPECT_EQ(c.tip, expected[i].tip) << i;
        EXPECT_EQ(c.parent, expected[i].parent) << i;
    }
    // no toolbar, no other control
    ASSERT_TRUE(exitProgram());
    EXPECT_EQ(GlobalResponse, 2) << "the frame's result: nothing was completed";
}

TEST_F(MainFrameTest, PrinterSetUpShowsTheSystemsDialogAndTheFrameGoesOn) {
    startProgram();
    EXPECT_EQ(frame.press(W("Выбор и установки принтера")), Drive::Ok);
    EXPECT_EQ(printer.calls(), 1);
    EXPECT_EQ(printer.lastTitle(), W("Выбор и установки принтера"));
    printer.setAnswer(false);  // cancelled: nothing else happens
    EXPECT_EQ(frame.press(W("Выбор и установки принтера")), Drive::Ok);
    EXPECT_EQ(printer.calls(), 2);
    EXPECT_TRUE(frame.isOpen());
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(MainFrameTest, TheLoginItemStartsTheLoginWindowOnAThreadOfItsOwnEachTime) {
    startProgram();
    WindowDriver first = openLogin();
    ASSERT_TRUE(first);
    EXPECT_NE(first.thread(), kw::proc::kEntryThread);
    EXPECT_FALSE(frame.isBlocked()) << "the frame stays usable";
    WindowDriver second = openLogin();
    ASSERT_TRUE(second);
    EXPECT_NE(second.model(), first.model());
    EXPECT_NE(second.thread(), first.thread());
}

TEST_F(MainFrameTest, ExitClosesEveryWindowOfTheProgramAndTheProgramEnds) {
    WindowDriver menu = logIn("6");
    ASSERT_TRUE(menu);
    ASSERT_EQ(kw::script::windows().size(), 3u);
    ASSERT_TRUE(exitProgram());
    EXPECT_TRUE(kw::script::windows().empty());
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(login.isOpen());
    EXPECT_EQ(KOD, 0) << "the login window ended as when closed";
    EXPECT_TRUE(std::filesystem::exists(dir_ / "kestrowd.INI"));
}

TEST_F(MainFrameTest, TheFramesCloseBoxEndsTheProgramToo) {
    startProgram();
    EXPECT_EQ(frame.closeBox(), Drive::Ok);
    EXPECT_TRUE(kw::proc::waitAll(10s));
    EXPECT_FALSE(programRunning());
}
