// The result of a driver operation: a driver error code (0 = success) with the context
// that a message or a log needs: the operating-system error behind it, the record and
// the key-file block concerned, and which file of the table (data, key n, journal).
#pragma once

#include <cstdint>
#include <string>

#include "storage/error_codes.h"

namespace kw::storage {

struct [[nodiscard]] Status {
    int code = kOk;
    int sysError = 0;     // errno when an operating-system call failed, else 0
    uint32_t record = 0;  // record number concerned, 0 when none
    uint32_t block = 0;   // key-file block concerned, 0 when none
    int fileIndex = -1;   // -1 data file, 1..n key file n, 0 the journal; meaningful with block

    bool ok() const { return code == kOk; }
    static Status okay() { return {}; }
    static Status error(int c, uint32_t rec = 0) {
        Status s;
        s.code = c;
        s.record = rec;
        return s;
    }
    static Status system(int c, int err) {
        Status s;
        s.code = c;
        s.sysError = err;
        return s;
    }
    // "Record Not Found (record 12)" and the like, for logs and the tool.
    std::string describe() const;
};

// Maps an errno of an open to the driver's code: 2, 3, 4, 5 or 90.
int codeFromErrno(int err);

}  // namespace kw::storage
