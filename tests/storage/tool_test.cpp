// kestrowd-file, run as the administrator runs it: exit codes, the info lines, the CSV
// of dump and load, check finding a damaged key file, build and pack.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "runtime/last_error.h"
#include "storage/byte_order.h"
#include "storage/fault_file_system.h"
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
        const std::string cmd = "cd '" + dir_.path() + "/" + sub + "' && '" + tool_ + "' " + args +
                                " < '" + in + "'" + (withErr ? " 2>&1" : " 2>/dev/null");
        ToolRun r;
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int st = ::pclose(p);
        r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return r;
    }
    // Every file of the directory but the tool's input.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> tableFiles() {
        auto files = testing::snapshotDir(dir_.path());
        std::erase_if(files, [](const auto& f) { return f.first == "stdin.txt"; });
        return files;
    }
    testing::TempDir dir_;
    std::string tool_;
};

TEST_F(Tool, CreateInfoLoadDumpCheck) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ToolRun info = run("info ZAL.DAT");
    ASSERT_EQ(info.code, 0);
    for (const char* line :
         {"signature: 0x3343\n", "attributes: 0x00A0\n", "keys: 3\n", "records: 0\n",
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
    for (int t = 1; t <= 200; ++t)
        csv += std::to_string(t) + "," + std::to_string(80000 + t) + "\n";
    ASSERT_EQ(run("load ZAL.DAT", csv).code, 0);
    ASSERT_EQ(run("check ZAL.DAT").code, 0);
    // Swap the record numbers of two entries of the first leaf of KEY_3.
    auto k3 = testing::readAll(dir_.file("ZAL.K03"));
    uint32_t n = le::get32(k3.data() + 12);  // root
    for (uint32_t level = le::get32(k3.data() + 16); level >= 2; --level)
        n = le::get32(k3.data() + n * 512 + 13);
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
    // Space past the last record is told of, not a disagreement; build gives it back.
    auto dat = testing::readAll(dir_.file("ZAL.DAT"));
    const std::size_t size = dat.size();
    dat.resize(size + 717);
    testing::writeAll(dir_.file("ZAL.DAT"), dat);
    check = run("check ZAL.DAT");
    EXPECT_EQ(check.code, 0);
    EXPECT_EQ(
        check.out,
        "data file: 717 bytes past the last record, unused (build or pack gives them back)\n");
    ASSERT_EQ(run("build ZAL.DAT").code, 0);
    EXPECT_EQ(testing::readAll(dir_.file("ZAL.DAT")).size(), size);
    EXPECT_EQ(run("check ZAL.DAT").out, "");
}

// The key of the open pledges (ZAL.P01) is checked and built like the declared keys.
TEST_F(Tool, CheckFindsADamagedOrMissingKeyOfTheOpenPledgesAndBuildMakesItAgain) {
    ASSERT_EQ(run("create ZAL").code, 0);
    std::string csv = "N_KV,SOST\n";
    for (int t = 1; t <= 300; ++t) csv += std::to_string(t) + "," + std::to_string(t % 7) + "\n";
    ASSERT_EQ(run("load ZAL.DAT", csv).code, 0);
    ASSERT_EQ(run("check ZAL.DAT").code, 0);
    // Swap the record numbers of two entries of its first leaf.
    auto p = testing::readAll(dir_.file("ZAL.P01"));
    uint32_t n = le::get32(p.data() + 12);
    for (uint32_t level = le::get32(p.data() + 16); level >= 2; --level)
        n = le::get32(p.data() + n * 512 + 13);
    uint8_t* leaf = p.data() + n * 512 + 13;
    std::swap_ranges(leaf, leaf + 4, leaf + 8);
    testing::writeAll(dir_.file("ZAL.P01"), p);
    ToolRun check = run("check ZAL.DAT");
    EXPECT_EQ(check.code, 1);
    EXPECT_NE(check.out.find("key file .P01: "), std::string::npos) << check.out;
    ASSERT_EQ(run("build ZAL.DAT").code, 0);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
    std::filesystem::remove(dir_.file("ZAL.P01"));
    check = run("check ZAL.DAT", "", true);
    EXPECT_EQ(check.code, 2);
    EXPECT_NE(check.out.find("Key File Must Be Rebuilt"), std::string::npos) << check.out;
    ASSERT_EQ(run("build ZAL.DAT").code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("ZAL.P01")));
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
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
    ASSERT_EQ(run("load SEC.DAT --owner QORVAL", "K_POL,PAROL\n3,b\n").code, 0);
    EXPECT_EQ(run("dump SEC.DAT").code, 2);  // owned: needs the password
    ToolRun owned = run("dump SEC.DAT --owner QORVAL");
    EXPECT_EQ(owned.code, 0);
    EXPECT_NE(owned.out.find("\n3,,,b,"), std::string::npos) << owned.out;
    EXPECT_EQ(run("load ZAL.DAT", "NO_SUCH_FIELD\n1\n").code, 2);
}

