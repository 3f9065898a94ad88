// The new-pledge form's OK on a full disk: a small tmpfs mounted over the data directory
// (root only; skipped where this machine refuses the mount) and filled to its last page.
// The OK says the disk is full and leaves the form open with nothing stored; once space
// was freed, OK again stores the pledge once.
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>

#include "pledges/pledge_procedures.h"
#include "zal_fixture.h"

namespace kwpledge {
namespace {

class FullDiskFormTest : public PledgeTest {
  protected:
    void SetUp() override {
        PledgeTest::SetUp();
        if (HasFatalFailure()) return;
        data_ = std::filesystem::current_path();
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
        if (::mount("tmpfs", data_.c_str(), "tmpfs", 0, "size=32m") != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted here: " << std::strerror(errno);
        mounted_ = true;
        std::filesystem::current_path(data_);  // into the mount
        workedLoanDay();
        // Two pledges: the third slot is the first to reach past the data file's page.
        pledges({pledge(1001, kToday), pledge(1002, kToday)});
    }
    void TearDown() override {
        PledgeTest::TearDown();
        if (!mounted_) return;
        ::umount(data_.c_str());
        std::error_code ec;
        std::filesystem::remove_all(data_, ec);
    }
    // Fills the tmpfs with a file of its own, page by page to the last one.
    static void fill() {
        FILE* p = std::fopen("filler", "wb");
        ASSERT_NE(p, nullptr);
        std::setvbuf(p, nullptr, _IONBF, 0);
        const std::vector<char> page(4096, 'x');
        while (std::fwrite(page.data(), 1, page.size(), p) == page.size()) {
        }
        std::fclose(p);
    }
    std::vector<int32_t> tickets() {
        std::vector<int32_t> t;
        for (const auto& z : zal()) t.push_back(z.N_KV);
        return t;
    }

    std::filesystem::path data_;
    bool mounted_ = false;
};

TEST_F(FullDiskFormTest, OkOnAFullDiskStoresNothingAndOkAgainStoresThePledgeOnce) {
    run(ZAL_TAB);
    WindowDriver list = window("Залоговые ссуды за день");
    ASSERT_TRUE(list);
    ASSERT_EQ(list.press(W("Добавить")), Drive::Ok);
    WindowDriver f = window("Добавить ???");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1003");
    ASSERT_EQ(f.type("ZAL:FIO", W("Иванов Иван")),
              Drive::Ok);  // OK refuses a pledge without a client
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    fill();
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    const std::string text = boxText();
    EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(tickets(), (std::vector<int32_t>{1001, 1002}));

    ASSERT_EQ(std::remove("filler"), 0);  // space freed
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s)) << boxText();
    EXPECT_TRUE(closeTicketDialog());
    EXPECT_EQ(tickets(), (std::vector<int32_t>{1001, 1002, 1003}));
}

}  // namespace
}  // namespace kwpledge
