// The window resizer and the window settings kept in the INI file: first size and
// limits, the strategies, and saving and restoring a window's place between runs.
#include <fstream>
#include <sstream>

#include "form_test_util.h"

namespace kwform {
namespace {

using kw::ui::Control;
using kw::ui::Geometry;

class Settings : public FormTest {
  protected:
    // A window opened on the test's own thread (the scripted back end: 60 x 20 cells
    // of 8 x 20 pixels, so 480 x 400).
    bool open(bool resizable = true) {
        kw::ui::WindowDef s;
        s.title = "Settings";
        s.resizable = resizable;
        s.add(Control::button("OK"));
        return win.open(std::move(s));
    }
    void place(int x, int y, int w, int h, bool maximized = false, bool iconised = false) {
        win.setGeometry(Geometry{x, y, w, h, maximized, iconised});
    }
    std::string file() const {
        std::ifstream in(ini.FileName());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    kw::ui::Window win;
    kw::INIClass ini;
};

TEST_F(Settings, TheResizerMakesTheFirstSizeTheLimitAsAsked) {
    ASSERT_TRUE(open());
    kw::WindowResizeClass r;
    ASSERT_TRUE(r.Init(win, kw::resize::Spread, 1, 1));
    EXPECT_EQ(r.FirstWidth, 480);
    EXPECT_EQ(r.FirstHeight, 400);
    EXPECT_EQ(win.model()->minWidth, 480);
    EXPECT_EQ(win.model()->maxHeight, 400);
    place(10, 20, 900, 700);  // past the maximum: brought back
    EXPECT_EQ(r.Resize(), kw::Level::Benign);
    EXPECT_EQ(win.geometry().width, 480);
    EXPECT_EQ(win.geometry().height, 400);
    EXPECT_EQ(win.geometry().x, 10);
    place(10, 20, 900, 700, true);  // a maximised window is the system's business
    (void)r.Resize();
    EXPECT_EQ(win.geometry().width, 900);
}

TEST_F(Settings, OnlyTheMinimumByDefaultAndAFixedStrategyKeepsTheFirstSize) {
    ASSERT_TRUE(open());
    kw::WindowResizeClass spread;
    ASSERT_TRUE(spread.Init(win, kw::resize::Spread, 1, 0));
    EXPECT_EQ(win.model()->minWidth, 480);
    EXPECT_EQ(win.model()->maxWidth, 0);
    place(0, 0, 300, 900);
    (void)spread.Resize();
    EXPECT_EQ(win.geometry().width, 480);
    EXPECT_EQ(win.geometry().height, 900);
    spread.RestoreWindow();
    EXPECT_EQ(win.geometry().width, 480);
    EXPECT_EQ(win.geometry().height, 400);

    kw::WindowResizeClass fixed;
    ASSERT_TRUE(fixed.Init(win, kw::resize::Fixed, 0, 0));
    EXPECT_EQ(win.model()->maxWidth, 480);
    EXPECT_EQ(win.model()->minHeight, 400);
    kw::WindowResizeClass unknown;
    EXPECT_FALSE(unknown.Init(win, 7, 1, 0));
    win.close();
    EXPECT_FALSE(unknown.Init(win, kw::resize::Spread, 1, 0));
}

TEST_F(Settings, AWindowsPlaceIsSavedAndRestored) {
    ini.Init("kestrowd.INI");
    ASSERT_TRUE(open());
    place(30, 40, 640, 480);
    ASSERT_TRUE(ini.Update("CLN_FORM", win));
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Maximize"), "No");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "XPos"), "30");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "YPos"), "40");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Width"), "640");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Height"), "480");
    place(0, 0, 480, 400);
    ASSERT_TRUE(ini.Fetch("CLN_FORM", win));
    const Geometry g = win.geometry();
    EXPECT_EQ(g.x, 30);
    EXPECT_EQ(g.y, 40);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 480);
    EXPECT_FALSE(g.maximized);
    EXPECT_FALSE(ini.Fetch("OTHER", win));  // nothing saved: nothing changes
    EXPECT_EQ(win.geometry().width, 640);
}

