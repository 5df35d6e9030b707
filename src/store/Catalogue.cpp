#include "store/Catalogue.h"

#include <algorithm>
#include <cctype>

namespace store {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// Widths: keys fix CuNo and IvNo (6) and nGroup (2). Text fields hold the longest entry their windows
// allow; where a window sets no limit the field holds the 59 characters every store keeps. Amounts
// hold their entry masks with a sign and room for sums (invoice totals, stock on hand).
std::vector<TableEntry> buildCatalogue() {
    std::vector<TableEntry> c;
    c.push_back({TableKey::Cust, "CUST", "CUST5", "CUST5.DBF", "CUST5.dbt", TagId::CustName, "cName.ntx", true,
                 {{"CUNO", 'N', 6, 0},
                  {"TITLE", 'C', 3, 0},
                  {"FIRST", 'C', 13, 0},
                  {"LAST", 'C', 20, 0},
                  {"ADDR1", 'C', 34, 0},
                  {"ADDR2", 'C', 34, 0},
                  {"ADDR3", 'C', 34, 0},
                  {"ADDR4", 'C', 34, 0},  // the window allows 19; imported and old data may hold more
                  {"ZIP", 'C', 10, 0},
                  {"COMMENTS", 'M', 10, 0},
                  {"NGROUP", 'N', 2, 0},
                  {"NOTE", 'C', 59, 0},  // also typed on the invoice window, which sets no limit
                  {"PHONE", 'C', 20, 0},
                  {"FAX", 'C', 20, 0},
                  {"EMAIL", 'C', 60, 0}},
                 {{TagId::CustName, "CName", "Upper(Last + First)", "cName.ntx"},
                  {TagId::CustNumber, "CCNO", "Str(CuNo, 6)", "ccno.ntx"},
                  {TagId::CustZip, "CZip", "Zip", "czip.ntx"},
                  {TagId::CustCompany, "cComp", "Addr1", "ccomp.ntx"}}});
    c.push_back({TableKey::Groups, "GROUPS", "GROUPS", "GROUPS.DBF", nullptr, TagId::GroupNumber, "nGroup.ntx", true,
                 {{"NGROUP", 'N', 2, 0}, {"CGROUP", 'C', 59, 0}},
                 {{TagId::GroupNumber, "NGroup", "Str(nGroup, 2)", "nGroup.ntx"}, {TagId::GroupName, "CGroup", "Upper(cGroup)", "cGroup.ntx"}}});
    c.push_back({TableKey::Prod, "PROD", "Prod5", "Prod5.DBF", "Prod5.dbt", TagId::Prod, "Prod.ntx", true,
                 {{"PRID", 'C', 10, 0},
                  {"RCODE", 'C', 10, 0},
                  {"PDESC", 'C', 27, 0},
                  {"UPRICE", 'N', 10, 2},
                  {"LTAX1", 'L', 1, 0},
                  {"LTAX2", 'L', 1, 0},
                  {"LINVEN", 'L', 1, 0},
                  {"ICOMM", 'C', 27, 0},
                  {"PMEMO", 'M', 10, 0},
                  {"REORDER", 'N', 10, 2},
                  {"ONHAND", 'N', 12, 2},
                  {"LBUILD", 'L', 1, 0}},
                 {{TagId::Prod, "Prod", "Upper(PrID)", "Prod.ntx"}}});
    c.push_back({TableKey::Pur, "PUR", "Pur5", "Pur5.DBF", nullptr, TagId::Pur, "Pur.ntx", true,
                 {{"PURPROD", 'C', 10, 0},
                  {"PURDATE", 'D', 8, 0},
                  {"PURQTY", 'N', 11, 2},
                  {"PURCOST", 'N', 13, 2},
                  {"PURNO", 'N', 8, 0}},
                 {{TagId::Pur, "Pur", "Upper(PurProd)+ DTOS(PURDATE)", "Pur.ntx"}}});
    c.push_back({TableKey::Inv, "INV", "INV5", "INV5.DBF", "INV5.dbt", TagId::Inv, "Inv.Ntx", true,
                 {{"IVNO", 'N', 6, 0},
                  {"CUNO", 'N', 6, 0},
                  {"DEPT", 'C', 59, 0},
                  {"IDATE", 'D', 8, 0},
                  {"IMEMO", 'C', 30, 0},
                  {"SHIP", 'N', 12, 2},
                  {"TAX", 'N', 12, 2},
                  {"DUE", 'N', 12, 2},
                  {"REM", 'M', 10, 0}},
                 {{TagId::Inv, "Inv", "Str(IvNo,6,0)", "inv.ntx"},
                  {TagId::InvCust, "InvC", "Str(CuNo,6,0)", "invc.ntx"},
                  {TagId::InvDate, "InvD", "DTOS(IDate)", "invd.ntx"}}});
    c.push_back({TableKey::Itm, "ITM", "ITM5", "ITM5.DBF", nullptr, TagId::Itm, "Itm.Ntx", true,
                 {{"IVNO", 'N', 6, 0},
                  {"PRID", 'C', 10, 0},  // as wide as the product code, so a line's code seeks the product
                  {"QTY", 'N', 10, 2},
                  {"UPR", 'N', 10, 2},
                  {"LTAX1", 'L', 1, 0},
                  {"LTAX2", 'L', 1, 0},
                  {"PDESC", 'C', 59, 0},  // the line window sets no limit of its own
                  {"ICOMM", 'C', 59, 0},
                  {"LBUILD", 'L', 1, 0},
                  {"BACKORDER", 'N', 10, 2}},
                 {{TagId::Itm, "Itm", "Str(IvNo,6,0)", "itm.ntx"}, {TagId::ItmProd, "ItmP", "PrID + Str(IvNo,6,0)", "itmP.ntx"}}});
    c.push_back({TableKey::Pmt, "PMT", "GSTPMT", "GSTPMT.DBF", nullptr, TagId::Pmt, "Pmt.Ntx", true,
                 {{"IVNO", 'N', 6, 0},
                  {"PDATE", 'D', 8, 0},
                  {"PAMT", 'N', 12, 2},
                  {"GST", 'N', 12, 2},
                  {"LGST", 'L', 1, 0}},
                 {{TagId::Pmt, "Pmt", "Str(IvNo,6,0)", "Pmt.ntx"}, {TagId::PmtDate, "PmtD", "DTOS(PDate)", "PmtD.ntx"}}});
    c.push_back({TableKey::Labels, "LABELS", "LABELS", "LABELS.DBF", nullptr, TagId::Labels, "Labels.Ntx", true,
                 {{"NAME", 'C', 40, 0},
                  {"TOPM", 'N', 9, 3},
                  {"LEFTM", 'N', 9, 3},
                  {"BOTTOMM", 'N', 9, 3},
                  {"RIGHTM", 'N', 9, 3},
                  {"WIDTH", 'N', 9, 3},
                  {"HEIGHT", 'N', 9, 3},
                  {"HGAP", 'N', 9, 3},
                  {"VGAP", 'N', 9, 3},
                  {"NACROSS", 'N', 2, 0},
                  {"CONTINUOUS", 'L', 1, 0}},
                 {{TagId::Labels, "Labels", "Name", "Labels.ntx"}}});
    c.push_back({TableKey::Settings, "", "CRV1", "CRV1.DBF", nullptr, TagId::None, nullptr, true,
                 {{"FONTNAME", 'C', 59, 0},
                  {"FONTSIZE", 'N', 4, 0},
                  {"LABID", 'C', 40, 0},
                  {"COMPANY", 'C', 35, 0},
                  {"ADDR1", 'C', 35, 0},
                  {"ADDR2", 'C', 35, 0},
                  {"ADDR3", 'C', 35, 0},
                  {"ADDR4", 'C', 25, 0},
                  {"CLOLINE", 'C', 25, 0},
                  {"SIGLINE", 'C', 59, 0},
                  {"LOGOFILE", 'C', 59, 0},
                  {"LOGOHEIGHT", 'N', 6, 2},
                  {"LOGOWIDTH", 'N', 6, 2},
                  {"SHIPLINE", 'C', 59, 0},
                  {"TAXLINE", 'C', 59, 0},
                  {"SHIPTAX", 'N', 2, 0},
                  {"TAXROUND", 'N', 2, 0},
                  {"LHJUSTIFY", 'N', 2, 0},
                  {"TAXRATE1", 'N', 6, 2},
                  {"TAXRATE2", 'N', 6, 2},
                  {"TOPMARGIN", 'N', 6, 2},
                  {"BYCUST", 'L', 1, 0},
                  {"FIFO", 'L', 1, 0},
                  {"GSTFIELD", 'N', 2, 0}},
                 {}});
    c.push_back({TableKey::ImpDirs, "", "Impdirs", "ImpDirs.DBF", nullptr, TagId::None, nullptr, false,
                 {{"INFODIR", 'C', 126, 0}, {"ORDERDIR", 'C', 126, 0}},
                 {}});
    // What electronic invoices need beyond the letterhead and the customer's address: one record for
    // the seller (customer number 0) and one for each buyer that has any. A table of its own, so the
    // tables above keep their layouts; a data directory without it gets it empty.
    c.push_back({TableKey::Party, "PARTY", "EParty", "EParty.DBF", nullptr, TagId::Party, "EParty.ntx", false,
                 {{"CUNO", 'N', 6, 0},
                  {"NAME", 'C', 59, 0},     // legal name; a buyer's empty name falls back to the address
                  {"STREET", 'C', 59, 0},   // the seller's postal address (a buyer's is the customer's)
                  {"STREET2", 'C', 59, 0},
                  {"CITY", 'C', 40, 0},
                  {"ZIP", 'C', 10, 0},
                  {"COUNTRY", 'C', 2, 0},   // ISO 3166 code
                  {"TAXID", 'C', 30, 0},    // VAT/GST registration, with its country prefix
                  {"LEGALID", 'C', 30, 0},  // company registration number (optional)
                  {"CURRENCY", 'C', 3, 0},  // ISO 4217 code of the seller's invoices
                  {"IBAN", 'C', 34, 0},
                  {"BIC", 'C', 11, 0},
                  {"DUEDAYS", 'N', 3, 0},   // payment terms of the seller's invoices
                  {"BUYERREF", 'C', 30, 0},
                  {"EMAIL", 'C', 60, 0}},
                 {{TagId::Party, "EParty", "Str(CuNo,6,0)", "EParty.ntx"}}});
    return c;
}

}  // namespace

