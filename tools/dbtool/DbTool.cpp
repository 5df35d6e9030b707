#include "DbTool.h"

#include <cstdio>
#include <ostream>

#include "pg/PgCheck.h"
#include "pg/PgConnection.h"

namespace dbtool {

namespace {

const char* const kUsage =
    "usage: corvane-dbtool COMMAND TABLE [ARGS]\n"
    "  dump TABLE              header, fields and every record (tab-separated; memos inline)\n"
    "  order TABLE TAG         record numbers in the tag's order, one per line\n"
    "  seek TABLE TAG TEXT     result code and the record number the seek stands on\n"
    "  check TABLE             check the header, memo references and every tag; OK or one line per fault\n"
    "  check URI               the same for every table of a business on a database server (postgresql://...)\n"
    "  reindex TABLE           rebuild every tag of the table's group from the index headers\n"
    "  pack TABLE              remove deleted records (needs the table to itself)\n"
    "TABLE is a table's file name with or without .dbf, found without regard to case; TAG is a tag\n"
    "name, found without regard to case. Bytes outside printable ASCII are shown as \\xHH,\n"
    "tab, CR, LF and backslash as \\t \\r \\n \\\\.\n"
    "Exit status: 0 done, 1 failed or faults found, 2 bad arguments.\n";

bool endsWithNoCase(const std::string& s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (a != suffix[i]) return false;
    }
    return true;
}

struct Command {
    const char* name;
    size_t argCount;  // arguments after the command name
};

const Command kCommands[] = {
    {"dump", 1}, {"order", 2}, {"seek", 3}, {"check", 1}, {"reindex", 1}, {"pack", 1},
};

}  // namespace

std::string TableRef::path(std::string_view extension) const {
    std::string p = dir.empty() ? std::string() : dir + "/";
    return p + name + std::string(extension);
}

TableRef parseTableArg(const std::string& arg) {
    TableRef ref;
    std::string base = arg;
    const size_t slash = arg.find_last_of('/');
    if (slash != std::string::npos) {
        ref.dir = arg.substr(0, slash);
        if (ref.dir.empty()) ref.dir = "/";
        base = arg.substr(slash + 1);
    }
    if (endsWithNoCase(base, ".dbf")) base.resize(base.size() - 4);
    ref.name = base;
    return ref;
}

std::string escapeBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default:
            if (c >= 0x20 && c <= 0x7E) {
                out += char(c);
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            }
        }
    }
    return out;
}

xbase::Table* openTable(xbase::Context& ctx, const TableRef& ref, int accessMode, bool autoOpen,
                        std::ostream& err) {
    ctx.setAccessMode(accessMode);
    // Shared opens are the reading commands' (dump, order, seek, check): they open for reading only,
    // so that what they find stays as it is for check to report and for the program or reindex and
    // pack to repair.
    ctx.setReadOnly(accessMode == 0 ? 1 : 0);
    ctx.setAutoOpen(autoOpen ? 1 : 0);
    xbase::Table* table = ctx.openTable(ref.name);
    const int code = ctx.errorCode();
    if (table == nullptr || code < 0) {
        const std::string& message = ctx.lastStatus().message;
        err << (message.empty() ? "cannot open " + ref.path(".dbf") : message) << "\n";
        return nullptr;
    }
    return table;
}

int reportResult(xbase::Context& ctx, int code, std::ostream& err) {
    if (code >= 0) return kExitOk;
    ctx.errorCode();
    const std::string& message = ctx.lastStatus().message;
    err << (message.empty() ? "failed with code " + std::to_string(code) : message) << "\n";
    return kExitFailed;
}

int runDbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Command* command = nullptr;
    if (!args.empty()) {
        for (const Command& c : kCommands) {
            if (args[0] == c.name) command = &c;
        }
    }
    if (command == nullptr || args.size() != command->argCount + 1 || args[1].empty()) {
        err << kUsage;
        return kExitUsage;
    }
    // A database server's business is checked whole: every table and every tag.
    if (args[0] == "check" && pg::isServerLocation(args[1])) {
        const int faults = pg::checkServer(args[1], out);
        if (faults == 0) out << "OK\n";
        return faults == 0 ? kExitOk : kExitFailed;
    }
    const TableRef table = parseTableArg(args[1]);
    if (table.name.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string name = command->name;
    if (name == "dump") return runDump(table, out, err);
    if (name == "order") return runOrder(table, args[2], out, err);
    if (name == "seek") return runSeek(table, args[2], args[3], out, err);
    if (name == "check") return runCheck(table, out, err);
    if (name == "reindex") return runReindex(table, out, err);
    return runPack(table, out, err);
}

}  // namespace dbtool
