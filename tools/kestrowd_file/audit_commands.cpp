// verify-audit: the check of the audit journal's chain (framework/data/audit.h).
#include <ostream>

#include "commands.h"
#include "dictionary/aud.h"
#include "framework/data/audit.h"
#include "open_table.h"

namespace kw::tool {

int verifyAudit(const Options& o, std::ostream& out, std::ostream& err) {
    std::string dir, name = o.path;
    if (const auto slash = name.rfind('/'); slash != std::string::npos) {
        dir = name.substr(0, slash);
        name = name.substr(slash + 1);
    }
    if (name != "AUD.DAT") {
        err << "kestrowd-file: verify-audit: give the audit journal's file, AUD.DAT\n";
        return 2;
    }
    storage::FileOptions fo;
    fo.directory = dir;
    storage::File aud(dict::audTable(), fo);
    const storage::Status s = aud.open(storage::kAccessRead | storage::kDenyNone);
    if (!s.ok()) return driverError(err, o.path, s);
    const audit::Finding f = audit::verify(aud);
    if (!f.ok) {
        out << "entry " << f.entry << ": " << f.what << "\n";
        err << "kestrowd-file: verify-audit: the journal does not hold from entry " << f.entry
            << "\n";
        return 1;
    }
    out << "audit journal: " << f.entries << " entries, numbered without a gap, the chain holds\n";
    return 0;
}

}  // namespace kw::tool
