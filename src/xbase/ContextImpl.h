#pragma once
// The context's state, shared by the table implementation. Internal to the engine (and its tests).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xbase/Driver.h"
#include "xbase/Engine.h"

namespace xbase {

class DbfTable;

struct Context::Impl {
    FileSystem* fs = nullptr;
    std::string dir;
    // Tables opened exclusively cache DBF blocks (readBuffering) and batch appends (writeBuffering);
    // shared tables always write straight to their files and read the record again at each move.
    int readBuffering = 1;
    int writeBuffering = -1;
    int autoOpen = 1;
    int accessMode = 0;
    int safety = 1;
    int readOnly = 0;
    // How long a record, header or memo lock is retried before kErrLock.
    int lockTimeoutMs = 2000;

    int error = 0;
    Status last;
    std::function<void(const Status&)> exitHook;
    IoCounters counters;

    std::unique_ptr<Driver> driver;  // nullptr: DBF files in dir
    std::vector<std::unique_ptr<DbfTable>> owned;
    std::vector<Table*> tables;

    // Records a failure and returns its code.
    int fail(const Status& s);
    // dir joined with a bare file name, then resolved without regard to case.
    std::string pathOf(const std::string& file) const;
    void release(DbfTable* table);
};

}  // namespace xbase
