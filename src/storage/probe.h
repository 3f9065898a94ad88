// Reading a data file's own description without a table declaration, for tools that
// work on any file of this format (kestrowd-file dump, info, fuzzing).
#pragma once

#include <string>

#include "storage/data_format.h"
#include "storage/file_system.h"
#include "storage/status.h"

namespace kw::storage {

// Reads the header and descriptors of the data file at `path` (deciphered with the
// owner password when the file is owned). 53 for a file of another format, 36 for a
// damaged one or a wrong password.
Status probeDataFile(FileSystem& fs, const std::string& path, const std::string& owner,
                     Layout& out);

// The checks an open makes of a probed header and its descriptors, the declaration
// taken from the descriptors themselves (as the tools open a file): 36 for counts that
// do not fit the header or a file of `fileSize` bytes, 47 for descriptors that do not
// describe a record (a field past the record's end, a key over another field's bytes).
Status checkLayout(const Layout& l, uint64_t fileSize);

}  // namespace kw::storage