// info checks the header as an open does: a damaged one is shown as read, marked, with
// the driver's error and a non-zero exit, as dump and check refuse it.
TEST_F(Tool, InfoRefusesADamagedHeaderAsAnOpenDoes) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", "N_KV\n1\n").code, 0);
    auto dat = testing::readAll(dir_.file("ZAL.DAT"));
    const auto sound = dat;
    le::put16(dat.data() + 85 + 5 * 27 + 17, 9999);  // field 6 past the 712-byte record
    testing::writeAll(dir_.file("ZAL.DAT"), dat);
    ToolRun info = run("info ZAL.DAT", "", true);
    EXPECT_EQ(info.code, 2);
    EXPECT_NE(info.out.find("damaged: error 47 "), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("field 6: ZAL:N_KV type=1 offset=9999 length=4\n"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("kestrowd-file: ZAL.DAT: error 47 ("), std::string::npos) << info.out;
    EXPECT_EQ(run("dump ZAL.DAT").code, 2);
    EXPECT_EQ(run("check ZAL.DAT").code, 2);

    dat = sound;
    le::put32(dat.data() + 5, 1000);  // more records than the file holds
    testing::writeAll(dir_.file("ZAL.DAT"), dat);
    info = run("info ZAL.DAT", "", true);
    EXPECT_EQ(info.code, 2);
    EXPECT_NE(info.out.find("error 36 "), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("records: 1000\n"), std::string::npos) << info.out;

    testing::writeAll(dir_.file("ZAL.DAT"), sound);
    info = run("info ZAL.DAT", "", true);
    EXPECT_EQ(info.code, 0) << info.out;
    EXPECT_EQ(info.out.find("damaged"), std::string::npos) << info.out;
}