std::string TableEntry::groupFile() const { return hasIndex() ? std::string(name) + ".cgp" : std::string(); }

std::string TableEntry::fileStem() const {
    const std::string f = fileName;
    return f.substr(0, f.find('.'));
}

int TableEntry::fieldIndex(const std::string& fieldName) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (sameName(fields[i].name, fieldName)) return static_cast<int>(i);
    return -1;
}

int TableEntry::fieldWidth(const std::string& fieldName) const {
    const int i = fieldIndex(fieldName);
    return i < 0 ? 0 : fields[i].len;
}

const std::vector<TableEntry>& Catalogue() {
    static const std::vector<TableEntry> catalogue = buildCatalogue();
    return catalogue;
}

const TableEntry& Table(TableKey key) {
    for (const TableEntry& t : Catalogue())
        if (t.key == key) return t;
    return Catalogue().front();  // unreachable: every key has an entry
}

const TableEntry* TableByKeyName(const std::string& keyName) {
    for (const TableEntry& t : Catalogue())
        if (*t.keyName && sameName(t.keyName, keyName)) return &t;
    return nullptr;
}

const TagEntry& Tag(TagId id) {
    for (const TableEntry& t : Catalogue())
        for (const TagEntry& tag : t.tags)
            if (tag.id == id) return tag;
    return Catalogue().front().tags.front();  // unreachable: the start-up check finds every tag listed
}

