#include "invoicing/OrderImport.h"

#include <QFileInfo>

#include <map>
#include <string_view>

#include "base/Format.h"
#include "invoicing/CsvLine.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceRows.h"
#include "store/Customers.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace invoicing {
namespace {

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
        return where(line) + QStringLiteral("%1 is missing; the line has %2 fields.").arg(field(count)).arg(count);
    }
    QString notNumber(int line, int n, const QString& text) const {
        return where(line) + QStringLiteral("%1 \"%2\" is not a number.").arg(field(n), text);
    }
};

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
bool matchProduct(QStringList* row, const QString& comment, QString* code) {
    *code = upperTrimmed(row->value(0));
    store::CurProductRec = 0;
    xbase::Table* prod = store::ProdTable;
    if (!prod) return false;
    store::SelectTag(prod, store::TagId::Prod);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (prod->seek(keyView(base::KeyText(*code))) != xbase::kOk) return false;
        if (upperTrimmed(store::ReadField(prod, &store::ProdBuffer::PrID)) == *code) {
            store::CurProductRec = prod->recNo();
            store::LoadProd();
            (*row)[0] = store::ProdRec.PrID;
            (*row)[5] = store::ProdRec.PDesc;
            (*row)[6] = store::ProdRec.IComm;
            return true;
        }
        const QString extension = comment.trimmed();
        if (extension.isEmpty()) return false;
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
    if (!ReadTextLines(infoPath, &lines)) return QStringLiteral("%1 %2 could not be read.").arg(kInfoFile, info.fileName);
    if (lines.isEmpty()) return QStringLiteral("%1 %2 is empty.").arg(kInfoFile, info.fileName);
    order->info = SplitCsvLine(lines.first());
    if (order->info.size() < kInfoFields) return info.missing(1, int(order->info.size()));
    if (QString bad = readNumbers(info, 1, order->info, {{Tax, &order->tax}, {Ship, &order->ship}}); !bad.isEmpty())
        return bad;

    if (!ReadTextLines(orderPath, &lines))
        return QStringLiteral("%1 %2 could not be read.").arg(kOrderFile, orders.fileName);
    for (int n = 0; n < lines.size(); ++n) {
        // A blank line (often a second line end at the end of the file) is no order line.
        if (lines[n].trimmed().isEmpty()) continue;
        OrderLine line{SplitCsvLine(lines[n]), {}, {}};
        if (line.fields.size() < kOrderFields) return orders.missing(n + 1, int(line.fields.size()));
        if (QString bad = readNumbers(orders, n + 1, line.fields, {{Price, &line.price}, {Quantity, &line.quantity}});
            !bad.isEmpty())
            return bad;
        order->lines << line;
    }
    if (order->lines.isEmpty()) return QStringLiteral("%1 %2 has no order lines.").arg(kOrderFile, orders.fileName);
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

    const QString subjectToLine2 = ItemFlag(!order.tax.isZero());
    for (const OrderLine& line : order.lines) {
        const QStringList& g = line.fields;
        QStringList row = {g[Code],    base::FormatNumber("%9.2f", line.quantity),
                           base::FormatNumber("%9.2f", line.price), ItemFlag(false), subjectToLine2,
                           g[Description], g[Comment], QString(), QString()};
        QString code;
        if (!matchProduct(&row, g[Comment], &code))
            notices.append({base::MsgKind::Warning, kItem + code + QStringLiteral(" - ") + g[Description] + kNotFound});
        store::ItemRows << row;
    }
    store::LastItemRow = int(store::ItemRows.size()) - 1;
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

}  // namespace invoicing
