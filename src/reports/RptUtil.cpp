#include "reports/RptUtil.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QPagedPaintDevice>

#include <algorithm>

#include "base/Cp1252.h"
#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/OwnerOnly.h"
#include "base/ReportOutput.h"
#include "reports/ReportRender.h"

namespace reports {

int ReportWidth = 80;
int CellsPerLine = 2;
QList<QStringList> ReportLines;
QStringList TitleLines;
QStringList ColumnDirectives;
QList<QStringList> HeaderRows;
int PageNumber = 0;
int LinesOnPage = -1;
int LinesPerPage = kDefaultLinesPerPage;
QString ReportName;
QList<ReportDocument> ReportDocuments;

const QString kNoPrinterMessage = QStringLiteral("Default Printer Not Found. Printing 60 Lines per page");

namespace {

PrinterMetrics* g_metrics = nullptr;
// The missing printer is told once a session (until a printer is found), not before every report.
bool g_noPrinterTold = false;

QStringList emptyLine() { return QStringList(CellsPerLine); }

// Trunc(page height / line height) for the report font on a page of device, with the line height the
// renderer advances by (the font's full height: the glyph height of "A" would count a third more lines
// than fit); 0 when the page cannot be measured.
int pageLines(QPaintDevice* device) {
    if (!device || device->height() <= 0) return 0;
    return PageLines(device, PaperLayout(device, base::ReportFont, ReportWidth));
}

// Without a printer: sixty lines, or what the renderer draws on the PDF page below its top margin when
// a large report font cannot get sixty onto it.
int pdfLinesPerPage() {
    const int lines = pageLines(FallbackPdfPage());
    if (lines <= 0) return kDefaultLinesPerPage;
    return std::clamp(lines - kPaperTopLines, 1, kDefaultLinesPerPage);
}

int computeLinesPerPage() {
    QPagedPaintDevice* printer = g_metrics ? g_metrics->selectPrinter() : nullptr;
    if (!printer) {
        if (!g_noPrinterTold) base::ShowMessage(kNoPrinterMessage);
        g_noPrinterTold = true;
        return pdfLinesPerPage();
    }
    g_noPrinterTold = false;
    const int lines = pageLines(printer);
    return lines > 0 ? std::max(1, lines - kHeadingReserve) : pdfLinesPerPage();
}

// A two-character column ("47", " 5"); -1 when it is not a number.
int columnAt(const QString& cell, int from) {
    bool ok = false;
    const int value = cell.mid(from, 2).trimmed().toInt(&ok);
    return ok ? value : -1;
}

}  // namespace

void SetPrinterMetrics(PrinterMetrics* metrics) {
    g_metrics = metrics;
    g_noPrinterTold = false;
}

QPagedPaintDevice* CurrentPrinter() { return g_metrics ? g_metrics->printer() : nullptr; }

QPaintDevice* PageDevice() {
    if (QPagedPaintDevice* printer = CurrentPrinter()) return printer;
    return FallbackPdfPage();
}

int LastLine() { return int(ReportLines.size()) - 1; }

QString DocumentName() {
    QString name = !ReportName.trimmed().isEmpty() ? ReportName : TitleLines.value(0);
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral("-"));
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Report") : name;
}

QString& Cell(int cell) { return ReportLines.last()[cell]; }

QString& Attribute() { return ReportLines.last()[CellsPerLine - 1]; }

void BeginReport() {
    ReportLines.clear();
    ReportName.clear();
    ReportDocuments.clear();
    LinesOnPage = -1;
    PageNumber = 0;
    HeaderRows = {emptyLine()};
    TitleLines.clear();
    ColumnDirectives.clear();
    for (int i = 0; i < CellsPerLine - 1; ++i) ColumnDirectives.append(QString());
    LinesPerPage = computeLinesPerPage();
}

void NewLine() {
    ReportLines.append(emptyLine());
    ++LinesOnPage;
}

void NewLineWith(QStringList cells) {
    // The drawing cells given, the others empty, the attribute empty.
    if (cells.size() >= CellsPerLine) cells.resize(CellsPerLine - 1);
    cells.resize(CellsPerLine);
    ReportLines.append(std::move(cells));
    ++LinesOnPage;
}

