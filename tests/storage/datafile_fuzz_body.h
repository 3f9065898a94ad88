// The body of the data-file fuzz target, also replayed over tests/corpus/datafile/ by the
// normal test run. The input is a table's files: a count byte n (0..3 used), then the
// data file and n key files, each as a 4-byte little-endian length and its bytes (cut
// short where the input ends). The files are opened as the pledge table and read every
// way the driver reads: physical order, each key in both directions, get, check.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dictionary/tables.h"
#include "storage/file.h"
#include "storage/probe.h"

namespace kw::storage::fuzzing {

inline std::vector<std::string> splitInput(const uint8_t* data, std::size_t size) {
    std::vector<std::string> files;
    if (size == 0) return files;
    const unsigned n = 1 + data[0] % 4;
    std::size_t pos = 1;
    for (unsigned i = 0; i < n; ++i) {
        uint32_t len = 0;
        for (int b = 0; b < 4 && pos < size; ++b, ++pos) len |= uint32_t{data[pos]} << (8 * b);
        const std::size_t take = std::min<std::size_t>(len, size - pos);
        files.emplace_back(reinterpret_cast<const char*>(data + pos), take);
        pos += take;
    }
    return files;
}

inline std::string joinInput(const std::vector<std::string>& files) {
    std::string out(1, static_cast<char>(files.size() - 1));
    for (const auto& f : files) {
        const uint32_t len = static_cast<uint32_t>(f.size());
        for (int b = 0; b < 4; ++b) out += static_cast<char>(len >> (8 * b));
        out += f;
    }
    return out;
}

// Runs the driver over the input; never fails, the point is that it does not crash.
inline void runDataFile(const uint8_t* data, std::size_t size) {
    const std::vector<std::string> files = splitInput(data, size);
    if (files.empty()) return;
    std::string tmpl = (std::filesystem::temp_directory_path() / "kwfuzzXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return;
    const std::string dir = tmpl;
    FileOptions where;
    where.directory = dir;
    const File names(kw::dict::table("ZAL"), where);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = i == 0 ? dir + "/ZAL.DAT" : names.keyPath(static_cast<int>(i));
        std::ofstream(name, std::ios::binary)
            .write(files[i].data(), static_cast<std::streamsize>(files[i].size()));
    }
    // An input of the declared keys only: the key of the open pledges (file 4) is given
    // the first key's bytes, so that the open goes on to read (its entries may disagree).
    const std::size_t declared = kw::dict::table("ZAL").keys.size();
    if (files.size() == declared + 1)
        std::ofstream(names.keyPath(static_cast<int>(declared + 1)), std::ios::binary)
            .write(files[1].data(), static_cast<std::streamsize>(files[1].size()));
    {
        Layout l;
        (void)probeDataFile(posixFileSystem(), dir + "/ZAL.DAT", "", l);
        FileOptions o;
        o.directory = dir;
        File f(kw::dict::table("ZAL"), o);
        if (f.open(kAccessRead | kDenyNone).ok()) {
            uint32_t n = 0;
            (void)f.records(n);
            int guard = 0;
            for (int key = 0; key <= 4; ++key) {
                for (bool back : {false, true}) {
                    if (!f.set(key).ok()) continue;
                    while ((back ? f.previous() : f.next()).ok() && ++guard < 100000) {
                    }
                }
            }
            ZAL = kw::dict::ZalRecord{};
            ZAL.N_KV = 1;
            (void)f.get(1);
            (void)f.getRecord(1);
            std::vector<std::string> problems;
            (void)f.check(problems);
            (void)f.close();
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace kw::storage::fuzzing
