#include "storage/error_codes.h"

namespace kw::storage {

std::string_view errorText(int code) {
    switch (code) {
        case kOk:
            return "";
        case kFileNotFound:
            return "File Not Found";
        case kPathNotFound:
            return "Path Not Found";
        case kTooManyOpenFiles:
            return "Too Many Open Files";
        case kAccessDenied:
            return "Access Denied";
        case kInsufficientMemory:
            return "Insufficient Memory";
        case kEntryNotFound:
            return "Entry Not Found";
        case kFileLocked:
            return "File Is Already Locked";
        case kRecordNotAvailable:
            return "Record Not Available";
        case kRecordNotFound:
            return "Record Not Found";
        case kInvalidDataFile:
            return "Invalid Data File";
        case kFileNotOpen:
            return "File Not Open";
        case kInvalidKeyFile:
            return "Invalid Key File";
        case kDuplicateKey:
            return "Creates Duplicate Key";
        case kRecordHeld:
            return "Record Is Already Held";
        case kInvalidFilename:
            return "Invalid Filename";
        case kKeyFileMustBeRebuilt:
            return "Key File Must Be Rebuilt";
        case kInvalidRecordDeclaration:
            return "Invalid Record Declaration";
        case kUnableToLogTransaction:
            return "Unable To Log Transaction";
        case kFileAlreadyOpen:
            return "File Already Open";
        case kNotThisFormat:
            return "File Is Not A Data File Of This Format";
        case kNoCreateAttribute:
            return "No Create Attribute";
        case kFileMustBeShared:
            return "File Must Be Shared";
        case kLogoutAlreadyActive:
            return "LOGOUT Already Active";
        case kInvalidMemoFile:
            return "Invalid Memo File";
        case kExclusiveAccessRequired:
            return "Exclusive Access Required";
        case kSharingViolation:
            return "Sharing Violation";
        case kUnableToRollback:
            return "Unable To ROLLBACK Transaction";
        case kMemoFileMissing:
            return "Memo File Missing";
        case kInvalidFieldType:
            return "Invalid Field Type Descriptor";
        case kUnsupportedDataType:
            return "Unsupported Data Type In File";
        case kUnsupportedFunction:
            return "Unsupported File Driver Function";
        case kInvalidKeyLength:
            return "Invalid Key Length";
        case kRecordChanged:
            return "Record Changed By Another Station";
        case kFileSystemError:
            return "File System Error";
        case kLogoutNotActive:
            return "LOGOUT Not Active";
        case kBuildInProgress:
            return "BUILD In Progress";
        case kBuildCancelled:
            return "BUILD Cancelled";
        default:
            return "";
    }
}

}  // namespace kw::storage
