#include "invoicing/OrderImport.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <map>
#include <string_view>
#include <tuple>

#include "base/Format.h"
#include "invoicing/CsvLine.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceRows.h"
#include "store/Customers.h"
#include "store/DataLocation.h"
#include "store/ImportDirs.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace invoicing {
namespace {

// The import directories are needed with at least this many characters.
constexpr int kShortestDir = 3;

const QString kInfoFile = QStringLiteral("Info file");
const QString kOrderFile = QStringLiteral("Order file");
const QString kCountryNotImported = QStringLiteral("Could not import full address: Country = ");
const QString kItem = QStringLiteral("Item ");
const QString kNotFound = QStringLiteral("NOT FOUND IN PRODUCT DATABASE");
const QString kSource = QStringLiteral("Source: ");
const QString kThanks = QStringLiteral("THANKS FOR YOUR ORDER.");
const QString kDamages = QStringLiteral("ALL DAMAGES AND SHORTAGES MUST BE REPORTED WITHIN 5 DAYS OF RECEIPT.");
const QString kCredit = QStringLiteral("CREDIT");
const QString kDomestic = QStringLiteral("US");
const QString kCrLf = QStringLiteral("\r\n");

// The fields the import reads, by number, and what the messages call them.
enum Info { Title = 4, First, Last, Street1, Street2, Street3, City, State, Zip, Country, Email, Phone1, Phone2,
            Note1, Note2, Fax, Remark, Payment, Card = 23, CardMonth, CardYear, Source, Remark2, Tax = 30, Ship };
enum Order { Code = 1, Description, Price, Quantity, Comment = 7 };
constexpr int kInfoFields = Ship + 1;
constexpr int kOrderFields = Comment + 1;
const std::map<int, const char*> kInfoNames = {
    {Title, "title"}, {First, "first name"}, {Last, "last name"}, {Street1, "street address"},
    {Street2, "street address"}, {Street3, "street address"}, {City, "city"}, {State, "state"},
    {Zip, "postal code"}, {Country, "country"}, {Email, "e-mail address"}, {Phone1, "telephone"},
    {Phone2, "telephone"}, {Note1, "note"}, {Note2, "note"}, {Fax, "fax"}, {Remark, "order remark"},
    {Payment, "payment method"}, {Card, "card number"}, {CardMonth, "card expiry month"},
    {CardYear, "card expiry year"}, {Source, "order source"}, {Remark2, "further remark"},
    {Tax, "tax amount"}, {Ship, "shipping amount"}};
const std::map<int, const char*> kOrderNames = {
    {Code, "product code"}, {Description, "description"}, {Price, "unit price"}, {Quantity, "quantity"},
    {Comment, "comment"}};

constexpr int kAddressLines = 4;

// One kind of file of the pair, for the messages.
struct FileKind {
    const QString& kind;
    const std::map<int, const char*>& names;
    QString fileName;

