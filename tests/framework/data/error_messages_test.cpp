// The built-in message table: numbers, levels, titles and texts, and how each message
// is shown and answered.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/data/error_class.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/script/script_message_box.h"

namespace {

struct Expected {
    int id;
    int level;
    const char* title;
    const char* text;
};

// The framework's messages as documented.
const Expected kTable[] = {
    {1, 5, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
     "previous window."},
    {2, 5, "Access Denied", "Could not get write access to %File so trying read-only."},
    {3, 1, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {4, 5, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {5, 5, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {6, 5, "Record Was Not Updated", "This record was changed by another station."},
    {7, 5, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+' to recall your changes."},
    {8, 1, "Changes will be lost!", "Are you sure you want to cancel?"},
    {9, 1, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {10, 3, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {11, 5, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {12, 5, "Invalid Request", "This form cannot be used to delete a record"},
    {13, 5, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {14, 5, "Field contents error", "The value of %Field must be found in the %Message file."},
    {15, 5, "Value Error", "The value of %Field must be in the list : %Message."},
    {16, 5, "Range Error", "The value of %Field must be in range %Message."},
    {17, 5, "Range Error", "The value of %Field must be lower than %Message."},
    {18, 5, "Range Error", "The value of %Field must be higher than %Message."},
    {19, 5, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {20, 5, "Invalid Request", "This form cannot be used to insert a record"},
    {21, 5, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {22, 5, "No Records", "There are no records available to process."},
    {23, 3, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {24, 5, "Procedure not defined", "The Procedure %Message has not been defined."},
    {25, 5, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {26, 3, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {27, 5, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {28, 5, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {30, 5, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {31, 5, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from "
     "change and have been reset to original values."},
    {32, 1, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Error: %ErrorText.|Try "
     "Again?"},
    {33, 1, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {34, 1, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {35, 1, "Save Record", "Do you want to save the changes to this record?"},
    {36, 1, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of "
     "the file?"},
    {37, 1, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {38, 5, "Invalid Request", "This form cannot be used to update a record"},
    {39, 2, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {40, 5, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {41, 5, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {42, 5, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {43, 5, "NNTP Error", "%Message "},
    {44, 5, "Winsock Error", "%Message "},
};

using kw::script::ShownBox;
namespace msgbox = kw::msgbox;

class BuiltInMessages : public ::testing::Test {
  protected:
    void SetUp() override { errors.Init(); }
    void TearDown() override { errors.Kill(); }

    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    kw::HaltRecorder halts;
    kw::ErrorClass errors;
};

TEST(BuiltInTable, HasFortyThreeMessagesWithoutNumber29) {
    ASSERT_EQ(std::size(kTable), 43u);
    for (const Expected& e : kTable) EXPECT_NE(e.id, 29);
}

TEST_F(BuiltInMessages, InitAddsEveryMessageWithNumberLevelTitleTextAndCategory) {
    ASSERT_TRUE(errors.Errors);
    ASSERT_EQ(errors.Errors->size(), std::size(kTable));
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        const kw::ErrorEntry& got = (*errors.Errors)[i];
        const Expected& want = kTable[i];
        SCOPED_TRACE("message " + std::to_string(want.id));
        EXPECT_EQ(got.ID, want.id);
        EXPECT_EQ(got.Fatality, want.level);
        EXPECT_EQ(got.Title, want.title);
        EXPECT_EQ(got.Message, want.text);
        EXPECT_EQ(got.Category, "ZUL");
    }
}

TEST_F(BuiltInMessages, TextsOf42To44EndWithExactlyOneBlank) {
    for (const kw::ErrorEntry& e : *errors.Errors) {
        SCOPED_TRACE(e.ID);
        const bool trailing = !e.Message.empty() && e.Message.back() == ' ';
        EXPECT_EQ(trailing, e.ID >= 42);
        if (e.ID >= 42) {
            EXPECT_NE(e.Message[e.Message.size() - 2], ' ');
        }
    }
}

// Records every block Init adds, then adds it as usual.
class BlockRecorder : public kw::ErrorClass {
  public:
    std::vector<std::vector<uint8_t>> blocks;
    void AddErrors(std::span<const uint8_t> Block) override {
        blocks.emplace_back(Block.begin(), Block.end());
        kw::ErrorClass::AddErrors(Block);
    }
};

TEST(BuiltInBlock, InitAddsAllMessagesInOneBlockOfTheDocumentedFormat) {
    kw::script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    BlockRecorder errors;
    errors.Init();
    ASSERT_EQ(errors.blocks.size(), 1u);
    const std::vector<uint8_t>& b = errors.blocks[0];

    // Decode it here, field by field.
    ASSERT_GE(b.size(), 2u);
    EXPECT_EQ(b[0] | (b[1] << 8), 43);
    std::size_t pos = 2;
    for (const Expected& e : kTable) {
        SCOPED_TRACE(e.id);
        ASSERT_LE(pos + 4, b.size());
        EXPECT_EQ(b[pos] | (b[pos + 1] << 8), e.id);
        EXPECT_EQ(b[pos + 2], e.level);
        const std::size_t titleLen = b[pos + 3];
        ASSERT_LE(pos + 4 + titleLen + 1, b.size());
        EXPECT_EQ(std::string(b.begin() + pos + 4, b.begin() + pos + 4 + titleLen), e.title);
        pos += 4 + titleLen;
        const std::size_t textLen = b[pos];
        ASSERT_LE(pos + 1 + textLen, b.size());
        EXPECT_EQ(std::string(b.begin() + pos + 1, b.begin() + pos + 1 + textLen), e.text);
        pos += 1 + textLen;
    }
    EXPECT_EQ(pos, b.size()) << "nothing may follow the last message";
    EXPECT_EQ(boxes.count(), 0u);
    errors.Kill();
}

std::string replaced(std::string s, const std::string& what, const std::string& by) {
    for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + by.size()))
        s.replace(p, what.size(), by);
    return s;
}

// Every message raised by number: the box it shows and the level it returns.
TEST_F(BuiltInMessages, EachMessageIsShownWithItsTitleTextButtonsAndLevel) {
    kw::last_error::set(5, "Access Denied");
    errors.SetFile("ZAL");
    errors.SetField("ZAL:SUMMA");
    for (const Expected& e : kTable) {
        SCOPED_TRACE("message " + std::to_string(e.id));
        boxes.clear();
        const std::size_t haltsBefore = halts.count();
        kw::Level got = errors.ThrowMessage(static_cast<uint16_t>(e.id), "X1");

        std::string text = e.text;
        text = replaced(text, "%File", "ZAL");
        text = replaced(text, "%ErrorText", "Access Denied (5)");
        text = replaced(text, "%Message", "X1");
        text = replaced(text, "%Field", "ZAL:SUMMA");
        ASSERT_EQ(boxes.count(), 1u);
        const ShownBox box = boxes.last();
        EXPECT_EQ(box.caption, e.title);
        switch (e.level) {
            case 5:
                EXPECT_EQ(got, kw::Level::Notify);
                EXPECT_EQ(box.text, text);
                EXPECT_EQ(box.icon, msgbox::Icon::Information);
                EXPECT_EQ(box.buttons, msgbox::Ok);
                EXPECT_EQ(halts.count(), haltsBefore);
                break;
            case 1:
                EXPECT_EQ(got, kw::Level::Benign);  // unanswered: the default, Yes
                EXPECT_EQ(box.text, text);
                EXPECT_EQ(box.icon, msgbox::Icon::Exclamation);
                EXPECT_EQ(box.buttons, msgbox::Yes | msgbox::No);
                EXPECT_EQ(box.defaultButton, msgbox::Yes);
                EXPECT_EQ(halts.count(), haltsBefore);
                break;
            case 2:
            case 3:
                EXPECT_EQ(got, kw::Level::Fatal);
                EXPECT_EQ(box.text, text + "  Press OK to end this application");
                EXPECT_EQ(box.buttons, msgbox::Ok);
                EXPECT_EQ(box.icon, msgbox::Icon::Information);
                ASSERT_EQ(halts.count(), haltsBefore + 1);
                EXPECT_EQ(halts.codes().back(), 0);
                break;
            default:
                ADD_FAILURE() << "level " << e.level;
        }
    }
}

}  // namespace
