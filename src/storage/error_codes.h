// The driver's numeric error codes and their texts. The numbers are stable: the file
// manager and the error manager test for them, and they are shown to the user.
#pragma once

#include <string_view>

namespace kw::storage {

enum ErrorCode : int {
    kOk = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kInsufficientMemory = 8,
    kEntryNotFound = 30,
    kFileLocked = 32,
    kRecordNotAvailable = 33,
    kRecordNotFound = 35,
    kInvalidDataFile = 36,
    kFileNotOpen = 37,
    kInvalidKeyFile = 38,
    kDuplicateKey = 40,
    kRecordHeld = 43,
    kInvalidFilename = 45,
    kKeyFileMustBeRebuilt = 46,
    kInvalidRecordDeclaration = 47,
    kUnableToLogTransaction = 48,
    kFileAlreadyOpen = 52,
    kNotThisFormat = 53,
    kNoCreateAttribute = 54,
    kFileMustBeShared = 55,
    kLogoutAlreadyActive = 56,
    kInvalidMemoFile = 57,
    kExclusiveAccessRequired = 63,
    kSharingViolation = 64,
    kUnableToRollback = 65,
    kMemoFileMissing = 73,
    kInvalidFieldType = 75,
    kUnsupportedDataType = 79,
    kUnsupportedFunction = 80,
    kInvalidKeyLength = 88,
    kRecordChanged = 89,
    kFileSystemError = 90,
    kLogoutNotActive = 91,
    kBuildInProgress = 92,
    kBuildCancelled = 93,
};

// The text of a code; "" for a code that is not the driver's.
std::string_view errorText(int code);

}  // namespace kw::storage