    QString where(int line) const { return QStringLiteral("%1 %2, line %3: ").arg(kind, fileName).arg(line); }
    QString field(int n) const {
        const auto named = names.find(n);
        return named == names.end() ? QStringLiteral("field %1").arg(n)
                                    : QStringLiteral("field %1 (%2)").arg(n).arg(QLatin1String(named->second));
    }
    QString missing(int line, int count) const {
        return where(line) + QStringLiteral("%1 is missing; the line has %2 %3.")
                                 .arg(field(count))
                                 .arg(count)
                                 .arg(count == 1 ? QStringLiteral("field") : QStringLiteral("fields"));
    }
    QString notNumber(int line, int n, const QString& text) const {
        return where(line) + QStringLiteral("%1 \"%2\" is not a number.").arg(field(n), text);
    }
};

// A value that would be cut where it is stored: the line is refused rather than a customer stored
// under a name the next import of the same buyer would not match. first (and, when given, second
// joined by joiner) go into a field of width.
struct StoredText {
    int first;
    int second;  // 0: none
    const char* joiner;
    store::TableKey table;
    const char* field;
};
const StoredText kInfoTexts[] = {
    {Title, 0, "", store::TableKey::Cust, "TITLE"},        {First, 0, "", store::TableKey::Cust, "FIRST"},
    {Last, 0, "", store::TableKey::Cust, "LAST"},          {Street1, 0, "", store::TableKey::Cust, "ADDR1"},
    {Street2, 0, "", store::TableKey::Cust, "ADDR1"},      {Street3, 0, "", store::TableKey::Cust, "ADDR1"},
    {City, State, ", ", store::TableKey::Cust, "ADDR1"},   {Country, 0, "", store::TableKey::Cust, "ADDR1"},
    {Zip, 0, "", store::TableKey::Cust, "ZIP"},            {Email, 0, "", store::TableKey::Cust, "EMAIL"},
    {Phone1, Phone2, " ", store::TableKey::Cust, "PHONE"}, {Note1, Note2, " ", store::TableKey::Cust, "NOTE"},
    {Fax, 0, "", store::TableKey::Cust, "FAX"}};
const StoredText kOrderTexts[] = {{Code, 0, "", store::TableKey::Itm, "PRID"},
                                  {Description, 0, "", store::TableKey::Itm, "PDESC"},
                                  {Comment, 0, "", store::TableKey::Itm, "ICOMM"}};

// The characters a field keeps: texts are cut to the field's width and to the stored-text limit.
int storedWidth(store::TableKey table, const char* field) {
    return std::min(store::Table(table).fieldWidth(field), store::kTextCut);
}

QString rightTrimmed(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace()) --end;
    return text.left(end);
}

// The first field of a line that holds a control character or does not fit where it is stored.
QString checkTexts(const FileKind& file, int line, const QStringList& fields, const StoredText* texts, size_t count) {
    for (qsizetype n = 0; n < fields.size(); ++n)
        for (const QChar c : fields[n])
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return file.where(line) + QStringLiteral("%1 holds a control character.").arg(file.field(int(n)));
    for (size_t i = 0; i < count; ++i) {
        const StoredText& t = texts[i];
        const QString value = rightTrimmed(t.second ? fields[t.first] + QLatin1String(t.joiner) + fields[t.second] : fields[t.first]);
        const int width = storedWidth(t.table, t.field);
        if (value.size() > width)
            return file.where(line) + QStringLiteral("%1 \"%2\" is longer than the %3 characters it is stored in.")
                                          .arg(file.field(t.first), value)
                                          .arg(width);
    }
    return {};
}

// An amount too wide for its field would pass here and fail when the invoice is saved.
QString checkWidth(const FileKind& file, int line, int n, const base::Decimal& value, store::TableKey table, const char* name) {
    const store::TableEntry& entry = store::Table(table);
    const int i = entry.fieldIndex(name);
    const store::FieldEntry& field = entry.fields[size_t(i)];
    if (value.rounded(field.dec).toFixed(field.dec).size() <= field.len) return {};
    return file.where(line) + QStringLiteral("%1 %2 is too large.").arg(file.field(n), value.toFixed(field.dec));
}

// Quotes come in pairs: one left open swallows the commas after it.
QString checkQuotes(const FileKind& file, int line, const QString& text) {
    if (text.count(QLatin1Char('"')) % 2 == 0) return {};
    return file.where(line) + QStringLiteral("a quote is not closed.");
}

// Numbers in the files are written with a point, or with the separator of this machine.
bool readNumber(const QString& text, base::Decimal* value) {
    const QString trimmed = text.trimmed();
    return base::Decimal::parse(trimmed, QLatin1Char('.'), value) ||
           base::Decimal::parse(trimmed, base::DecimalSeparator(), value);
}

