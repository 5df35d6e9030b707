#pragma once
// corvane-dbtool: inspects, checks, reindexes and packs the tables of a data directory.
// Each command is a function of its arguments and two streams, so the whole tool runs inside tests.
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/Engine.h"

namespace dbtool {

// Exit codes of the tool.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  // the engine refused, or check found faults
    kExitUsage = 2,
};

// A table named on the command line: "CUST5", "cust5.dbf" or "data/CUST5.DBF".
struct TableRef {
    std::string dir;   // "" for the current directory
    std::string name;  // without the .dbf extension
    std::string path(std::string_view extension) const;  // dir + name + extension
};
TableRef parseTableArg(const std::string& arg);

// Bytes as printable ASCII: backslash, tab, CR and LF as \\ \t \r \n, other bytes outside
// 0x20..0x7E as \xHH. One record stays one line whatever its memos hold.
std::string escapeBytes(std::string_view bytes);

// Opens ref's table in ctx with the given access mode and auto-open setting. On failure prints the
// engine's message to err and returns nullptr.
xbase::Table* openTable(xbase::Context& ctx, const TableRef& ref, int accessMode, bool autoOpen,
                        std::ostream& err);
// Prints the context's last failure (when code < 0) and returns kExitFailed, else kExitOk.
int reportResult(xbase::Context& ctx, int code, std::ostream& err);

int runDump(const TableRef& table, std::ostream& out, std::ostream& err);
int runOrder(const TableRef& table, const std::string& tag, std::ostream& out, std::ostream& err);
int runSeek(const TableRef& table, const std::string& tag, const std::string& text, std::ostream& out,
            std::ostream& err);
int runCheck(const TableRef& table, std::ostream& out, std::ostream& err);
int runReindex(const TableRef& table, std::ostream& out, std::ostream& err);
int runPack(const TableRef& table, std::ostream& out, std::ostream& err);

// Parses the command line (without the program name) and runs the command.
int runDbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dbtool
