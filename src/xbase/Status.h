#pragma once
// Result codes and error values of the storage engine. Errors are values: nothing here throws.
#include <string>

namespace xbase {

// Positioning results (the engine interface's codes).
enum Result : int {
    kOk = 0,        // positioned / done; for seek: exact (prefix) match
    kSeekNext = 2,  // seek stands on the next greater key
    kEof = 3,       // end of the order (or empty table); for seek: no greater key
    kBof = 4,       // skip moved before the first record
};

// Negative error codes. The number tells the kind; Status carries the file and the OS error.
enum Error : int {
    kErrOpen = -10,          // file missing or cannot be opened
    kErrCreate = -11,        // file cannot be created
    kErrRead = -12,          // read failed or file shorter than its header says
    kErrWrite = -13,         // write failed
    kErrDiskFull = -14,      // write failed: no space left
    kErrReadOnly = -15,      // write refused: read-only file or file system
    kErrShare = -16,         // open refused: another user has the file open in a conflicting mode
    kErrLock = -17,          // a record, header or index lock could not be taken
    kErrChanged = -18,       // the record was changed by another user since it was read: nothing written
    kErrCorruptTable = -20,  // DBF header or field descriptors damaged
    kErrCorruptMemo = -21,   // DBT damaged or memo reference out of range
    kErrCorruptIndex = -22,  // NTX structure damaged (rebuild from the table)
    kErrCorruptGroup = -23,  // group file unreadable
    kErrStaleIndex = -24,    // a change was interrupted: the tags may be behind the table (rebuild them)
    kErrTagNotFound = -30,   // no tag of that name / no tag selected
    kErrFieldNotFound = -31, // no field of that name
    kErrFieldType = -32,     // operation does not fit the field's type
    kErrValueTooWide = -33,  // value does not fit the field (never stored as asterisks)
    kErrBadValue = -34,      // text not allowed in the field (e.g. 0x1A in a memo)
    kErrExpression = -40,    // key expression cannot be parsed against the table's fields
    kErrKeyLength = -41,     // key length of the expression differs from the index header
    kErrExists = -50,        // safety on: index creation would replace an existing file
    kErrNotExclusive = -51,  // operation needs the table opened exclusively (pack, zap, reindex)
    kErrRecord = -60,        // record number out of range / no current record
    kErrTooLarge = -61,      // file would pass the 1,000,000,000-byte lock region
    kErrArgument = -70,      // bad argument
};

struct Status {
    int code = 0;          // 0 or an Error
    std::string file;      // the file concerned, as named by the caller
    int osError = 0;       // errno where the OS reported one
    std::string message;   // one line for the user: what failed and where

    bool ok() const { return code == 0; }
    static Status Ok() { return {}; }
};

// Builds a Status with a message of the form "<what>: <file> (<strerror>)".
Status makeStatus(int code, const std::string& file, const std::string& what, int osError = 0);

}  // namespace xbase