// Each number field of one line, into its value; the message for the first that is not a number.
QString readNumbers(const FileKind& file, int line, const QStringList& fields,
                    std::initializer_list<std::pair<int, base::Decimal*>> numbers) {
    for (const auto& [n, value] : numbers)
        if (!readNumber(fields[n], value)) return file.notNumber(line, n, fields[n]);
    return {};
}

std::string_view keyView(const QByteArray& key) { return {key.constData(), size_t(key.size())}; }

QString upperTrimmed(const QString& text) { return text.trimmed().toUpper(); }

// The address lines: the street lines that are not blank, the city line, and the country when the
// order is not domestic and a line is left for it.
store::CustBuffer importedCustomer(const QStringList& f, QList<ImportNotice>* notices) {
    QStringList lines(kAddressLines);
    int next = 0;
    for (int street : {Street1, Street2, Street3})
        if (!f[street].trimmed().isEmpty()) lines[next++] = f[street];
    lines[next] = f[City] + QStringLiteral(", ") + f[State];
    if (f[Country] != kDomestic) {
        if (next == kAddressLines - 1)
            notices->append({base::MsgKind::Information, kCountryNotImported + f[Country]});
        else
            lines[next + 1] = f[Country];
    }
    store::CustBuffer c;
    c.title = f[Title];
    c.first = f[First];
    c.last = f[Last];
    c.addr1 = lines[0];
    c.addr2 = lines[1];
    c.addr3 = lines[2];
    c.addr4 = lines[3];
    c.zip = f[Zip];
    c.note = f[Note1] + QLatin1Char(' ') + f[Note2];
    c.phone = f[Phone1] + QLatin1Char(' ') + f[Phone2];
    c.fax = f[Fax];
    c.email = f[Email];
    return c;
}

// The card form the export reads back: number, blank, x, month, slash, year.
QString paymentMemo(const QStringList& f) {
    if (f[Payment] != kCredit) return f[Payment];
    return f[Card] + QStringLiteral(" x") + f[CardMonth] + QLatin1Char('/') + f[CardYear];
}

QString invoiceNote(const QStringList& f, const QString& fileName) {
    QString note = f[Remark] + kCrLf + fileName;
    if (!f[Source].isEmpty()) note += kCrLf + kSource + f[Source];
    if (!f[Remark2].isEmpty()) note += kCrLf + f[Remark2];
    return note + kCrLf + kCrLf + kThanks + kCrLf + kCrLf + kDamages;
}

// Finds the line's product in Prod5. A code that only begins a stored code is tried once more with
// the first letter of the comment added (SHIRT with the comment "Red" is the product SHIRTR). On a
// match the row takes the product's code, description and comment. *code: the code last tried.
bool matchProduct(store::ItemRow* row, const QString& comment, QString* code) {
    *code = upperTrimmed(row->code);
    store::CurProductRec = 0;
    xbase::Table* prod = store::ProdTable;
    if (!prod) return false;
    store::SelectTag(prod, store::TagId::Prod);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (prod->seek(keyView(base::KeyText(*code))) != xbase::kOk) return false;
        if (upperTrimmed(store::ReadField(prod, &store::ProdBuffer::PrID)) == *code) {
            store::CurProductRec = prod->recNo();
            store::LoadProd();
            row->code = store::ProdRec.PrID;
            row->description = store::ProdRec.PDesc;
            row->comment = store::ProdRec.IComm;
            return true;
        }
        const QString extension = comment.trimmed();
        // The message names the code last sought, never one made up after it.
        if (extension.isEmpty() || attempt == 1) return false;
        *code += extension.at(0).toUpper();
    }
    return false;
}

}  // namespace

