#pragma once
// The table catalogue: every table's file name, fields (in fetch order), memo file, index group, tags
// with their key expressions and files, the default tag and the index file named when that tag cannot
// be opened. The record layer, the index rebuild, the data tool and the tests all read it from here.
#include <string>
#include <vector>

#include "xbase/Engine.h"

namespace store {

// One value per table. Cust..Pur carry the short names CommitRecord tells tables apart by.
enum class TableKey { Settings, Cust, Groups, Inv, Itm, Labels, Pmt, Prod, Pur, ImpDirs, Party };

struct FieldEntry {
    const char* name;  // as written to the table (at most 10 characters)
    char type;         // C, N, D, L or M
    int len;
    int dec;
};

// Every tag the program selects, by what it orders. The names are written once, in the catalogue.
enum class TagId {
    None,  // record order
    CustName, CustNumber, CustZip, CustCompany,
    GroupNumber, GroupName,
    Prod, Pur,
    Inv, InvCust, InvDate,
    Itm, ItmProd,
    Pmt, PmtDate,
    Labels,
    Party,
};

struct TagEntry {
    TagId id;
    const char* name;        // tag name stored in the index header
    const char* expression;  // key expression
    const char* file;        // index file, named after the tag
};

struct TableEntry {
    TableKey key;
    const char* keyName;       // "CUST", "GROUPS", ...; "" for the settings and import-directory tables
    const char* name;          // name the table is opened by ("CUST5")
    const char* fileName;      // file named in the open-failure message ("CUST5.DBF")
    const char* memoFile;      // "CUST5.dbt", or nullptr when the table has no memo field
    TagId defaultTag;          // tag selected at open (None: record order)
    const char* tagFailFile;   // index file named when the default tag cannot be opened
    bool dataFile;             // one of the nine tables start-up requires
    std::vector<FieldEntry> fields;
    std::vector<TagEntry> tags;  // empty: the table has no index group

    bool hasIndex() const { return !tags.empty(); }
    // "<name>.cgp", or "" without an index group.
    std::string groupFile() const;
    // The file name without its extension ("ImpDirs"): new tables are created under it.
    std::string fileStem() const;
    // Position of a field in the fetch order (case-insensitive); -1 when the table has none.
    int fieldIndex(const std::string& fieldName) const;
    // Width of a field (0 when the table has none): the longest text the table can hold.
    int fieldWidth(const std::string& fieldName) const;
};

// Every table, in the order indexes are rebuilt (the indexed tables first, settings and import
// directories last).
const std::vector<TableEntry>& Catalogue();
const TableEntry& Table(TableKey key);
// The table with that short name (case-insensitive), or nullptr.
const TableEntry* TableByKeyName(const std::string& keyName);

// The catalogue entry of a tag and the table it belongs to. REQUIRES: id is not None.
const TagEntry& Tag(TagId id);
TableKey TableOfTag(TagId id);
// The open tag of a table (nullptr when the table's index group lacks it, or for None).
xbase::Tag* FindTag(xbase::Table* table, TagId id);
// Selects the tag (None: record order). The engine's result; kErrTagNotFound when the table lacks it.
int SelectTag(xbase::Table* table, TagId id);

// The engine's descriptions of a table's fields and tags.
std::vector<xbase::FieldDef> FieldDefs(const TableEntry& table);
std::vector<xbase::TagDef> TagDefs(const TableEntry& table);

// Every file a table consists of (table, memo, group and index files), as new files are named.
std::vector<std::string> TableFiles(const TableEntry& table);

// Stored texts are cut to this many characters before the engine fits them to the field.
inline constexpr int kTextCut = 59;
// Memo texts are stored whole; this is the size the entry windows offer.
inline constexpr int kMemoLimit = 32000;
// The import directories are cut to this many characters.
inline constexpr int kDirCut = 126;

}  // namespace store
