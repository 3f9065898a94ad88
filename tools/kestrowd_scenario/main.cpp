// kestrowd-scenario: runs the program on the scripted back ends following scenario
// files (docs/scenarios.md). Exit 0 when every step of every file held, 1 when one
// failed (the failing line, what was expected and what the windows showed go to
// standard error), 2 for bad usage or an unreadable file.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "../../app/procedures.h"
#include "dictionary/tables.h"
#include "runner.h"
#include "scenario.h"
#include "storage/postgres/pg_backend.h"

namespace fs = std::filesystem;

namespace {

int usage() {
    std::cerr << "usage: kestrowd-scenario [--temp-dir] FILE...\n"
                 "  --temp-dir  run each file in a fresh temporary directory (removed afterwards)\n"
                 "              instead of the current directory\n";
    return 2;
}

// Runs one file; the exit code it earns.
int runFile(const fs::path& file, bool tempDir) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "kestrowd-scenario: " << file.string() << ": cannot be read\n";
        return 2;
    }
    const kw::scenario::Script script = kw::scenario::parse(in);
    if (!script.error.empty()) {
        std::cerr << file.string() << ": " << script.error << "\n";
        return 2;
    }
    kw::scenario::Options o;
    o.name = file.string();
    o.baseDir = fs::absolute(file).parent_path();

    const fs::path home = fs::current_path();
    fs::path dir;
    if (tempDir) {
        std::string pattern = (fs::temp_directory_path() / "kestrowd-scenario-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::cerr << "kestrowd-scenario: no temporary directory\n";
            return 2;
        }
        dir = pattern;
        fs::current_path(dir);
    }
    std::vector<std::string> labels;
    for (const auto* t : kw::dict::allTables()) labels.push_back(t->label);
    if (std::string why; !kw::storage::pg::serverReady("", labels, why)) {
        std::cerr << "kestrowd-scenario: " << why << "\n";
        if (tempDir) fs::current_path(home);
        return 2;
    }
    const bool ok = kw::scenario::run(script, o, std::cerr);
    if (tempDir) {
        std::error_code ec;
        fs::current_path(home, ec);
        fs::remove_all(dir, ec);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool tempDir = false;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--temp-dir")
            tempDir = true;
        else if (!a.empty() && a[0] == '-')
            return usage();
        else
            files.emplace_back(a);
    }
    if (files.empty()) return usage();
    kw::app::registerProcedures();
    kw::storage::pg::registerServerBackend();
    int worst = 0;
    for (const fs::path& f : files) {
        const int code = runFile(f, tempDir);
        if (code == 0) std::cout << f.string() << ": ok\n";
        worst = std::max(worst, code);
        if (code != 0) break;
    }
    return worst;
}