QString ReadOrderPair(const QString& infoPath, const QString& orderPath, ParsedOrder* order) {
    *order = ParsedOrder{};
    order->fileName = QFileInfo(infoPath).fileName();
    const FileKind info{kInfoFile, kInfoNames, order->fileName};
    const FileKind orders{kOrderFile, kOrderNames, QFileInfo(orderPath).fileName()};

    QStringList lines;
    // The info file's first line is all the import reads: only that much is read.
    TextLimits firstLine;
    firstLine.maxBytes = 64 * 1024;
    firstLine.firstLineOnly = true;
    if (const QString why = ReadTextLines(infoPath, &lines, firstLine); !why.isEmpty())
        return QStringLiteral("%1 %2 %3.").arg(kInfoFile, info.fileName, why);
    if (lines.isEmpty()) return QStringLiteral("%1 %2 is empty.").arg(kInfoFile, info.fileName);
    if (QString bad = checkQuotes(info, 1, lines.first()); !bad.isEmpty()) return bad;
    order->info = SplitCsvLine(lines.first());
    if (order->info.size() < kInfoFields) return info.missing(1, int(order->info.size()));
    if (QString bad = readNumbers(info, 1, order->info, {{Tax, &order->tax}, {Ship, &order->ship}}); !bad.isEmpty())
        return bad;
    if (QString bad = checkTexts(info, 1, order->info, kInfoTexts, std::size(kInfoTexts)); !bad.isEmpty()) return bad;
    for (const auto& [n, value, field] : {std::tuple{int(Tax), order->tax, "TAX"}, std::tuple{int(Ship), order->ship, "SHIP"}})
        if (QString bad = checkWidth(info, 1, n, value, store::TableKey::Inv, field); !bad.isEmpty()) return bad;
    if (rightTrimmed(paymentMemo(order->info)).size() > storedWidth(store::TableKey::Inv, "IMEMO"))
        return info.where(1) + QStringLiteral("%1 is longer than the %2 characters it is stored in.")
                                   .arg(info.field(order->info[Payment] == kCredit ? int(Card) : int(Payment)))
                                   .arg(storedWidth(store::TableKey::Inv, "IMEMO"));

    if (const QString why = ReadTextLines(orderPath, &lines); !why.isEmpty())
        return QStringLiteral("%1 %2 %3.").arg(kOrderFile, orders.fileName, why);
    for (int n = 0; n < lines.size(); ++n) {
        // A blank line (often a second line end at the end of the file) is no order line.
        if (lines[n].trimmed().isEmpty()) continue;
        if (QString bad = checkQuotes(orders, n + 1, lines[n]); !bad.isEmpty()) return bad;
        OrderLine line{SplitCsvLine(lines[n]), {}, {}};
        if (line.fields.size() < kOrderFields) return orders.missing(n + 1, int(line.fields.size()));
        if (QString bad = readNumbers(orders, n + 1, line.fields, {{Price, &line.price}, {Quantity, &line.quantity}});
            !bad.isEmpty())
            return bad;
        if (QString bad = checkTexts(orders, n + 1, line.fields, kOrderTexts, std::size(kOrderTexts)); !bad.isEmpty())
            return bad;
        for (const auto& [f, value, field] : {std::tuple{int(Price), line.price, "UPR"}, std::tuple{int(Quantity), line.quantity, "QTY"}})
            if (QString bad = checkWidth(orders, n + 1, f, value, store::TableKey::Itm, field); !bad.isEmpty()) return bad;
        order->lines << line;
    }
    if (order->lines.isEmpty()) return QStringLiteral("%1 %2 has no order lines.").arg(kOrderFile, orders.fileName);
    return {};
}

bool ReadImportDirs(QString* infoDir, QString* orderDir) {
    store::LoadImportDirs();
    *infoDir = store::InfoDir;
    *orderDir = store::OrderDir;
    if (infoDir->size() < kShortestDir || orderDir->size() < kShortestDir) return false;
    for (QString* dir : {infoDir, orderDir}) {
        *dir = store::DataFile(*dir);  // a folder named without its path is one of the data directory
        if (!dir->endsWith(QLatin1Char('/'))) *dir += QLatin1Char('/');
    }
    return true;
}