void SetHeadings(const QStringList& directives, const QStringList& headings) {
    for (int i = 0; i < directives.size() && i < ColumnDirectives.size(); ++i) ColumnDirectives[i] = directives[i];
    QStringList top(CellsPerLine);
    top[CellsPerLine - 1] = QStringLiteral("U");
    QStringList row(CellsPerLine);
    for (int i = 0; i < directives.size(); ++i) row[i] = directives[i] + headings.value(i);
    row[CellsPerLine - 1] = QStringLiteral("U");
    HeaderRows = {top, row};
}

void AddTitleLines() {
    for (const QString& title : TitleLines) {
        NewLine();
        Cell(0) = QStringLiteral("C") + base::PadNumber(ReportWidth / 2, 2) + title;
        Attribute() = QStringLiteral("B");
    }
}

void AddHeaderRows() {
    NewLine();
    for (const QStringList& row : HeaderRows) {
        NewLine();
        for (int i = 0; i < CellsPerLine && i < row.size(); ++i) Cell(i) = row[i];
    }
}

bool CheckPageBreak(int needed, bool withHeadings) {
    if (PageNumber != 0 && needed <= LinesPerPage) return false;
    ++PageNumber;
    if (PageNumber > 1) {
        if (withHeadings && LastLine() >= 0) Attribute() = QStringLiteral("U");
        NewLine();
        Cell(0) = QStringLiteral("EJECT");
    }
    LinesOnPage = 0;
    NewLine();
    Cell(0) = QStringLiteral("L00Page ") + QString::number(PageNumber);
    Cell(1) = QStringLiteral("R") + base::PadNumber(ReportWidth, 2) + base::DateText(base::Today());
    NewLine();
    AddTitleLines();
    NewLine();
    NewLine();
    if (withHeadings) AddHeaderRows();
    return true;
}

int WidestDateText() {
    // A leap year whose twos and eights make the widest digits; once per locale and format.
    static QString known;
    static int widest = 0;
    const QString format = QLocale().dateFormat(QLocale::ShortFormat) + QLocale().name();
    if (format != known) {
        known = format;
        widest = 0;
        const QDate first(2088, 1, 1);
        for (QDate d = first; d.year() == first.year(); d = d.addDays(1))
            widest = std::max(widest, int(base::DateText(base::DayFromDate(d)).size()));
    }
    return widest;
}

namespace {

// Moves the cell right by by columns when it is a text or a rule standing at or after from; in place,
// two digits for two, so that a report of many lines is widened without a copy of each cell.
void shiftCell(QString& cell, int from, int by) {
    if (cell.size() < 3) return;
    const char16_t kind = cell[0].unicode();
    if (kind != u'L' && kind != u'R' && kind != u'C' && kind != u'V') return;
    const QChar tens = cell[1], ones = cell[2];
    if (!ones.isDigit() || !(tens.isDigit() || tens == QLatin1Char(' '))) return;
    const int column = (tens.isDigit() ? tens.digitValue() * 10 : 0) + ones.digitValue();
    const int to = column + (kind == u'C' ? by / 2 : by);
    if (column < from || to > 99) return;
    cell[1] = to < 10 ? QLatin1Char(' ') : QChar(u'0' + to / 10);
    cell[2] = QChar(u'0' + to % 10);
}

}  // namespace

void WidenDateColumn(int from) {
    constexpr int kDesigned = 8;
    const int by = WidestDateText() - kDesigned;
    if (by <= 0) return;
    for (QList<QStringList>* lines : {&ReportLines, &HeaderRows})
        for (QStringList& line : *lines)
            for (qsizetype i = 0; i + 1 < line.size(); ++i) shiftCell(line[i], from, by);
    for (QString& directive : ColumnDirectives) shiftCell(directive, from, by);
    ReportWidth += by;
}

void EndReport() {
    ReportLines.clear();
    ReportName.clear();
    ReportDocuments.clear();
    TitleLines.clear();
    ColumnDirectives.clear();
    HeaderRows.clear();
}

