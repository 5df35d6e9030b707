// The customer documents. Layout and order of lines follow the printed forms the customers know;
// amounts are read back from the texts they were formatted into, so what is summed is what is shown.
#include "reports/RptGen.h"

#include <QDate>
#include <QFontMetrics>
#include <QPaintDevice>

#include <algorithm>
#include <iterator>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/ReportOutput.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace reports {

namespace {

const QString kNoInvoices = QStringLiteral("No invoices to select.");
constexpr int kAddressLines = 5;

// The statement table as designed: a rule or a right-aligned column in each of the eleven drawing
// cells. The date (cell 3) sits right-aligned between the rules of cells 2 and 4.
constexpr int kStatementWidth = 59;
constexpr char kStatementKinds[] = "VRVRVRVRVRV";
constexpr int kStatementColumns[] = {0, 7, 9, 18, 20, 31, 33, 44, 46, 57, 59};
constexpr int kStatementDateCell = 3;

// Documents added since the table was set up, and the first one's number: what the PDF is named after.
int g_documents = 0;
long g_firstDocument = 0;
// The rest of a wrapped line is kept to this many characters, as the printed memo always was.
constexpr int kWrapCarry = 100;

QString money(const char* format, const base::Decimal& value) { return base::FormatNumber(format, value); }

// Address line i of the block; a block without a customer has fewer lines and shows blanks.
QString addressLine(int i) { return i < store::AddressBlock.size() ? store::AddressBlock[i] : QString(); }

bool hasLines() { return LastLine() >= 0; }

void startDocument() {
    if (hasLines()) {
        NewLine();
        Cell(0) = QStringLiteral("EJECT");
        LinesOnPage = 0;
    }
    PageNumber = 1;
}


void addMemoLines(const QString& memo) {
    QStringList lines;
    if (!WrapMemo(memo, &lines)) return;
    NewLine();
    for (const QString& line : lines) {
        CheckPageBreak(LinesOnPage + 1, false);
        NewLine();
        Cell(0) = QStringLiteral("L00") + line;
    }
}

}  // namespace

QString LetterheadPrefix(int justify) {
    if (justify == 2) return QStringLiteral("C") + base::PadNumber(ReportWidth / 2, 2);
    if (justify == 3) return QStringLiteral("R") + base::PadNumber(ReportWidth, 2);
    return QStringLiteral("L00");
}

void AddLetterhead() {
    const store::SettingsBuffer& s = store::SettingsRec;
    LinesOnPage = 0;
    PageNumber = 1;
    const QString prefix = LetterheadPrefix(s.LHJustify);
    // Measured on the device that will print, with the line height the renderer advances by.
    QPaintDevice* page = PageDevice();
    const int lineHeight = PaperLayout(page, base::ReportFont, ReportWidth).lineHeight;
    const int resolution = page->logicalDpiY();
    if (s.TopMargin > 0) {
        while (resolution * s.TopMargin > double(lineHeight) * LinesOnPage) NewLine();
    }
    const bool textBlank = s.Company.trimmed().isEmpty() && s.Addr1.trimmed().isEmpty() &&
                           s.Addr2.trimmed().isEmpty() && s.Addr3.trimmed().isEmpty() && s.Addr4.trimmed().isEmpty();
    const QString logo = s.LogoFile.trimmed();
    if (!logo.isEmpty()) {
        NewLine();
        Cell(0) = QStringLiteral("I") + prefix + logo;
        Attribute() = PictureAttribute(s.LogoHeight, s.LogoWidth);
        const int k = int(resolution * s.LogoHeight / lineHeight);
        for (int i = 0; i < k; ++i) NewLine();
        if (k > 1 && textBlank) Attribute() = QStringLiteral("U");
    }
    if (!textBlank) {
        auto boldLine = [&](const QString& text) {
            NewLine();
            Cell(0) = prefix + text.trimmed();
            Attribute() = QStringLiteral("B");
        };
        boldLine(s.Company);
        boldLine(s.Addr1);
        boldLine(s.Addr2);
        if (!s.Addr3.trimmed().isEmpty() || !s.Addr4.trimmed().isEmpty()) boldLine(s.Addr3);
        if (!s.Addr4.trimmed().isEmpty()) boldLine(s.Addr4);
        Attribute() += QStringLiteral("U");
    }
    NewLine();
    Cell(0) = QStringLiteral("R") + base::PadNumber(ReportWidth, 2) + base::DateText(base::Today());
    NewLine();
}

