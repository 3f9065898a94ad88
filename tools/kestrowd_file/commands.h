// The commands of kestrowd-file. Each returns the program's exit code: 0 success,
// 1 a failed check, 2 bad usage or a driver error (reported on stderr).
#pragma once

#include <iosfwd>
#include <string>

namespace kw::tool {

struct Options {
    std::string path;   // FILE.DAT (or the table label for create)
    std::string owner;  // --owner
    int key = 0;        // --key, 0 = physical order
    bool cutTexts = false;  // --cut-texts: load cuts texts longer than their field
};

int createTable(const Options& o, std::ostream& err);
int info(const Options& o, std::ostream& out, std::ostream& err);
int dump(const Options& o, std::ostream& out, std::ostream& err);
int load(const Options& o, std::istream& in, std::ostream& err);
int check(const Options& o, std::ostream& out, std::ostream& err);
int build(const Options& o, std::ostream& out, std::ostream& err);
int pack(const Options& o, std::ostream& out, std::ostream& err);
int salvage(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace kw::tool
