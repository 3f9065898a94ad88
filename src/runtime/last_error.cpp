#include "runtime/last_error.h"

#include <cerrno>
#include <system_error>

namespace kw::last_error {

namespace {

thread_local Snapshot t_last;

}  // namespace

void set(int32_t code, std::string_view text) {
    t_last.code = code;
    t_last.text = std::string(text);
}

void setDriver(std::string_view driverCode, std::string_view driverText) {
    t_last.code = kDriverError;
    t_last.text = "File System Error";
    t_last.driverCode = std::string(driverCode);
    t_last.driverText = std::string(driverText);
}

void setFromErrno(int err) {
    switch (err) {
        case ENOENT:
            set(kFileNotFound, "File Not Found");
            return;
        case ENOTDIR:
        case ENAMETOOLONG:
            set(kPathNotFound, "Path Not Found");
            return;
        case EMFILE:
        case ENFILE:
            set(kTooManyOpenFiles, "Too Many Open Files");
            return;
        case EACCES:
        case EPERM:
        case EROFS:
            set(kAccessDenied, "Access Denied");
            return;
        default:
            setDriver(std::to_string(err), std::generic_category().message(err));
            return;
    }
}

void restore(const Snapshot& kept) {
    if (kept.code == kDriverError)
        setDriver(kept.driverCode, kept.driverText);
    else
        set(kept.code, kept.text);
}

void clear() {
    t_last = Snapshot{};
}

int32_t code() {
    return t_last.code;
}
std::string text() {
    return t_last.text;
}
std::string driverCode() {
    return t_last.driverCode;
}
std::string driverText() {
    return t_last.driverText;
}
Snapshot get() {
    return t_last;
}

}  // namespace kw::last_error
