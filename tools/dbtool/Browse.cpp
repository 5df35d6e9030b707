// The read-only commands: dump, order and seek.
#include <cstdio>
#include <ostream>

#include "DbTool.h"
#include "DbfHeader.h"

namespace dbtool {

namespace {

std::string hexByte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFF);
    return buf;
}

std::string dateText(int y, int m, int d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

void printHeader(const DbfHeader& h, const std::string& file, std::ostream& out) {
    out << "file\t" << file << "\n"
        << "size\t" << h.fileSize << "\n"
        << "version\t" << hexByte(h.version) << "\n"
        << "updated\t" << dateText(h.year, h.month, h.day) << "\n"
        << "records\t" << h.recordCount << "\n"
        << "header length\t" << h.headerLength << "\n"
        << "record length\t" << h.recordLength << "\n"
        << "language\t" << hexByte(h.languageId) << "\n";
}

void printFields(const xbase::Table& table, std::ostream& out) {
    out << "fields\t" << table.fields().size() << "\n";
    for (const xbase::Field* f : table.fields()) {
        out << "field\t" << f->name() << "\t" << f->type() << "\t" << f->length() << "\t" << f->decimals() << "\n";
    }
    out << "recno\tdeleted";
    for (const xbase::Field* f : table.fields()) out << "\t" << f->name();
    out << "\n";
}

// Prints the current record; a memo that cannot be read is reported on err and left empty.
bool printRecord(xbase::Context& ctx, const xbase::Table& table, std::ostream& out, std::ostream& err) {
    bool ok = true;
    out << table.recNo() << "\t" << (table.isDeleted() ? "*" : " ");
    for (const xbase::Field* f : table.fields()) {
        ctx.errorCode();  // a failure is told by the code the read leaves behind
        std::string value = f->type() == 'M' ? f->memoText() : f->text();
        if (ctx.errorCode() < 0) {
            err << "record " << table.recNo() << " field " << f->name() << ": " << ctx.lastStatus().message << "\n";
            value.clear();
            ok = false;
        }
        out << "\t" << escapeBytes(value);
    }
    out << "\n";
    return ok;
}

// Opens the table with its group and selects tagName.
xbase::Table* openWithTag(xbase::Context& ctx, const TableRef& ref, const std::string& tagName, std::ostream& err) {
    xbase::Table* table = openTable(ctx, ref, 0, true, err);
    if (table == nullptr) return nullptr;
    xbase::Tag* tag = table->findTag(tagName);
    if (tag == nullptr) {
        err << "no tag " << tagName << " in " << ref.path(".cgp") << "\n";
        return nullptr;
    }
    if (reportResult(ctx, table->selectTag(tag), err) != kExitOk) return nullptr;
    return table;
}

}  // namespace

int runDump(const TableRef& ref, std::ostream& out, std::ostream& err) {
    xbase::Context ctx(nullptr, ref.dir);
    const std::string file = ctx.fileSystem().resolve(ref.path(".dbf"));
    DbfHeader header;
    const xbase::Status st = readDbfHeader(ctx.fileSystem(), file, &header);
    if (!st.ok()) {
        err << st.message << "\n";
        return kExitFailed;
    }
    xbase::Table* table = openTable(ctx, ref, 0, false, err);  // tags are not needed, nor is a sound index
    if (table == nullptr) return kExitFailed;
    printHeader(header, file, out);
    printFields(*table, out);
    bool ok = true;
    for (long r = 1; r <= table->recCount(); ++r) {
        const int rc = table->go(r);
        if (rc != xbase::kOk) return reportResult(ctx, rc < 0 ? rc : xbase::kErrRecord, err);
        ok = printRecord(ctx, *table, out, err) && ok;
    }
    return ok ? kExitOk : kExitFailed;
}

int runOrder(const TableRef& ref, const std::string& tagName, std::ostream& out, std::ostream& err) {
    xbase::Context ctx(nullptr, ref.dir);
    xbase::Table* table = openWithTag(ctx, ref, tagName, err);
    if (table == nullptr) return kExitFailed;
    int rc = table->top();
    while (rc >= 0 && !table->eof()) {
        out << table->recNo() << "\n";
        rc = table->skip(1);
    }
    return reportResult(ctx, rc < 0 ? rc : xbase::kOk, err);
}

int runSeek(const TableRef& ref, const std::string& tagName, const std::string& text, std::ostream& out,
            std::ostream& err) {
    xbase::Context ctx(nullptr, ref.dir);
    xbase::Table* table = openWithTag(ctx, ref, tagName, err);
    if (table == nullptr) return kExitFailed;
    const int rc = table->seek(text);
    if (rc < 0) return reportResult(ctx, rc, err);
    out << rc << "\t" << table->recNo() << "\n";
    return kExitOk;
}

}  // namespace dbtool
