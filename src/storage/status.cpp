#include "storage/status.h"

#include <cerrno>
#include <cstring>

namespace kw::storage {

std::string Status::describe() const {
    std::string s = std::to_string(code) + " " + std::string(errorText(code));
    if (record != 0) s += " (record " + std::to_string(record) + ")";
    if (block != 0)
        s += " (key file " + std::to_string(fileIndex) + ", block " + std::to_string(block) + ")";
    if (sysError != 0) s += ": " + std::string(std::strerror(sysError));
    return s;
}

int codeFromErrno(int err) {
    switch (err) {
        case 0:
            return kOk;
        case ENOENT:
            return kFileNotFound;
        case ENOTDIR:
            return kPathNotFound;
        case EMFILE:
        case ENFILE:
            return kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EAGAIN:
            return kAccessDenied;
        case ENAMETOOLONG:
            return kInvalidFilename;
        case ENOMEM:
            return kInsufficientMemory;
        default:
            return kFileSystemError;
    }
}

}  // namespace kw::storage