bool WrapMemo(const QString& memo, QStringList* lines) {
    lines->clear();
    const QString text = memo.trimmed();
    if (text.isEmpty()) return false;
    // The font, column unit and widths of the device that will print, as the renderer reduces them.
    QPaintDevice* page = PageDevice();
    const RenderLayout layout = PaperLayout(page, base::ReportFont, ReportWidth);
    const QFontMetrics fm(layout.font, page);
    const int limit = ReportWidth * layout.unit;
    lines->append(QString());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            lines->append(QString());
            continue;
        }
        if (c == QLatin1Char('\r')) continue;
        QString& line = lines->last();
        line += c;
        if (fm.horizontalAdvance(line) <= limit) continue;
        const int space = base::LastPos(QStringLiteral(" "), line);  // 1-based, 0 when none
        QString rest;
        if (space > 0 && space < line.size()) {
            rest = line.mid(space).left(kWrapCarry);
            line.truncate(space);
        } else if (space == 0 && line.size() > 1) {
            // One word wider than the line: break it at the width and go on with its last character.
            rest = line.right(1);
            line.chop(1);
        } else {
            continue;  // a single character or a trailing space: nothing to move
        }
        lines->append(rest);
    }
    return true;
}

QString DocumentTitle(DocKind kind, const base::Decimal& due) {
    if (kind == DocKind::Invoice) return QStringLiteral("Tax Invoice");
    return due > base::Decimal() ? QStringLiteral("Bill") : QStringLiteral("Statement");
}

void SetupDocumentTable() {
    g_documents = 0;
    ReportWidth = 73;
    CellsPerLine = 12;
    BeginReport();
    SetHeadings({"V00", "L01", "V12", "L13", "V41", "R49", "V50", "R59", "V60", "R72", "V73"},
                {"", "Item Code", "", "Description", "", "Price", "", "Qty", "", "Total", ""});
}

void AddInvoiceDocument(DocKind kind) {
    const store::InvBuffer& inv = store::InvRec;
    TitleLines = {DocumentTitle(kind, inv.Due)};
    // "Invoice-1302", "Bill-1302"; several: "Invoices-1302-1310".
    if (++g_documents == 1) {
        g_firstDocument = inv.IvNo;
        ReportName = TitleLines[0].split(QLatin1Char(' ')).last() + QLatin1Char('-') + QString::number(inv.IvNo);
    } else {
        ReportName = (kind == DocKind::Invoice ? QStringLiteral("Invoices-") : QStringLiteral("Bills-")) +
                     QString::number(g_firstDocument) + QLatin1Char('-') + QString::number(inv.IvNo);
    }
    startDocument();
    AddLetterhead();
    AddTitleLines();

    NewLine();
    NewLine();
    Cell(0) = QStringLiteral("L00To:");
    Cell(1) = QStringLiteral("L10") + addressLine(0);
    Cell(2) = QStringLiteral("R60Invoice No:");
    Cell(3) = QStringLiteral("L62") + QString::number(inv.IvNo);
    NewLine();
    Cell(1) = QStringLiteral("L10") + addressLine(1);
    Cell(2) = QStringLiteral("R60Invoice Date:");
    Cell(3) = QStringLiteral("L62") + base::DateText(inv.IDate);
    for (int i = 2; i < kAddressLines; ++i) {
        NewLine();
        Cell(1) = QStringLiteral("L10") + addressLine(i);
    }
    AddHeaderRows();

    base::Decimal subtotal;
    for (const QStringList& row : store::ItemRows) {
        CheckPageBreak(LinesOnPage + 3, true);
        const base::Decimal total = store::ItemRowTotal(row);
        subtotal += total;
        NewLine();
        const QStringList cells = {"V00", "L01" + row.value(0).trimmed(), "V12", "L13" + row.value(5).trimmed(),
                                   "V41", "R49" + row.value(2).trimmed(), "V50", "R59" + row.value(1).trimmed(),
                                   "V60", "R72" + money("%12.2f", total).trimmed(), "V73"};
        for (int i = 0; i < cells.size(); ++i) Cell(i) = cells[i];
        // A line added in the session carries the comment as the item window held it, padded or blank.
        const QString comment = row.value(6).trimmed();
        if (!comment.isEmpty()) {
            NewLine();
            const QStringList rules = {"V00", "L13" + comment, "V12", "V41", "V50", "V60", "V73"};
            for (int i = 0; i < rules.size(); ++i) Cell(i) = rules[i];
        }
    }
    Attribute() = QStringLiteral("U");
    CheckPageBreak(LinesOnPage + 6, true);

    const base::Decimal paid = store::PaymentRowsTotal();
    const store::SettingsBuffer& s = store::SettingsRec;
    const QList<QPair<QString, base::Decimal>> box = {
        {QStringLiteral("SubTotal:"), subtotal},
        {s.ShipLine.trimmed() + QLatin1Char(':'), inv.Ship},
        {s.TaxLine.trimmed() + QLatin1Char(':'), inv.Tax},
        {QStringLiteral("Total:"), subtotal + inv.Ship + inv.Tax},
        {QStringLiteral("Amount Paid:"), paid},
        {QStringLiteral("Balance Due:"), inv.Due},
    };
    for (int i = 0; i < box.size(); ++i) {
        NewLine();
        if (i == 0) Cell(0) = QStringLiteral("L01") + inv.IMemo.trimmed();
        Cell(1) = QStringLiteral("R59") + box[i].first;
        Cell(2) = QStringLiteral("V60");
        Cell(3) = QStringLiteral("R72") + money("%12.2f", box[i].second).trimmed();
        Cell(4) = QStringLiteral("V73");
    }
    NewLine();
    Cell(10) = QStringLiteral("H6073");
    const QString title = DocumentTitle(kind, inv.Due);
    ReportDocuments.append({inv.CuNo, store::CustRec.email.trimmed(),
                            kind == DocKind::Invoice ? QStringLiteral("Invoice") : title, QString::number(inv.IvNo),
                            inv.IDate, subtotal + inv.Ship + inv.Tax, inv.Due});

    if (kind == DocKind::Invoice) {
        for (const QStringList& row : store::ItemRows) addMemoLines(row.value(8));
        addMemoLines(inv.REM);
    }
}