ParsedCell ParseCell(const QString& cell) {
    ParsedCell p;
    if (cell.isEmpty()) return p;
    switch (cell.at(0).toLatin1()) {
    case 'L': p.kind = CellKind::Left; break;
    case 'R': p.kind = CellKind::Right; break;
    case 'C': p.kind = CellKind::Center; break;
    case 'V': p.kind = CellKind::VRule; break;
    case 'H': p.kind = CellKind::HRule; break;
    case 'E': p.kind = CellKind::Eject; return p;
    case 'I': p.kind = CellKind::Picture; break;
    default: p.kind = CellKind::Unknown; return p;
    }
    if (p.kind == CellKind::Picture) {
        p.align = cell.size() > 1 ? cell.at(1) : QChar('L');
        p.column = columnAt(cell, 2);
        p.text = cell.mid(4, 60).trimmed();
    } else {
        p.column = columnAt(cell, 1);
        if (p.kind == CellKind::HRule) p.endColumn = columnAt(cell, 3);
        else p.text = cell.mid(3);
    }
    if (p.column < 0 || (p.kind == CellKind::HRule && p.endColumn < 0)) p.kind = CellKind::Unknown;
    return p;
}

bool IsBold(const QString& attribute) { return attribute.contains(QLatin1Char('B')); }
bool IsUnderlined(const QString& attribute) { return attribute.contains(QLatin1Char('U')); }

bool PictureSize(const QString& attribute, double* heightInches, double* widthInches) {
    if (!attribute.startsWith(QLatin1Char('S'))) return false;
    bool okH = false;
    bool okW = false;
    *heightInches = attribute.mid(1, 5).trimmed().toDouble(&okH);
    *widthInches = attribute.mid(6, 5).trimmed().toDouble(&okW);
    return okH && okW;
}

QString PictureAttribute(double heightInches, double widthInches) {
    return QStringLiteral("S") + base::FixedText(heightInches, 5, 2) + base::FixedText(widthInches, 5, 2);
}

QString ExportLine(const QStringList& line, ExportKind kind) {
    QString text;
    for (int i = 0; i < line.size() - 1; ++i) {
        const ParsedCell cell = ParseCell(line[i]);
        if (cell.kind != CellKind::Left && cell.kind != CellKind::Right && cell.kind != CellKind::Center) continue;
        if (kind == ExportKind::TabDelimited) {
            if (!text.isEmpty()) text += QLatin1Char('\t');
            text += cell.text;
            continue;
        }
        int target = cell.column;
        if (cell.kind == CellKind::Right) target = cell.column - int(cell.text.size());
        else if (cell.kind == CellKind::Center) target = cell.column - int(cell.text.size()) / 2;
        if (text.size() < target) text += QString(target - text.size(), QLatin1Char(' '));
        // A figure wider than its column keeps a blank before it rather than joining its neighbour.
        else if (!text.isEmpty() && !text.endsWith(QLatin1Char(' ')) && !cell.text.startsWith(QLatin1Char(' ')))
            text += QLatin1Char(' ');
        text += cell.text;
    }
    return text;
}

ExportResult ExportReport(QIODevice& out, ExportKind kind) {
    ExportResult result;
    int number = 0;
    for (const QStringList& line : ReportLines) {
        ++number;
        bool fits = true;
        const QByteArray bytes = base::Cp1252::fromUnicode(ExportLine(line, kind), &fits) + "\r\n";
        if (!fits && result.firstUnfitLine == 0) result.firstUnfitLine = number;
        if (out.write(bytes) != bytes.size()) return result;
    }
    result.written = true;
    return result;
}

ExportResult ExportReport(const QString& fileName, ExportKind kind) {
    QFile file(fileName);
    if (file.exists()) file.remove();
    if (!base::OpenOwnerOnly(file, QIODevice::WriteOnly)) return {};
    ExportResult result = ExportReport(file, kind);
    file.close();
    result.written = result.written && file.error() == QFileDevice::NoError;
    return result;
}

}  // namespace reports
