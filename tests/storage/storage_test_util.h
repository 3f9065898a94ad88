// Helpers of the storage tests: a temporary directory per test and record builders.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dictionary/aud.h"
#include "dictionary/tables.h"
#include "runtime/codepage.h"
#include "storage/file.h"

namespace kw::storage::testing {

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kwstoreXXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Every file of a table (data, keys, journal) in name order, with its bytes.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> snapshotDir(
    const std::string& dir) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.emplace_back(e.path().filename(), readAll(e.path()));
    std::sort(out.begin(), out.end());
    return out;
}

inline FileOptions in(const TempDir& d, FileSystem* fs = nullptr) {
    FileOptions o;
    o.directory = d.path();
    o.fs = fs;
    return o;
}

// A pledge in the calling thread's ZAL buffer.
inline void zal(int32_t ticket, const std::string& fioUtf8 = "", int32_t date = 0,
                int32_t endDate = 0) {
    ZAL = kw::dict::ZalRecord{};
    ZAL.N_KV = ticket;
    ZAL.FIO = kw::W(fioUtf8);
    ZAL.DATA = date;
    ZAL.DATA_K = endDate;
    ZAL.S_VID = ticket * 10.5;
}

// Pledge `ticket` and audit entry `entry`, each added to its table (inside the caller's
// transaction, as a loan writes them); the first failure.
inline Status addPledgeAndEntry(File& zalFile, File& audFile, int32_t ticket, int32_t entry) {
    zal(ticket);
    Status st = zalFile.add();
    if (!st.ok()) return st;
    AUD = kw::dict::AudRecord{};
    AUD.N = entry;
    return audFile.add();
}

}  // namespace kw::storage::testing
