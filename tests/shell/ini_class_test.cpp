// INIClass over a real file in a temporary directory.
#include "framework/window/ini_class.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class IniTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kw_ini_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "test.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string text() const {
        std::ifstream in(file_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void write(const std::string& s) const { std::ofstream(file_, std::ios::binary) << s; }
    std::size_t fileCount() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
    std::string file_;
};

}  // namespace

TEST_F(IniTest, MissingFileGivesDefaultsAndIsNotCreatedByInitOrFetch) {
    kw::INIClass ini;
    EXPECT_EQ(ini.Fetch("A", "B", "before init"), "before init");
    EXPECT_FALSE(ini.Update("A", "B", "x")) << "not initialised";
    ini.Init(file_);
    EXPECT_EQ(ini.Fetch("Main", "XPos", "10"), "10");
    EXPECT_EQ(ini.Fetch("Main", "XPos"), "");
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(IniTest, UpdateThenFetchIgnoringCaseOfNames) {
    kw::INIClass ini;
    ini.Init(file_);
    ASSERT_TRUE(ini.Update("Main", "XPos", "120"));
    ASSERT_TRUE(ini.Update("Main", "YPos", "40"));
    ASSERT_TRUE(ini.Update("Other", "Width", "300"));
    ASSERT_TRUE(ini.Update("main", "xpos", "125"));  // the same entry
    EXPECT_EQ(ini.Fetch("MAIN", "XPOS"), "125");
    EXPECT_EQ(ini.Fetch("Main", "YPos"), "40");
    EXPECT_EQ(ini.Fetch("Other", "Width"), "300");
    EXPECT_EQ(ini.Fetch("Other", "XPos", "none"), "none");
    EXPECT_EQ(text(), "[Main]\nXPos=125\nYPos=40\n\n[Other]\nWidth=300\n");
    EXPECT_EQ(fileCount(), 1u) << "no temporary file left behind";
}

TEST_F(IniTest, ForeignLinesAndCommentsAreKept) {
    write("; written by hand\r\n[Main]\r\nMaximize=No\r\n  odd line\r\n\r\n[Tail]\r\nK = v w \r\n");
    kw::INIClass ini;
    ini.Init(file_);
    EXPECT_EQ(ini.Fetch("Tail", "K"), "v w");
    ASSERT_TRUE(ini.Update("Main", "Width", "50"));
    EXPECT_EQ(text(),
              "; written by hand\n[Main]\nMaximize=No\n  odd line\nWidth=50\n\n[Tail]\nK = v w \n");
}

TEST_F(IniTest, OwnSectionListsTheSectionsWrittenAcrossRuns) {
    {
        kw::INIClass ini;
        ini.Init(file_);
        ASSERT_TRUE(ini.Update());
        EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors", "?"), "");
        ini.Update("UPDATEZAL", "XPos", "1");
        ini.Update("ZAL_TAB", "XPos", "2");
        ini.Update("updatezal", "YPos", "3");
        ASSERT_TRUE(ini.Update());
        EXPECT_EQ(ini.Fetch("__Dont_Touch_Me__", "Sectors"), "UPDATEZAL|ZAL_TAB");
        ini.Kill();
        EXPECT_EQ(ini.Fetch("UPDATEZAL", "XPos", "killed"), "killed");
    }
    kw::INIClass again;
    again.Init(file_);
    EXPECT_EQ(again.GetSectors(), (std::vector<std::string>{"UPDATEZAL", "ZAL_TAB"}));
    again.AddSector("SIS");
    ASSERT_TRUE(again.Update());
    EXPECT_EQ(again.Fetch("__Dont_Touch_Me__", "Sectors"), "UPDATEZAL|ZAL_TAB|SIS");
}

TEST_F(IniTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    kw::INIClass ini;
    ini.Init(file_);
    ASSERT_TRUE(ini.Update("S", "E", "keep"));
    const std::string before = text();
    EXPECT_FALSE(ini.Update("S", "E", "two\nlines"));
    EXPECT_FALSE(ini.Update("S\n[X]", "E", "v"));
    EXPECT_FALSE(ini.Update("S]", "E", "v"));
    EXPECT_FALSE(ini.Update("S", "E=F", "v"));
    EXPECT_FALSE(ini.Update("S", "[E", "v"));
    EXPECT_FALSE(ini.Update("", "E", "v"));
    EXPECT_FALSE(ini.Update("S", " ", "v"));
    EXPECT_EQ(text(), before);
    EXPECT_TRUE(ini.Update("S", "E", "a=b; c"));  // '=' and ';' are fine in a value
    EXPECT_EQ(ini.Fetch("S", "E"), "a=b; c");
}

TEST_F(IniTest, AFileThatCannotBeWrittenFailsAndStaysAsItWas) {
    kw::INIClass ini;
    ini.Init((dir_ / "missing" / "x.INI").string());
    EXPECT_FALSE(ini.Update("S", "E", "v"));
    EXPECT_FALSE(ini.Update());
    EXPECT_FALSE(fs::exists(dir_ / "missing"));

    // a directory where the file should be: the rename fails, the temporary is removed
    fs::create_directories(dir_ / "blocked.INI" / "inside");
    kw::INIClass blocked;
    blocked.Init((dir_ / "blocked.INI").string());
    EXPECT_FALSE(blocked.Update("S", "E", "v"));
    EXPECT_FALSE(fs::exists(dir_ / "blocked.INI.tmp"));
    EXPECT_TRUE(fs::is_directory(dir_ / "blocked.INI"));
}
