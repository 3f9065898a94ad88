// DctInit / DctKill: the access and relate objects of every table, set up in dictionary
// order with steps (a) to (f), and torn down again.
#include "framework/data/dct_init.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/tables.h"
#include "framework/data/error_class.h"
#include "framework/data/files_manager.h"
#include "runtime/assertion.h"
#include "runtime/message_box.h"
#include "runtime/script/script_message_box.h"

namespace {

struct Refs {
    kw::FileManager* access;
    kw::RelationManager* relate;
};

std::vector<Refs> references() {
    return {{Access::SEC, Relate::SEC}, {Access::DAY, Relate::DAY}, {Access::KLM, Relate::KLM},
            {Access::FIL, Relate::FIL}, {Access::IZD, Relate::IZD}, {Access::ZAL, Relate::ZAL},
            {Access::MET, Relate::MET}, {Access::PRB, Relate::PRB}, {Access::KAM, Relate::KAM},
            {Access::KBP, Relate::KBP}, {Access::PKL, Relate::PKL}, {Access::PSK, Relate::PSK},
            {Access::AUD, Relate::AUD}, {Access::PRM, Relate::PRM}};
}

class DctInitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kw::assertion::clearReports();
        dir_ = std::filesystem::temp_directory_path() /
               ("kw_dct_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        kw::setDctStepObserver({});
        DctKill();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_, old_;
    kw::script::ScriptMessageBox boxes_;
    kw::msgbox::ScopedBackend scoped_{boxes_};
};

}  // namespace

TEST_F(DctInitTest, StepsAToFPerTableInDictionaryOrder) {
    std::vector<std::string> steps;
    kw::setDctStepObserver([&](std::string_view table, std::string_view step) {
        steps.push_back(std::string(table) + " " + std::string(step));
    });
    DctInit();

    std::vector<std::string> expect;
    for (const auto* t : kw::dict::allTables()) {
        for (const char* s : {"a", "b", "c", "d", "e"}) expect.push_back(t->label + " " + s);
        for (const auto& k : t->keys) expect.push_back(t->label + " f " + k.description);
        expect.push_back(t->label + " relate");
    }
    EXPECT_EQ(steps, expect);

    steps.clear();
    DctKill();
    expect.clear();
    for (const auto* t : kw::dict::allTables()) expect.push_back(t->label + " kill");
    EXPECT_EQ(steps, expect);
}

TEST_F(DctInitTest, FilesInitBindsReferencesWithoutInitialising) {
    for (const auto& r : references()) EXPECT_EQ(r.access, nullptr);
    FilesInit();
    for (const auto& r : references()) {
        ASSERT_NE(r.access, nullptr);
        ASSERT_NE(r.relate, nullptr);
        EXPECT_FALSE(r.access->Keys);
        EXPECT_FALSE(r.relate->Relations);
    }
    EXPECT_EQ(FilesManager.MappingCount(), 0u);
}