// A load adds every line after the header as one record, or nothing at all: a bad line
// leaves every file of the table as it was and is named with its line and column.
TEST_F(Tool, LoadIsAllOrNothing) {
    ASSERT_EQ(run("create ZAL").code, 0);
    // One column whose values are blank in the middle: every line is a record, in order.
    ASSERT_EQ(run("load ZAL.DAT", "FIO\nА\n\"\"\n\nБ\n").code, 0);
    ToolRun dump = run("dump ZAL.DAT");
    std::vector<std::string> fio;
    std::istringstream ss(dump.out);
    std::string l;
    std::getline(ss, l);
    while (std::getline(ss, l)) fio.push_back(l.substr(4, l.find(',', 4) - 4));  // OPER,DATA,FIO
    EXPECT_EQ(fio, (std::vector<std::string>{"А", "", "", "Б"})) << dump.out;

    const std::string head = "N_KV,DATA,FIO,S_VID,SOST\n";
    struct Bad {
        std::string input, message;
    };
    const std::string tooLong(61, 'x');  // FIO holds 60
    const Bad bad[] = {
        {head + "1,72700,\"P,1,1\n2,72700,G,1,1\n", "line 2: column 3: a quote that is not closed"},
        {head + "1,72700,A,1,1\n2,72700," + tooLong + ",1,1\n",
         "line 3: column 3 (FIO): \"" + tooLong.substr(0, 40) +
             "... (61 bytes)\" is longer than the field (61 characters, it holds 60)"},
        {head + "1,72700,\xC0\xC1,1,1\n", "line 2: column 3 (FIO): \"\\xC0\\xC1\" is not UTF-8"},
        {head + "1,72700,\xE2\x82\xAC,1,1\n",
         "line 2: column 3 (FIO): \"\xE2\x82\xAC\" holds"},  // no euro in CP866
        {head + "1,72700,A,1,1,9\n", "line 2: 6 columns, the header has 5"},
        {head + "1,72700,A,1\n", "line 2: 4 columns, the header has 5"},
        {head + std::string("1,72700,A\0B,1,1\n", 16), "line 2: column 3: a NUL byte"},
        {head + "1,72700,A,1,1\n2,72700,B,1,1\n3,72700,C,1,1\n4,7270x,D,1,1\n",
         "line 5: column 2 (DATA): \"7270x\""},
        {head + "1,72700,A,1e999,1\n", "line 2: column 4 (S_VID): \"1e999\" is not a number"},
        {head + "1,72700,A,1,256\n", "line 2: column 5 (SOST): \"256\" is not a whole number"},
        {head + "1,72700,A\"B,1,1\n", "line 2: column 3: a quote inside a field"},
        {head + "1,72700,\"A\"B,1,1\n", "line 2: column 3: text after a closing quote"},
        {"N_KV,NO_SUCH\n1,2\n", "line 1: header, column 2: no field NO_SUCH"},
        {"N_KV,N_KV\n1,2\n", "line 1: header, column 2: N_KV is column 1 too"},
    };
    const auto before = tableFiles();
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.message);
        ToolRun r = run("load ZAL.DAT", b.input, true);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.out.find("kestrowd-file: " + b.message), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("nothing was added"), std::string::npos) << r.out;
        EXPECT_EQ(tableFiles(), before);
    }
    // A huge bad value is quoted in part only.
    ToolRun huge =
        run("load ZAL.DAT", head + "1,72700," + std::string(10 << 20, 'x') + ",1,1\n", true);
    EXPECT_EQ(huge.code, 2);
    EXPECT_LT(huge.out.size(), 1000u);
    EXPECT_NE(huge.out.find("(10485760 bytes)"), std::string::npos) << huge.out.substr(0, 1000);
    EXPECT_EQ(tableFiles(), before);

    // Texts are cut to their field only when asked to; trailing blanks past it are no loss.
    ASSERT_EQ(run("load ZAL.DAT --cut-texts", head + "7,72700," + tooLong + ",1,1\n").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", head + "8,72700,Щ" + std::string(60, ' ') + ",-2.5,1\n").code, 0);
    dump = run("dump ZAL.DAT --key 1");
    EXPECT_NE(dump.out.find(",72700," + tooLong.substr(0, 60) + ",,,7,"), std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find(",72700,Щ,,,8,"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find(",-2.5,"), std::string::npos) << dump.out;
}

// A unique key's value taken twice in the input, or taken in the table, refuses the load.
TEST_F(Tool, LoadRefusesDuplicatesOfAUniqueKeyBeforeAddingAnything) {
    ASSERT_EQ(run("create SEC").code, 0);
    ASSERT_EQ(run("load SEC.DAT --owner QORVAL", "K_POL,PAROL\n3,b\n").code, 0);
    const auto before = tableFiles();
    ToolRun twice = run("load SEC.DAT --owner QORVAL", "K_POL,PAROL\n4,c\n5,d\n6,C\n", true);
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.out.find("line 4: its value of key "), std::string::npos) << twice.out;
    EXPECT_NE(twice.out.find("is that of line 2"), std::string::npos) << twice.out;
    ToolRun taken = run("load SEC.DAT --owner QORVAL", "K_POL,PAROL\n4,c\n5,B\n", true);
    EXPECT_EQ(taken.code, 2);
    EXPECT_NE(taken.out.find("line 3: its value of key "), std::string::npos) << taken.out;
    EXPECT_NE(taken.out.find("is in the table already"), std::string::npos) << taken.out;
    EXPECT_EQ(tableFiles(), before);
}

// The table of the test's sub-folder `sub`, as the program opens it.
FileOptions inSub(const testing::TempDir& d, const std::string& sub, FileSystem* fs = nullptr) {
    FileOptions o;
    o.directory = d.file(sub);
    o.fs = fs;
    return o;
}

int copiesOf(File& f, int32_t ticket) {
    int n = 0;
    if (!f.set(0).ok()) return -1;
    while (f.next().ok()) n += ZAL.N_KV == ticket;
    return n;
}