TEST_F(Settings, AMaximisedWindowWritesOnlyMaximizeAndAnIconisedOneNothing) {
    ini.Init("kestrowd.INI");
    ASSERT_TRUE(open());
    place(30, 40, 640, 480);
    ASSERT_TRUE(ini.Update("CLN_FORM", win));
    place(0, 0, 1024, 768, true);
    ASSERT_TRUE(ini.Update("CLN_FORM", win));
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Maximize"), "Yes");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "XPos"), "30");  // as they were
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Width"), "640");
    const std::string before = file();
    place(5, 5, 100, 100, false, true);
    EXPECT_FALSE(ini.Update("CLN_FORM", win));
    EXPECT_EQ(file(), before);
    place(0, 0, 480, 400);
    ASSERT_TRUE(ini.Fetch("CLN_FORM", win));
    EXPECT_TRUE(win.geometry().maximized);
    EXPECT_EQ(win.geometry().x, 30);
}

TEST_F(Settings, AWindowOfFixedSizeKeepsItsSizeOutOfTheSettings) {
    ini.Init("kestrowd.INI");
    ASSERT_TRUE(ini.Update("FIXED", "Width", "900"));
    ASSERT_TRUE(ini.Update("FIXED", "Height", "900"));
    ASSERT_TRUE(open(false));
    place(7, 8, 480, 400);
    ASSERT_TRUE(ini.Update("FIXED", win));
    EXPECT_EQ(ini.Fetch("FIXED", "XPos"), "7");
    EXPECT_EQ(ini.Fetch("FIXED", "Width"), "900");  // not written
    place(0, 0, 480, 400);
    ASSERT_TRUE(ini.Fetch("FIXED", win));
    EXPECT_EQ(win.geometry().x, 7);
    EXPECT_EQ(win.geometry().width, 480);
}

TEST_F(Settings, SettingsThatAreNotSoundNumbersArePassedOver) {
    ini.Init("kestrowd.INI");
    ASSERT_TRUE(ini.Update("BAD", "XPos", "12abc"));
    ASSERT_TRUE(ini.Update("BAD", "YPos", "40"));
    ASSERT_TRUE(ini.Update("BAD", "Width", "-5"));
    ASSERT_TRUE(ini.Update("BAD", "Height", "99999999999"));
    ASSERT_TRUE(ini.Update("BAD", "Maximize", "Maybe"));
    ASSERT_TRUE(open());
    place(1, 2, 480, 400);
    EXPECT_FALSE(ini.Fetch("BAD", win));
    const Geometry g = win.geometry();
    EXPECT_EQ(g.x, 1);
    EXPECT_EQ(g.width, 480);
    EXPECT_FALSE(g.maximized);
}

TEST_F(Settings, AFormsResizerRestoresAndSavesItsWindowThroughTheINIFile) {
    ini.Init("kestrowd.INI");
    options.settings = &ini;
    {
        FormRun run;
        start(run, kw::req::Insert);
        auto w = window("Добавить ???");
        ASSERT_TRUE(w);
        EXPECT_EQ(w.model()->minWidth, w.model()->firstWidth);
        EXPECT_EQ(w.resize(100, 100), Drive::Ok);  // not below the first size
        EXPECT_EQ(w.geometry().width, w.model()->firstWidth);
        EXPECT_EQ(w.resize(700, 500), Drive::Ok);
        EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
        ASSERT_TRUE(run.join());
    }
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Width"), "700");
    EXPECT_EQ(ini.Fetch("CLN_FORM", "Height"), "500");
    {
        FormRun run;
        start(run, kw::req::Insert);
        auto w = window("Добавить ???");
        ASSERT_TRUE(w);
        EXPECT_EQ(w.geometry().width, 700);
        EXPECT_EQ(w.geometry().height, 500);
        EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
        ASSERT_TRUE(run.join());
    }
}

}  // namespace
}  // namespace kwform