TEST_F(DctInitTest, EveryManagerIsSetUpAsTheDictionarySays) {
    DctInit();
    const auto refs = references();
    const auto& all = kw::dict::allTables();
    ASSERT_EQ(refs.size(), all.size());
    EXPECT_EQ(FilesManager.MappingCount(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto& t = *all[i];
        SCOPED_TRACE(t.label);
        kw::FileManager* fm = refs[i].access;
        kw::RelationManager* rm = refs[i].relate;
        ASSERT_NE(fm, nullptr);
        ASSERT_NE(rm, nullptr);
        ASSERT_NE(fm->File, nullptr);
        EXPECT_EQ(fm->File->decl().label, t.label);
        EXPECT_EQ(fm->Errors, &GlobalErrors);
        EXPECT_EQ(fm->FileNameValue.clip(), t.messageName);
        EXPECT_EQ(fm->FileName, &fm->FileNameValue);
        EXPECT_EQ(fm->Buffer.length, t.recordSize);
        EXPECT_EQ(fm->Buffer.get(), t.buffer());
        EXPECT_EQ(fm->Create, 1);
        EXPECT_EQ(fm->LockRecover, 10);
        EXPECT_EQ(fm->LazyOpen, 1);
        EXPECT_EQ(fm->OpenMode, 66);
        EXPECT_EQ(fm->PrimaryKey, 0);
        EXPECT_EQ(fm->HasAutoInc, 0);
        EXPECT_EQ(FilesManager.GetFileManager(*fm->File), fm);
        ASSERT_TRUE(fm->Keys && fm->Info && fm->Buffers && fm->Saved && fm->Fields);
        EXPECT_TRUE(fm->Info->empty());
        ASSERT_EQ(fm->Keys->size(), t.keys.size());
        for (std::size_t k = 0; k < t.keys.size(); ++k) {
            const auto& e = (*fm->Keys)[k];
            EXPECT_EQ(e.Key, &t.keys[k]);
            EXPECT_EQ(e.Description.clip(), t.keys[k].description);
            EXPECT_EQ(e.AutoInc, 0);
            EXPECT_EQ(e.Dups, t.keys[k].dup ? 1 : 0);
            EXPECT_EQ(e.NoCase, 1);
            ASSERT_TRUE(e.Fields);
            ASSERT_EQ(e.Fields->size(), t.keys[k].components.size());
            for (std::size_t c = 0; c < e.Fields->size(); ++c) {
                EXPECT_EQ((*e.Fields)[c].Field, t.keys[k].components[c]);
                EXPECT_EQ((*e.Fields)[c].FieldName,
                          t.label + ":" + t.field(t.keys[k].components[c]).name);
                EXPECT_EQ((*e.Fields)[c].Ascend, 1);
            }
        }
        EXPECT_EQ(rm->Me, fm);
        EXPECT_EQ(rm->UseLogout, 1);
        ASSERT_TRUE(rm->Relations);
        EXPECT_TRUE(rm->Relations->empty());
    }
    EXPECT_EQ(kw::assertion::reportCount(), 0u);
    // the dictionary opens no file
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(DctInitTest, DctKillClearsReferencesMappingsAndLists) {
    DctInit();
    kw::FileManager* zal = Access::ZAL;
    kw::RelationManager* zalRelate = Relate::ZAL;
    DctKill();
    for (const auto& r : references()) {
        EXPECT_EQ(r.access, nullptr);
        EXPECT_EQ(r.relate, nullptr);
    }
    EXPECT_EQ(FilesManager.MappingCount(), 0u);
    EXPECT_EQ(zal->CleanedUp, 1);
    EXPECT_FALSE(zal->Keys);
    EXPECT_FALSE(zal->Info);
    EXPECT_FALSE(zalRelate->Relations);
    // a second kill finds nothing to do and reports nothing
    DctKill();
    EXPECT_EQ(kw::assertion::reportCount(), 0u);
    // and the dictionary can be set up again
    DctInit();
    EXPECT_EQ(Access::ZAL, zal);
    EXPECT_EQ(zal->Keys->size(), 3u);
    EXPECT_EQ(FilesManager.MappingCount(), 14u);
    EXPECT_EQ(kw::assertion::reportCount(), 0u);
}

TEST_F(DctInitTest, MappingATableTwiceIsAnInternalError) {
    DctInit();
    kw::FileManager other;
    other.Init(*Access::DAY->File, GlobalErrors);
    ASSERT_EQ(kw::assertion::reportCount(), 1u);
    EXPECT_EQ(kw::assertion::reports().back().text, "Mapping for file already exists");
    // the first mapping stays
    EXPECT_EQ(FilesManager.GetFileManager(*Access::DAY->File), Access::DAY);
    EXPECT_EQ(boxes_.count(), 1u);
}

TEST_F(DctInitTest, AddKeyRefusesAForeignKeyAndACallBeforeInit) {
    kw::FileManager fm;
    fm.AddKey(kw::dict::table("ZAL").keys[0], "ZAL:key_1", 0);
    ASSERT_EQ(kw::assertion::reportCount(), 1u);
    EXPECT_FALSE(fm.Keys);

    kw::storage::File zalFile(kw::dict::table("ZAL"));
    fm.Init(zalFile, GlobalErrors);
    fm.AddKey(kw::dict::table("PKL").keys[0], "PKL:key_1", 0);
    ASSERT_EQ(kw::assertion::reportCount(), 2u);
    EXPECT_EQ(kw::assertion::reports().back().text, "Key does not exist in this file");
    EXPECT_TRUE(fm.Keys->empty());

    fm.AddKey(kw::dict::table("ZAL").keys[2], "ZAL:key_3", 1);
    EXPECT_EQ(fm.HasAutoInc, 1);
    EXPECT_EQ(fm.Keys->back().AutoInc, 1);
    fm.Kill();
    EXPECT_EQ(FilesManager.MappingCount(), 0u);
}