// A loan killed at any step of its add, then `build` or `pack` before any program
// start: the tools finish the journal's committed work as a start does, never drop it.
TEST_F(Tool, BuildAndPackKeepALoanThatOnlyTheJournalHolds) {
    std::filesystem::create_directory(dir_.file("base"));
    {
        File f(kw::dict::table("ZAL"), inSub(dir_, "base"));
        ASSERT_EQ(f.create().code, 0);
        ASSERT_EQ(f.open().code, 0);
        for (int t = 1; t <= 5; ++t) {
            testing::zal(t);
            ASSERT_EQ(f.add().code, 0);
        }
        ASSERT_EQ(f.close().code, 0);
    }
    int committedOnly = 0;
    bool reachedEnd = false;
    for (uint64_t step = 1; step < 60 && !reachedEnd; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        for (const char* sub : {"killed", "start", "build", "pack"})
            std::filesystem::remove_all(dir_.file(sub));
        std::filesystem::copy(dir_.file("base"), dir_.file("killed"));
        FaultFileSystem ffs;
        {
            File f(kw::dict::table("ZAL"), inSub(dir_, "killed", &ffs));
            ASSERT_EQ(f.open().code, 0);
            ffs.arm(FaultFileSystem::Fault::Crash, step);
            testing::zal(99);
            (void)f.add().code;
            reachedEnd = !ffs.fired();
        }
        for (const char* sub : {"start", "build", "pack"})
            std::filesystem::copy(dir_.file("killed"), dir_.file(sub));
        ASSERT_EQ(run("build ZAL.DAT", "", false, "build").code, 0);
        ASSERT_EQ(run("pack ZAL.DAT", "", false, "pack").code, 0);
        int started = -1;
        for (const char* sub : {"start", "build", "pack"}) {
            File f(kw::dict::table("ZAL"), inSub(dir_, sub));
            ASSERT_EQ(f.open().code, 0) << sub;
            const int n = copiesOf(f, 99);
            if (started < 0) started = n;
            EXPECT_EQ(n, started) << sub;
            EXPECT_EQ(copiesOf(f, 3), 1) << sub;
        }
        if (started == 1 && !reachedEnd) ++committedOnly;
        if (HasFailure()) return;
    }
    EXPECT_TRUE(reachedEnd);
    EXPECT_GT(committedOnly, 0) << "no step left the loan in the journal alone";
}

// A data file cut short, or whose header counts fewer records than it has: every command
// answers 36 and names salvage, the program names the file and the command, and salvage
// keeps every whole record.
TEST_F(Tool, SalvageKeepsTheWholeRecordsOfADamagedFile) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", "N_KV,FIO\n1,Андреев\n2,Борисов\n3,Васильев\n4,Григорьев\n").code,
              0);
    const auto whole = testing::readAll(dir_.file("ZAL.DAT"));
    auto cut = whole;
    cut.resize(cut.size() - 300);
    testing::writeAll(dir_.file("ZAL.DAT"), cut);
    for (const char* cmd : {"dump", "check", "build", "pack"}) {
        ToolRun r = run(std::string(cmd) + " ZAL.DAT", "", true);
        EXPECT_EQ(r.code, 2) << cmd;
        EXPECT_NE(r.out.find("error 36 (Invalid Data File)"), std::string::npos)
            << cmd << ": " << r.out;
        EXPECT_NE(r.out.find("kestrowd-file salvage ZAL.DAT"), std::string::npos)
            << cmd << ": " << r.out;
    }
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        EXPECT_EQ(f.open().code, kInvalidDataFile);
        const std::string text = kw::last_error::text();
        EXPECT_NE(text.find("ZAL.DAT" + kw::W(" повреждён")), std::string::npos) << text;
        EXPECT_NE(text.find("kestrowd-file salvage "), std::string::npos) << text;
    }
    ToolRun saved = run("salvage ZAL.DAT");
    ASSERT_EQ(saved.code, 0);
    EXPECT_NE(saved.out.find("kept: 3 records\nunreadable: 1 records\n"), std::string::npos)
        << saved.out;
    EXPECT_EQ(testing::readAll(dir_.file("ZAL.BAD")), cut);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
    ToolRun dump = run("dump ZAL.DAT --key 1");
    EXPECT_NE(dump.out.find(",Васильев,"), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find(",Григорьев,"), std::string::npos) << dump.out;
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(f.open().code, 0);
        EXPECT_EQ(copiesOf(f, 3), 1);
    }

    // A header that counts 2 records of 4: all four are saved.
    auto low = whole;
    le::put32(low.data() + 5, 2);
    testing::writeAll(dir_.file("ZAL.DAT"), low);
    EXPECT_EQ(run("dump ZAL.DAT").code, 2);
    saved = run("salvage ZAL.DAT");
    ASSERT_EQ(saved.code, 0);
    EXPECT_NE(saved.out.find("kept: 4 records\nunreadable: 0 records\n"), std::string::npos)
        << saved.out;
    EXPECT_NE(run("dump ZAL.DAT").out.find(",Григорьев,"), std::string::npos);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
}