TableKey TableOfTag(TagId id) {
    for (const TableEntry& t : Catalogue())
        for (const TagEntry& tag : t.tags)
            if (tag.id == id) return t.key;
    return TableKey::Settings;
}

xbase::Tag* FindTag(xbase::Table* table, TagId id) {
    return table && id != TagId::None ? table->findTag(Tag(id).name) : nullptr;
}

int SelectTag(xbase::Table* table, TagId id) {
    if (!table) return xbase::kErrArgument;
    if (id == TagId::None) return table->selectTag(nullptr);
    xbase::Tag* tag = FindTag(table, id);
    return tag ? table->selectTag(tag) : xbase::kErrTagNotFound;
}

std::vector<xbase::FieldDef> FieldDefs(const TableEntry& table) {
    std::vector<xbase::FieldDef> defs;
    for (const FieldEntry& f : table.fields) defs.push_back({f.name, f.type, f.len, f.dec});
    return defs;
}

std::vector<xbase::TagDef> TagDefs(const TableEntry& table) {
    std::vector<xbase::TagDef> defs;
    for (const TagEntry& t : table.tags) defs.push_back({t.name, t.expression, t.file, false, false});
    return defs;
}

std::vector<std::string> TableFiles(const TableEntry& table) {
    std::vector<std::string> files{table.fileName};
    if (table.memoFile) files.push_back(table.memoFile);
    if (table.hasIndex()) files.push_back(table.groupFile());
    for (const TagEntry& t : table.tags) files.push_back(t.file);
    return files;
}

}  // namespace store