void SetDocumentSpan(DocKind kind) {
    if (kind == DocKind::Bill) {
        SetCurrentMonth();
    } else {
        StartDate = base::Today();
        EndDate = StartDate;
    }
}

void AddInvoicesInSpan(DocKind kind, double start, double end) {
    xbase::Table* inv = store::InvTable;
    SetupDocumentTable();
    store::SelectTag(inv, store::TagId::InvDate);
    QList<long> records;
    // The span is collected first: loading an invoice moves the table.
    for (int rc = inv->seek(store::ToTableText(base::DateToKey(start))); rc == xbase::kOk || rc == 2;
         rc = inv->skip(1)) {
        if (inv->eof()) break;
        const double day = store::ReadField(inv, &store::InvBuffer::IDate);
        if (day > end) break;
        if (day >= start) records.append(inv->recNo());
    }
    for (long rec : records) {
        store::CurInvoiceRec = rec;
        store::LoadInvoice();
        if (kind == DocKind::Invoice || store::InvRec.Due > base::Decimal()) AddInvoiceDocument(kind);
    }
}

bool BeginPickedInvoices() {
    xbase::Table* inv = store::InvTable;
    SetupDocumentTable();
    if (inv->bottom() != xbase::kOk) {
        base::ShowMessage(kNoInvoices);
        EndReport();
        return false;
    }
    store::CurInvoiceRec = inv->recNo();
    return true;
}

void AddPickedInvoice(DocKind kind, long rec) {
    store::CurInvoiceRec = rec;
    store::LoadInvoice();
    AddInvoiceDocument(kind);
}

namespace {

// Columns the date column needs beyond its design so that the widest date of the locale's short
// format, right-aligned, keeps half a column clear of the rule before it in the report font as printed.
int statementDateWidening() {
    QPaintDevice* page = PageDevice();
    const RenderLayout layout = PaperLayout(page, base::ReportFont, kStatementWidth);
    const QFontMetrics fm(layout.font, page);
    int widest = 0;
    const QDate first(2088, 1, 1);  // a leap year, and eights are among the widest digits
    for (QDate d = first; d.year() == first.year(); d = d.addDays(1))
        widest = std::max(widest, fm.horizontalAdvance(base::DateText(base::DayFromDate(d))));
    const int room = kStatementColumns[kStatementDateCell] - kStatementColumns[kStatementDateCell - 1];
    const int needed = (widest + layout.unit / 2 + layout.unit - 1) / layout.unit;
    return std::max(0, needed - room);
}

}  // namespace

void SetupStatementTable() {
    g_documents = 0;
    const int widening = statementDateWidening();
    ReportWidth = kStatementWidth + widening;
    CellsPerLine = 12;
    BeginReport();
    TitleLines = {QStringLiteral("Account Statement")};
    QStringList directives;
    for (int i = 0; i < int(std::size(kStatementColumns)); ++i) {
        const int column = kStatementColumns[i] + (i >= kStatementDateCell ? widening : 0);
        directives << QLatin1Char(kStatementKinds[i]) + QStringLiteral("%1").arg(column, 2, 10, QLatin1Char('0'));
    }
    SetHeadings(directives, {"", "Invoice", "", "Date", "", "Charges", "", "Payments", "", "Amount Due", ""});
}

