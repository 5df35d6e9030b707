#pragma once
// The engine context of the run: making and ending it, closing tables through the record layer, the
// program's exit path on a fatal open error, and the context's error code.
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "xbase/Engine.h"

namespace store {

// Creates the context of the run with the run's settings (read buffering on, write buffering for
// exclusive opens, auto-open on, shared access, safety on) and wires the engine's own exit path to
// EngineExit. fs: the file system (nullptr: POSIX); dir: where bare names resolve, and from then on
// the run's data directory ("": the one set before, store::DataDir()). Replaces a context made earlier.
xbase::Context& EngineInit(xbase::FileSystem* fs = nullptr, const std::string& dir = "");
// The same on a data location: a directory, or a database server's URI ("postgresql://..."). False
// with *error naming the server when the server cannot be reached or its database not used.
bool EngineInitAt(const QString& location, QString* error);
// True when the location names a database server rather than a directory.
bool IsServerLocation(const QString& location);
// A context of its own on a location (for tools that write a whole business). nullptr with *error.
std::unique_ptr<xbase::Context> NewContext(const QString& location, QString* error);
// Closes every table and ends the context.
void EngineEnd();
// The context of the run. REQUIRES: EngineInit was called.
xbase::Context& Engine();
bool EngineActive();
// Closes every open table of the context and clears the record layer's handles. Close through this
// (or CloseTable), not through the context, so that no handle outlives its table.
void CloseAll();
// Closes one table and clears the record layer's handle to it.
void CloseTable(xbase::Table*& table);
// Closes every table and ends the program through the installed exit hook.
void EngineExit();
// What ending the program means: the program installs one (the default calls std::exit(1)); tests
// install one that records the call and returns. When it returns, the routine that failed returns too.
void SetProgramExitHook(std::function<void()> hook);

// Shows "Unable to open file <fileName>" / "Program will now terminate." and calls EngineExit; a
// reason (a damaged table's) stands between the two lines.
void FatalOpenError(const QString& fileName, const QString& reason = {});

// The context's error code, reset as it is read: negative after a failed open or tag selection. The
// open routines read it before they open, so a failure left by an earlier command is never taken for
// theirs.
int ErrorCode();

}  // namespace store
