// kestrowd-file, run as the administrator runs it: exit codes, the info lines, the CSV
// of dump and load, check finding a damaged key file, build and pack.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <filesystem>

#include "storage/byte_order.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

struct ToolRun {
    int code = -1;
    std::string out;
};

class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        tool_ = std::string(KW_BINARY_DIR) + "/kestrowd-file";
        if (!std::filesystem::exists(tool_)) GTEST_SKIP() << "kestrowd-file is not built";
    }
    // Runs the tool in the test's directory with `input` on stdin; stdout (and stderr
    // when `withErr`) collected.
    ToolRun run(const std::string& args, const std::string& input = "", bool withErr = false,
            const std::string& sub = ".") {
        const std::string in = dir_.file("stdin.txt");
        testing::writeAll(in, std::vector<uint8_t>(input.begin(), input.end()));
        const std::string cmd = "cd '" + dir_.path() + "/" + sub + "' && '" + tool_ + "' " + args + " < '" + in + "'" +
                                (withErr ? " 2>&1" : " 2>/dev/null");
        ToolRun r;
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int st = ::pclose(p);
        r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return r;
    }
    testing::TempDir dir_;
    std::string tool_;
};

TEST_F(Tool, CreateInfoLoadDumpCheck) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ToolRun info = run("info ZAL.DAT");
    ASSERT_EQ(info.code, 0);
    for (const char* line : {"signature: 0x3343\n", "attributes: 0x00A0\n", "keys: 3\n", "records: 0\n",
                             "fields: 67\n", "slot_length: 717\n", "data_offset: 1975\n", "prefix: ZAL\n",
                             "field 6: ZAL:N_KV type=1 offset=185 length=4\n",
                             "key 2: KEY_2 flags=0x30 components=2,6\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line;

    const std::string csv =
        "N_KV,FIO,DATA,S_VID\n"
        "5,Иванов,72700,100.25\n"
        "3,\"Петров, Пётр\",72701,0.5\n"
        "4,\"Кавычки \"\"в\"\" имени\",72699,-7\n";
    ASSERT_EQ(run("load ZAL.DAT", csv).code, 0);
    ToolRun dump = run("dump ZAL.DAT --key 1");
    ASSERT_EQ(dump.code, 0);
    std::vector<std::string> lines;
    std::istringstream ss(dump.out);
    for (std::string l; std::getline(ss, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].starts_with("OPER,DATA,FIO,ADR,PAS,N_KV,MET")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("0,72701,\"Петров, Пётр\",,,3,")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("0,72699,\"Кавычки \"\"в\"\" имени\",,,4,")) << lines[2];
    EXPECT_TRUE(lines[3].starts_with("0,72700,Иванов,,,5,")) << lines[3];
    EXPECT_NE(lines[3].find(",100.25,"), std::string::npos);
    // Physical order is the order of loading.
    ToolRun phys = run("dump ZAL.DAT");
    EXPECT_LT(phys.out.find("Иванов"), phys.out.find("Петров"));
    // The dump loads back into a new table with the same content.
    std::filesystem::create_directory(dir_.file("copy"));
    ASSERT_EQ(run("create ZAL", "", false, "copy").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", phys.out, false, "copy").code, 0);
    EXPECT_EQ(run("dump ZAL.DAT", "", false, "copy").out, phys.out);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
}

TEST_F(Tool, CheckFindsADamagedKeyAndBuildMendsIt) {
    ASSERT_EQ(run("create ZAL").code, 0);
    std::string csv = "N_KV,DATA_K\n";
    for (int t = 1; t <= 200; ++t) csv += std::to_string(t) + "," + std::to_string(80000 + t) + "\n";
    ASSERT_EQ(run("load ZAL.DAT", csv).code, 0);
    ASSERT_EQ(run("check ZAL.DAT").code, 0);
    // Swap the record numbers of two entries of the first leaf of KEY_3.
    auto k3 = testing::readAll(dir_.file("ZAL.K03"));
    uint32_t n = le::get32(k3.data() + 12);  // root
    for (uint32_t level = le::get32(k3.data() + 16); level >= 2; --level) n = le::get32(k3.data() + n * 512 + 13);
    uint8_t* leaf = k3.data() + n * 512 + 13;
    std::swap_ranges(leaf, leaf + 4, leaf + 8);
    testing::writeAll(dir_.file("ZAL.K03"), k3);
    ToolRun check = run("check ZAL.DAT");
    EXPECT_EQ(check.code, 1);
    EXPECT_NE(check.out.find("key 3: "), std::string::npos) << check.out;
    ASSERT_EQ(run("build ZAL.DAT").code, 0);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
    ASSERT_EQ(run("pack ZAL.DAT").code, 0);
    EXPECT_NE(run("info ZAL.DAT").out.find("records: 200\n"), std::string::npos);
}

TEST_F(Tool, UsageAndDriverErrorsExitWithTwo) {
    EXPECT_EQ(run("").code, 2);
    EXPECT_EQ(run("frobnicate ZAL.DAT").code, 2);
    EXPECT_EQ(run("create NOSUCH").code, 2);
    EXPECT_EQ(run("dump ZAL.DAT --key").code, 2);
    ToolRun missing = run("info ZAL.DAT", "", true);
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.out.find("error 2 (File Not Found)"), std::string::npos) << missing.out;
    ASSERT_EQ(run("create SEC").code, 0);
    ToolRun dup = run("load SEC.DAT --owner QORVAL", "K_POL,PAROL\n3,b\n4,B\n", true);
    EXPECT_EQ(dup.code, 2);
    EXPECT_NE(dup.out.find("error 40 (Creates Duplicate Key)"), std::string::npos) << dup.out;
    EXPECT_EQ(run("dump SEC.DAT").code, 2);  // owned: needs the password
    ToolRun owned = run("dump SEC.DAT --owner QORVAL");
    EXPECT_EQ(owned.code, 0);
    EXPECT_NE(owned.out.find("\n3,,,b,"), std::string::npos) << owned.out;
    EXPECT_EQ(run("load ZAL.DAT", "NO_SUCH_FIELD\n1\n").code, 2);
}

}  // namespace
}  // namespace kw::storage
