// kestrowd-file: the administrator's tool for the data files (see docs/kestrowd-file.md).
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"
#include "storage/postgres/pg_backend.h"

namespace {

int usage() {
    std::cerr << "usage: kestrowd-file create TABLE|--all\n"
                 "       kestrowd-file info FILE.DAT [--owner PASSWORD]\n"
                 "       kestrowd-file dump FILE.DAT [--key N] [--owner PASSWORD]\n"
                 "       kestrowd-file load FILE.DAT [--cut-texts] [--owner PASSWORD] < rows.csv\n"
                 "       kestrowd-file check FILE.DAT [--owner PASSWORD]\n"
                 "       kestrowd-file build FILE.DAT [--owner PASSWORD]\n"
                 "       kestrowd-file pack FILE.DAT [--owner PASSWORD]\n"
                 "       kestrowd-file salvage FILE.DAT [--owner PASSWORD]\n"
                 "       kestrowd-file backup DIR\n"
                 "       kestrowd-file verify-backup FOLDER\n"
                 "       kestrowd-file restore FOLDER\n"
                 "       kestrowd-file verify-audit AUD.DAT\n"
                 "       kestrowd-file copy FROM TO\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    kw::storage::pg::registerServerBackend();
    if (argc < 3) return usage();
    const std::string cmd = argv[1];
    if (cmd == "copy")
        return argc == 4 ? kw::tool::copyTables(argv[2], argv[3], std::cout, std::cerr) : usage();
    kw::tool::Options o;
    o.path = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--owner" && i + 1 < argc) {
            o.owner = argv[++i];
        } else if (a == "--key" && i + 1 < argc && cmd == "dump") {
            char* end = nullptr;
            o.key = static_cast<int>(std::strtol(argv[++i], &end, 10));
            if (*end != '\0' || o.key < 1) return usage();
        } else if (a == "--cut-texts" && cmd == "load") {
            o.cutTexts = true;
        } else {
            return usage();
        }
    }
    if (cmd == "create") return o.owner.empty() ? kw::tool::createTable(o, std::cerr) : usage();
    if (cmd == "info") return kw::tool::info(o, std::cout, std::cerr);
    if (cmd == "dump") return kw::tool::dump(o, std::cout, std::cerr);
    if (cmd == "load") return kw::tool::load(o, std::cin, std::cerr);
    if (cmd == "check") return kw::tool::check(o, std::cout, std::cerr);
    if (cmd == "build") return kw::tool::build(o, std::cout, std::cerr);
    if (cmd == "pack") return kw::tool::pack(o, std::cout, std::cerr);
    if (cmd == "salvage") return kw::tool::salvage(o, std::cout, std::cerr);
    const bool plain = o.owner.empty() && argc == 3;
    if (cmd == "backup") return plain ? kw::tool::backup(o, std::cout, std::cerr) : usage();
    if (cmd == "verify-backup")
        return plain ? kw::tool::verifyBackup(o, std::cout, std::cerr) : usage();
    if (cmd == "restore") return plain ? kw::tool::restore(o, std::cout, std::cerr) : usage();
    if (cmd == "verify-audit")
        return plain ? kw::tool::verifyAudit(o, std::cout, std::cerr) : usage();
    return usage();
}