QString MissingOrderFile(const QString& infoPath, const QString& orderPath) {
    for (const QString& path : {infoPath, orderPath})
        if (!QFileInfo::exists(path)) return path;
    return {};
}

QList<ImportNotice> FillFromOrder(const ParsedOrder& order) {
    const QStringList& f = order.info;
    QList<ImportNotice> notices;
    NewInvoice();  // the number, today's date, no customer, department, lines or payments
    store::CustRec = importedCustomer(f, &notices);
    store::InvBuffer& inv = store::InvRec;
    inv.IMemo = paymentMemo(f);
    inv.REM = invoiceNote(f, order.fileName);
    inv.Ship = order.ship;
    inv.Tax = order.tax;

    for (const OrderLine& line : order.lines) {
        const QStringList& g = line.fields;
        store::ItemRow row;
        row.code = g[Code];
        row.quantity = base::FormatNumber("%9.2f", line.quantity);
        row.price = base::FormatNumber("%9.2f", line.price);
        row.tax2 = !order.tax.isZero();
        row.description = g[Description];
        row.comment = g[Comment];
        QString code;
        if (!matchProduct(&row, g[Comment], &code))
            notices.append({base::MsgKind::Warning, kItem + code + QStringLiteral(" - ") + g[Description] + kNotFound});
        store::ItemRows << row;
    }
    return notices;
}

CustomerMatches::CustomerMatches()
    : m_last(upperTrimmed(store::CustRec.last)),
      m_first(upperTrimmed(store::CustRec.first)),
      m_zip(upperTrimmed(store::CustRec.zip)) {}

long CustomerMatches::next() {
    xbase::Table* cust = store::CustTable;
    if (!cust || m_at < 0) return 0;
    store::SelectTag(cust, store::TagId::CustName);
    int rc = xbase::kOk;
    if (m_at == 0) {
        rc = cust->seek(keyView(base::KeyText(m_last)));
    } else {
        rc = cust->go(m_at);
        if (rc == xbase::kOk) rc = cust->skip(1);
    }
    // Only the records of the one last name are read.
    for (; rc == xbase::kOk; rc = cust->skip(1)) {
        if (upperTrimmed(store::ReadField(cust, &store::CustBuffer::last)) != m_last) break;
        // A customer marked for deletion is gone at the next pack: no invoice is given to it.
        if (cust->isDeleted()) continue;
        if (upperTrimmed(store::ReadField(cust, &store::CustBuffer::first)) == m_first &&
            upperTrimmed(store::ReadField(cust, &store::CustBuffer::zip)) == m_zip)
            return m_at = cust->recNo();
    }
    m_at = -1;
    return 0;
}

void TakeStoredCustomer(long recNo) {
    store::CustTable->go(recNo);
    store::LoadCust();
    store::CurCustRec = recNo;
    store::InvRec.CuNo = store::CustRec.cuno;
}

store::WriteResult CreateImportedCustomer() {
    xbase::Table* groups = store::GroupsTable;
    if (!groups || groups->go(store::CurGroupRec) != xbase::kOk)
        return store::WriteResult::EngineFailure(xbase::kErrRecord, store::TableKey::Groups);
    store::LoadGroup();
    store::CustRec.ngroup = store::GroupRec.nGroup;
    store::CustRec.cuno = store::NextCustomerNumber();
    long current = 0;
    const auto saved = store::SaveRecord(store::TableKey::Cust, &current, store::StoreCust, true, false, false);
    if (!saved.write.ok()) {
        store::CustRec.cuno = 0;
        store::InvRec.CuNo = 0;
        return saved.write;
    }
    store::CurCustRec = current;
    store::InvRec.CuNo = store::CustRec.cuno;
    return {};
}

void DropImportedCustomer() {
    store::InvRec.CuNo = 0;
    store::CustRec.cuno = 0;
}

}  // namespace invoicing
