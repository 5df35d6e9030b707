#include "records/PickRows.h"

#include <cstring>

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/dbFiles.h"

namespace records {
namespace {

// Grid cells drop the blanks a text is stored with, so a short name is not cut short by them.
QString cell(const QString& stored) {
    qsizetype end = stored.size();
    while (end > 0 && stored.at(end - 1) == QLatin1Char(' ')) --end;
    return stored.left(end);
}

QStringList withMarker(QStringList cells, bool deleted, int column, const char* marker) {
    if (deleted) cells[column] = QString::fromLatin1(marker);
    return cells;
}

// The field's stored text: a key as the index holds it.
std::string storedText(xbase::Table* table, const char* field) {
    const xbase::Field* f = table ? table->field(field) : nullptr;
    return f ? f->text() : std::string();
}

// Seeks a key in a tag of a table and runs read on the found record; the table's selected tag is put
// back. False when the table is not open, has no such tag or holds no such key.
template <class Read>
bool lookUp(xbase::Table* table, const char* tagName, const std::string& key, Read read) {
    if (!table) return false;
    xbase::Tag* tag = table->findTag(tagName);
    if (!tag) return false;
    xbase::Tag* previous = table->selectedTag();
    table->selectTag(tag);
    const bool found = table->seek(key) == xbase::kOk;
    if (found) read();
    table->selectTag(previous);
    return found;
}

PickLines linesOf(xbase::Table* table, const char* nameField, QString (*readName)(xbase::Table*)) {
    PickLines lines;
    if (!table) return lines;
    const xbase::Field* field = table->field(nameField);
    const int width = field ? field->length() : 0;
    for (int rc = table->top(); rc == xbase::kOk; rc = table->skip(1)) {
        const QString name = readName(table).leftJustified(width, QLatin1Char(' '));
        lines.texts << (table->isDeleted() ? name + QString::fromLatin1(kDeletedTight) : name);
        lines.upperNames << name.toUpper();
        lines.recNos.push_back(table->recNo());
    }
    return lines;
}

int lineLength(store::TableKey table, const char* nameField) {
    return store::Table(table).fieldWidth(nameField) + int(std::strlen(kDeletedTight));
}

}  // namespace

QStringList CustomerCellsByName(xbase::Table* table) {
    store::ReadCust(table, &store::CustRec);
    const store::CustBuffer& c = store::CustRec;
    return withMarker({cell(c.last), cell(c.first), cell(c.note)}, table->isDeleted(), 2, kDeletedSpaced);
}

QStringList CustomerCellsByCompany(xbase::Table* table) {
    store::ReadCust(table, &store::CustRec);
    const store::CustBuffer& c = store::CustRec;
    return withMarker({cell(c.addr1), cell(c.last), cell(c.first)}, table->isDeleted(), 2, kDeletedSpaced);
}

QStringList ProductCells(xbase::Table* table) {
    store::ReadProd(table, &store::ProdRec);
    const store::ProdBuffer& p = store::ProdRec;
    return withMarker({cell(p.PrID), cell(p.PDesc), base::FormatNumber("%8.2f", p.UPrice)}, table->isDeleted(), 2,
                      kDeletedTight);
}

QStringList InvoiceCells(xbase::Table* table) {
    store::ReadInv(table, &store::InvRec);
    const store::InvBuffer& v = store::InvRec;
    return withMarker({base::PadNumber(v.IvNo, 6), base::DateText(v.IDate), cell(v.IMemo)}, table->isDeleted(), 2,
                      kDeletedSpaced);
}

QStringList PurchaseCells(xbase::Table* table) {
    store::ReadPur(table, &store::PurRec);
    const store::PurBuffer& p = store::PurRec;
    return withMarker({cell(p.PURProd), base::DateText(p.PURDate), base::FormatNumber("%10.2f", p.PURQty),
                       base::FormatNumber("%12.2f", p.PURCost)},
                      table->isDeleted(), 3, kDeletedTight);
}

std::optional<QString> CustomerGroupText(long recNo) {
    xbase::Table* cust = store::CustTable;
    if (recNo <= 0 || !cust || cust->go(recNo) != xbase::kOk) return std::nullopt;
    QString name;
    lookUp(store::GroupsTable, "NGroup", storedText(cust, "NGROUP"), [&] {
        store::GroupBuffer group;  // the group buffer is left to the windows that edit groups
        store::ReadGroup(store::GroupsTable, &group);
        name = cell(group.cGroup);
    });
    return name;
}

std::optional<QString> InvoiceCustomerText(long recNo) {
    xbase::Table* inv = store::InvTable;
    if (recNo <= 0 || !inv || inv->go(recNo) != xbase::kOk) return std::nullopt;
    QString name;
    lookUp(store::CustTable, "CCNO", storedText(inv, "CUNO"), [&] {
        store::CustBuffer customer;  // the customer buffer may hold the invoice's customer
        store::ReadCust(store::CustTable, &customer);
        name = customer.first.trimmed() + QLatin1Char(' ') + customer.last.trimmed();
    });
    return name;
}

PickLines GroupLines(xbase::Table* table) {
    return linesOf(table, "CGROUP", [](xbase::Table* t) {
        store::ReadGroup(t, &store::GroupRec);
        return store::GroupRec.cGroup;
    });
}

PickLines LabelLines(xbase::Table* table) {
    return linesOf(table, "NAME", [](xbase::Table* t) {
        store::ReadLabel(t, &store::LabelRec);
        return store::LabelRec.Name;
    });
}

int GroupLineLength() { return lineLength(store::TableKey::Groups, "CGROUP"); }
int LabelLineLength() { return lineLength(store::TableKey::Labels, "NAME"); }

std::optional<int> SearchLine(const QStringList& upperNames, const QString& typed) {
    if (upperNames.size() < 2) return std::nullopt;
    const QString text = typed.toUpper().trimmed();
    const std::string key = store::ToTableText(text);
    for (qsizetype i = 0; i < upperNames.size(); ++i) {
        // std::string compares bytes as unsigned, the order of the code page.
        if (store::ToTableText(upperNames.at(i).left(text.size())) >= key) return int(i);
    }
    return -1;
}

long RecNoOfLine(xbase::Table* table, int line) {
    if (!table || line < 0 || table->top() != xbase::kOk) return 0;
    if (line > 0 && table->skip(line) != xbase::kOk) return 0;
    return table->recNo();
}

}  // namespace records
