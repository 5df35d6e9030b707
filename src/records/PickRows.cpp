#include "records/PickRows.h"

#include <cstring>

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"

namespace records {
namespace {

// Grid cells drop the blanks a text is stored with, so a short name is not cut short by them.
QString cell(const QString& stored) { return base::TrimRight(stored); }

QStringList withMarker(QStringList cells, bool deleted, int column, const char* marker) {
    if (deleted) cells[column] = QString::fromLatin1(marker);
    return cells;
}

// Seeks a key in a tag of a table and runs read on the found record; the table's selected tag is put
// back. False when the table is not open, has no such tag or holds no such key.
template <class Read>
bool lookUp(xbase::Table* table, store::TagId tagId, const std::string& key, Read read) {
    xbase::Tag* tag = store::FindTag(table, tagId);
    if (!tag) return false;
    xbase::Tag* previous = table->selectedTag();
    table->selectTag(tag);
    const bool found = table->seek(key) == xbase::kOk;
    if (found) read();
    table->selectTag(previous);
    return found;
}

PickLines linesOf(xbase::Table* table, int width, QString (*readName)(xbase::Table*)) {
    PickLines lines;
    if (!table) return lines;
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
    store::ReadRecord(table, &store::CustRec);
    const store::CustBuffer& c = store::CustRec;
    return withMarker({cell(c.last), cell(c.first), cell(c.note)}, table->isDeleted(), 2, kDeletedSpaced);
}

QStringList CustomerCellsByCompany(xbase::Table* table) {
    store::ReadRecord(table, &store::CustRec);
    const store::CustBuffer& c = store::CustRec;
    return withMarker({cell(c.addr1), cell(c.last), cell(c.first)}, table->isDeleted(), 2, kDeletedSpaced);
}

QStringList ProductCells(xbase::Table* table) {
    store::ReadRecord(table, &store::ProdRec);
    const store::ProdBuffer& p = store::ProdRec;
    return withMarker({cell(p.PrID), cell(p.PDesc), base::FormatNumber("%8.2f", p.UPrice)}, table->isDeleted(), 2,
                      kDeletedTight);
}

QStringList InvoiceCells(xbase::Table* table) {
    store::ReadRecord(table, &store::InvRec);
    const store::InvBuffer& v = store::InvRec;
    return withMarker({base::PadNumber(v.IvNo, 6), base::DateText(v.IDate), cell(v.IMemo)}, table->isDeleted(), 2,
                      kDeletedSpaced);
}

QStringList PurchaseCells(xbase::Table* table) {
    store::ReadRecord(table, &store::PurRec);
    const store::PurBuffer& p = store::PurRec;
    return withMarker({cell(p.PURProd), base::DateText(p.PURDate), base::FormatNumber("%10.2f", p.PURQty),
                       base::FormatNumber("%12.2f", p.PURCost)},
                      table->isDeleted(), 3, kDeletedTight);
}

std::optional<QString> CustomerGroupText(long recNo) {
    xbase::Table* cust = store::CustTable;
    if (recNo <= 0 || !cust || cust->go(recNo) != xbase::kOk) return std::nullopt;
    QString name;
    const int group = store::ReadField(cust, &store::CustBuffer::ngroup);
    lookUp(store::GroupsTable, store::TagId::GroupNumber, store::ToTableText(base::PadNumber(group, 2)), [&] {
        store::GroupBuffer group;  // the group buffer is left to the windows that edit groups
        store::ReadRecord(store::GroupsTable, &group);
        name = cell(group.cGroup);
    });
    return name;
}

std::optional<QString> InvoiceCustomerText(long recNo) {
    xbase::Table* inv = store::InvTable;
    if (recNo <= 0 || !inv || inv->go(recNo) != xbase::kOk) return std::nullopt;
    QString name;
    const long customer = store::ReadField(inv, &store::InvBuffer::CuNo);
    lookUp(store::CustTable, store::TagId::CustNumber, store::ToTableText(base::PadNumber(customer, 6)), [&] {
        store::CustBuffer found;  // the customer buffer may hold the invoice's customer
        store::ReadRecord(store::CustTable, &found);
        name = found.first.trimmed() + QLatin1Char(' ') + found.last.trimmed();
    });
    return name;
}

PickLines GroupLines(xbase::Table* table) {
    return linesOf(table, store::FieldWidth(&store::GroupBuffer::cGroup), [](xbase::Table* t) {
        store::ReadRecord(t, &store::GroupRec);
        return store::GroupRec.cGroup;
    });
}

PickLines LabelLines(xbase::Table* table) {
    return linesOf(table, store::FieldWidth(&store::LabelBuffer::Name), [](xbase::Table* t) {
        store::ReadRecord(t, &store::LabelRec);
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