// ZAL.K03 copied over ZAL.K01 (both keys of one LONG, DUP): refused at open with 38,
// not answering ticket searches with the wrong pledge; build makes it again.
TEST_F(Tool, AnotherKeysFileInAKeysPlaceIsRefusedAndBuilt) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", "N_KV,DATA_K,FIO\n10,3,Андреев\n3,10,Борисов\n").code, 0);
    std::filesystem::copy_file(dir_.file("ZAL.K03"), dir_.file("ZAL.K01"),
                               std::filesystem::copy_options::overwrite_existing);
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        EXPECT_EQ(f.open().code, kInvalidKeyFile);
        const std::string text = kw::last_error::text();
        EXPECT_NE(text.find("ZAL.K01"), std::string::npos) << text;
        EXPECT_NE(text.find("kestrowd-file build "), std::string::npos) << text;
    }
    ToolRun check = run("check ZAL.DAT", "", true);
    EXPECT_EQ(check.code, 2);
    EXPECT_NE(check.out.find("error 38"), std::string::npos) << check.out;
    ASSERT_EQ(run("build ZAL.DAT").code, 0);
    EXPECT_EQ(run("check ZAL.DAT").code, 0);
    File f(kw::dict::table("ZAL"), testing::in(dir_));
    ASSERT_EQ(f.open().code, 0);
    testing::zal(3);
    ASSERT_EQ(f.get(1).code, 0);
    EXPECT_EQ(ZAL.N_KV, 3);
    EXPECT_EQ(ZAL.DATA_K, 10);  // Борисов's pledge, not Андреев's
}

// A slot marked deleted that the free chain does not reach: check names it, build and
// pack keep its bytes and say so, and no add writes over it.
TEST_F(Tool, ARecordMarkedDeletedOffTheFreeChainIsKept) {
    ASSERT_EQ(run("create ZAL").code, 0);
    ASSERT_EQ(run("load ZAL.DAT", "N_KV,FIO\n1,А\n2,Б\n3,Васильев\n4,Г\n5,Д\n").code, 0);
    constexpr std::size_t kSlot3 = 1975 + 2 * 717;
    auto dat = testing::readAll(dir_.file("ZAL.DAT"));
    dat[kSlot3] = 0x10;
    le::put32(dat.data() + 9, 1);  // the header counts it deleted; the chain stays empty
    testing::writeAll(dir_.file("ZAL.DAT"), dat);
    const std::vector<uint8_t> slot3(dat.begin() + kSlot3, dat.begin() + kSlot3 + 717);
    ToolRun check = run("check ZAL.DAT");
    EXPECT_EQ(check.code, 1);
    EXPECT_NE(check.out.find("record 3: marked deleted but not on the free chain"),
              std::string::npos)
        << check.out;
    ToolRun built = run("build ZAL.DAT");
    ASSERT_EQ(built.code, 0);
    EXPECT_NE(built.out.find("record 3: marked deleted but not on the free chain; kept as it is"),
              std::string::npos)
        << built.out;
    {
        File f(kw::dict::table("ZAL"), testing::in(dir_));
        ASSERT_EQ(f.open().code, 0);
        testing::zal(6);
        ASSERT_EQ(f.add().code, 0);
        EXPECT_EQ(f.currentRecord(), 6u);
    }
    dat = testing::readAll(dir_.file("ZAL.DAT"));
    EXPECT_TRUE(std::equal(slot3.begin(), slot3.end(), dat.begin() + kSlot3));
    ToolRun packed = run("pack ZAL.DAT");
    ASSERT_EQ(packed.code, 0);
    EXPECT_NE(packed.out.find("record 3: marked deleted but not on the free chain; kept as it is"),
              std::string::npos)
        << packed.out;
    dat = testing::readAll(dir_.file("ZAL.DAT"));
    EXPECT_TRUE(std::equal(slot3.begin() + 5, slot3.end(), dat.begin() + kSlot3 + 5));
    EXPECT_EQ(dat[kSlot3], 0x10);
    EXPECT_NE(run("info ZAL.DAT").out.find("records: 6\n"), std::string::npos);
}

}  // namespace
}  // namespace kw::storage
