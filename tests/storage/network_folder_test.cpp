// Tables in a folder shared between machines (NFS, SMB, FUSE, 9p and the like) are
// refused at create and open with a Russian message that names the folder; the type is
// injected through the driver's file system, and a real such mount is tried where this
// machine has one that the test may write to.
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "runtime/codepage.h"
#include "runtime/last_error.h"
#include "storage/fault_file_system.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using testing::TempDir;

void expectRefused(const Status& s, const std::string& folder) {
    EXPECT_EQ(s.code, kFileSystemError) << s.describe();
    EXPECT_EQ(s.sysError, EREMOTE);
    const std::string text = kw::last_error::driverText();
    EXPECT_NE(text.find(folder), std::string::npos) << text;
    EXPECT_NE(text.find(kw::W(
                  "Несколько компьютеров работают с одними данными через сервер базы данных")),
              std::string::npos);
}

TEST(NetworkFolder, TablesOnSharedFileSystemsAreRefused) {
    TempDir d;
    {
        File f(kw::dict::table("ZAL"), testing::in(d));
        ASSERT_EQ(f.create().code, 0);
        ASSERT_EQ(f.open().code, 0);
        testing::zal(1);
        ASSERT_EQ(f.add().code, 0);
        ASSERT_EQ(f.close().code, 0);
    }
    for (uint64_t magic : {0x6969ull, 0xFF534D42ull, 0xFE534D42ull, 0x517Bull, 0x65735546ull,
                           0x01021997ull, 0x00C36400ull, 0x5346414Full}) {
        SCOPED_TRACE(magic);
        FaultFileSystem fs;
        fs.setFileSystemType(magic);
        File f(kw::dict::table("ZAL"), testing::in(d, &fs));
        expectRefused(f.open(), d.path());
        EXPECT_FALSE(f.isOpen());
        expectRefused(f.build(), d.path());
        File::Salvaged saved;
        expectRefused(f.salvage(saved), d.path());
        File klm(kw::dict::table("KLM"), testing::in(d, &fs));
        expectRefused(klm.create(), d.path());
    }
    EXPECT_TRUE(std::ifstream(d.file("ZAL.DAT")).good());
    EXPECT_FALSE(std::ifstream(d.file("KLM.DAT")).good());
    // Local file systems (ext4, tmpfs, btrfs, xfs) are not refused.
    for (uint64_t magic : {0xEF53ull, 0x01021994ull, 0x9123683Eull, 0x58465342ull}) {
        FaultFileSystem fs;
        fs.setFileSystemType(magic);
        File f(kw::dict::table("ZAL"), testing::in(d, &fs));
        EXPECT_EQ(f.open().code, 0) << magic;
    }
    // The real type of the test's folder is known and local.
    uint64_t magic = 0;
    ASSERT_EQ(posixFileSystem().fileSystemType(d.path(), magic), 0);
    EXPECT_NE(magic, 0u);
    EXPECT_FALSE(sharedOverNetwork(magic));
}

// A real mount of a shared file system (FUSE, NFS, SMB, 9p) that the test may write to:
// none is made for the test; one that the machine has is used.
TEST(NetworkFolder, ARealSharedMountIsRefused) {
    std::ifstream mounts("/proc/self/mounts");
    std::string line, folder;
    while (folder.empty() && std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string dev, point, type;
        fields >> dev >> point >> type;
        uint64_t magic = 0;
        if (posixFileSystem().fileSystemType(point, magic) != 0 || !sharedOverNetwork(magic))
            continue;
        if (::access(point.c_str(), W_OK) == 0) folder = point;
    }
    if (folder.empty())
        GTEST_SKIP() << "no shared file system mounted here that the test may write to";
    std::string tmpl = folder + "/kwnetXXXXXX";
    if (!::mkdtemp(tmpl.data())) GTEST_SKIP() << "cannot make a folder in " << folder;
    FileOptions o;
    o.directory = tmpl;
    {
        File f(kw::dict::table("ZAL"), o);
        expectRefused(f.create(), tmpl);
    }
    ::rmdir(tmpl.c_str());
}

}  // namespace
}  // namespace kw::storage
