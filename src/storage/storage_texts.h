// The fixed message texts and titles of the file access layer and the identifier counter.
#pragma once

namespace qv::texts {

// Pieces that messages put around a file's name, path or code.
inline constexpr const char* kTheFile = "The file ";
inline constexpr const char* kQuorvaneWillTerminate = "Quorvane will terminate.";
inline constexpr const char* kLineBreak = "\r\n";

// A file number the catalogue does not name (each line centred in 40 characters).
inline constexpr const char* kFileNo = "File no ";
inline constexpr const char* kNotDefined = " not defined!";
inline constexpr const char* kWillTerminateBang = "Quorvane will terminate!";
inline constexpr const char* kProgramFailureTitle = "Program Failure!";
inline constexpr int kCentreWidth = 40;

// An outside file without a name.
inline constexpr const char* kCannotBeOpenedDot = " cannot be opened.\r\n";
inline constexpr const char* kNotValidNameOrPath =
    "The filename is not a valid DOS file name or the path does not exist \r\n";
inline constexpr const char* kInvalidFileNameTitle = "Invalid File Name Error";

// Opening.
inline constexpr const char* kIsMissing = " is missing!\r\n";
inline constexpr const char* kCannotBeCreated = "This file cannot be created by the program\r\n";
inline constexpr const char* kAndWillTerminate = "and Quorvane will terminate.";
inline constexpr const char* kFileOpenErrorTitle = "File Open Error";

inline constexpr const char* kThePath = "The path ";
inline constexpr const char* kPathDoesNotExist = " does not exist.\r\nQuorvane will terminate.";
inline constexpr const char* kPathNotFoundTitle = "Path Not Found";
inline constexpr const char* kCheckDirectorySetup =
    "Check your directory setup in Preferences and run File/Rebuild.";

inline constexpr const char* kCannotBeOpenedNoDot = " cannot be opened\r\n";
inline constexpr const char* kDefinitionIncorrect = "as the file definition is incorrect.\r\n";
inline constexpr const char* kInvalidDeclarationTitle =
    " File Open Error - Invalid record declaration";

inline constexpr const char* kCannotBeOpenedBang = " cannot be opened!\r\n";
inline constexpr const char* kAccessDeniedTitle = " File Open Error - Access denied";
inline constexpr const char* kCheckAccessRights =
    "Check your network access rights or the possible need for SHARE or VSHARE";

inline constexpr const char* kCorruptedIndices = "due to corrupted indices.\r\n";
inline constexpr const char* kAutomaticRebuild = "Automatic rebuild will take place.";
inline constexpr const char* kBadKeysTitle = "File Open Error - Bad keys";
inline constexpr const char* kCannotBeRebuilt = " cannot be rebuilt.\r\n";
inline constexpr const char* kRebuildErrorTitle = "File Rebuild Error";

inline constexpr const char* kNotValidName = "The filename is not a valid DOS file name \r\n";
inline constexpr const char* kErrorNo = "Error no ";

// Emptying.
inline constexpr const char* kCannotBeEmptied = " cannot be emptied.\r\n";
inline constexpr const char* kExclusiveNotGranted = "Exclusive access not granted - error no ";
inline constexpr const char* kEmptyErrorTitle = "File Empty Error";

// Removing a file by name.
inline constexpr const char* kIsOpenCannotRemove = " is open and cannot be removed";
inline constexpr const char* kNoAccessRights = "No access rights - the file ";
inline constexpr const char* kCannotBeRemoved = " cannot be removed";
inline constexpr const char* kDeletionTitle = "File Deletion Error!";
inline constexpr const char* kNotAllRemoved =
    "One or more files have not been \r\nremoved in subdirectory ";

// Record writes.
inline constexpr const char* kRecordAddError = "Record add error!";
inline constexpr const char* kRecordUpdateError = "Record update error!";
inline constexpr const char* kRecordDeleteError = "Record delete error!";
inline constexpr const char* kRecordNotAvailable = "Record not available!";
inline constexpr const char* kIdenticalKey = "A record with identical key already exists!";
inline constexpr const char* kRolledBack = "The last transaction is rolled back.";

// Record holds.
inline constexpr const char* kDeletedByAnother =
    "The record has been deleted by another user!\r\n                   Update is cancelled!";
inline constexpr const char* kLockedByAnother =
    "The record is locked by another user!\r\nUpdate is cancelled, try again later!";
inline constexpr const char* kCannotBeRead =
    "               The record cannot be read!\r\nUpdate is cancelled, try again later!";
inline constexpr const char* kNotAccessibleTitle = "The record is not accessible!";

// Form saves.
inline constexpr const char* kChangedByAnother =
    "The record has just been changed by another user!\r\nTry again!";
inline constexpr const char* kWarningTitle = "Warning!";
inline constexpr const char* kSaveOk = "OK";

// List errors and the transaction check.
inline constexpr const char* kQueueAccessError = "Queue access error";
inline constexpr const char* kInsufficientMemory = "Insufficient memory!";
inline constexpr const char* kInvalidFieldType = "Invalid field type descriptor!";
inline constexpr const char* kFatalErrorBangTitle = "Fatal error!";
inline constexpr const char* kFatalErrorTitle = "Fatal error";
inline constexpr const char* kTransactionFrameError = "Transaction Frame Error!\r\n";

// Directory checks.
inline constexpr const char* kTheSpecifiedPath = "The specified path ";
inline constexpr const char* kDoesNotExist = " does not exist.\r\n";
inline constexpr const char* kPathNotFoundSpacedTitle = " Path Not Found";
inline constexpr const char* kTheSpecifiedDirectory = "The specified directory ";
inline constexpr const char* kCouldNotBeCreated =
    " could not be created.\r\nQuorvane will be halted.";
inline constexpr const char* kDirectoryCreationTitle = " Directory Creation Error";
inline constexpr const char* kProbableAccessViolation = "Probable access rights violation";

// The identifier counter and its check.
inline constexpr const char* kNextIdFailed = "Next ID cannot be generated!";
inline constexpr const char* kControlFileErrorTitle = "Control File Error";
inline constexpr const char* kCheckingHighestId = "Checking for highest existing ID ...";
inline constexpr const char* kCheckingHighestIdOk = "Checking for highest existing ID ...OK!";
inline constexpr const char* kNextIdCheckTitle = " Next ID check";
inline constexpr const char* kCheckingHighestIdNumber = "Checking for highest ID number";
inline constexpr const char* kTheDatabaseNamed = " The database named ";

}  // namespace qv::texts