QStringList StatementRow() {
    store::LoadInvoice();
    base::Decimal charges = store::InvRec.Ship + store::InvRec.Tax;
    for (const QStringList& row : store::ItemRows) charges += store::ItemRowProduct(row);
    return {base::PadNumber(store::InvRec.IvNo, 6), base::DateText(store::InvRec.IDate), money("%11.2f", charges),
            money("%11.2f", store::PaymentRowsTotal()), money("%11.2f", store::InvRec.Due)};
}

void AddStatement(const QList<QStringList>& rows) {
    // "Statement-<customer>"; several customers: "Statement-<today>".
    ReportName = QStringLiteral("Statement-") + (++g_documents == 1 ? addressLine(0).trimmed()
                                                                    : base::DateFromDay(base::Today()).toString(Qt::ISODate));
    startDocument();
    AddLetterhead();
    AddTitleLines();
    NewLine();
    NewLine();
    Cell(0) = QStringLiteral("L00To:");
    Cell(1) = QStringLiteral("L10") + addressLine(0);
    for (int i = 1; i < kAddressLines; ++i) {
        NewLine();
        Cell(1) = QStringLiteral("L10") + addressLine(i);
    }
    AddHeaderRows();
    base::Decimal charges, payments, due;
    for (const QStringList& row : rows) {
        CheckPageBreak(LinesOnPage + 1, true);
        NewLine();
        // The rules in the even cells, the row's five texts in the odd ones.
        for (int i = 0; i < ColumnDirectives.size(); ++i)
            Cell(i) = ColumnDirectives[i] + (i % 2 ? row.value(i / 2) : QString());
        charges += base::ReadAmount(row.value(2));
        payments += base::ReadAmount(row.value(3));
        due += base::ReadAmount(row.value(4));
    }
    Attribute() = QStringLiteral("U");
    CheckPageBreak(LinesOnPage + 1, true);
    NewLine();
    // From the date's column on, one cell to the left of the columns they stand under.
    const QStringList totals = {QStringLiteral("Totals"), {}, money("%11.2f", charges), {}, money("%11.2f", payments),
                                {}, money("%11.2f", due), {}};
    for (int i = 0; i < totals.size(); ++i) Cell(i + 1) = ColumnDirectives[i + kStatementDateCell] + totals[i];
    NewLine();
    Cell(10) = QStringLiteral("H") + ColumnDirectives[kStatementDateCell + 1].mid(1) + ColumnDirectives.last().mid(1);
    // The customer of the rows, as their invoices loaded it.
    ReportDocuments.append({store::CustRec.cuno, store::CustRec.email.trimmed(), QStringLiteral("Statement"), QString(),
                            base::Today(), charges, due});
}

namespace {

// Every invoice of a customer (with balances: owing and dated start to end) as statement rows.
QList<QStringList> customerRows(long cuno, bool withBalances, double start = 0, double end = 0) {
    QList<QStringList> rows;
    xbase::Table* inv = store::InvTable;
    store::SelectTag(inv, store::TagId::InvCust);
    QList<long> records;
    for (int rc = inv->seek(store::ToTableText(base::PadNumber(cuno, 6))); rc == xbase::kOk; rc = inv->skip(1)) {
        if (store::ReadField(inv, &store::InvBuffer::CuNo) != cuno) break;
        const double day = store::ReadField(inv, &store::InvBuffer::IDate);
        if (withBalances && (store::ReadField(inv, &store::InvBuffer::Due).isZero() || day < start || day > end)) continue;
        records.append(inv->recNo());
    }
    for (long rec : records) {
        store::CurInvoiceRec = rec;
        rows.append(StatementRow());
    }
    return rows;
}

}  // namespace

void AddStatementsWithBalances(double start, double end) {
    xbase::Table* cust = store::CustTable;
    SetupStatementTable();
    store::SelectTag(cust, store::TagId::CustZip);
    for (int rc = cust->top(); rc == xbase::kOk; rc = cust->skip(1)) {
        const long here = cust->recNo();
        const long cuno = store::ReadField(cust, &store::CustBuffer::cuno);
        const QList<QStringList> rows = customerRows(cuno, true, start, end);
        if (!rows.isEmpty()) AddStatement(rows);
        store::SelectTag(cust, store::TagId::CustZip);
        if (cust->go(here) != xbase::kOk) break;
    }
}

void BeginPickedStatements() {
    xbase::Table* cust = store::CustTable;
    SetupStatementTable();
    store::SelectTag(cust, store::TagId::CustName);
    store::CurCustRec = cust->top() == xbase::kOk ? cust->recNo() : -1;
}

void AddPickedStatement(long rec) {
    if (store::CustTable->go(rec) != xbase::kOk) return;
    store::LoadCust();
    const QList<QStringList> rows = customerRows(store::CustRec.cuno, false);
    if (rows.isEmpty()) return;
    store::BuildAddressBlock();
    AddStatement(rows);
}

}  // namespace reports
