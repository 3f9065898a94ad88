#include "shell/login_audit.h"

#include <string>

#include "framework/data/audit.h"
#include "framework/data/dct_init.h"
#include "runtime/clock.h"
#include "runtime/host.h"

namespace kw::shell {

bool recordRefusedLogin(uint8_t code, std::string_view noteCp1251) {
    if (!Relate::AUD || !Access::AUD) return false;
    if (Relate::AUD->Open() != Level::Benign) return false;
    audit::Entry e;
    e.kind = audit::Kind::LoginRefused;
    e.user = code;
    e.host = host::name();
    e.table = "SEC";
    e.key = std::to_string(code);
    e.text = std::string(noteCp1251);
    e.date = clock::today();
    e.time = clock::clockTime();
    const bool written = audit::append(*Access::AUD->File, e).ok();
    if (!written) {
        Access::AUD->SetError(4);  // "Record Insert Error"
        (void)Access::AUD->Throw();
    }
    (void)Relate::AUD->Close();
    return written;
}

}  // namespace kw::shell
