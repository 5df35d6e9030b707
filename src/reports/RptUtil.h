#pragma once
// The report buffer: every report and printed document is first built as lines of text cells in the
// report-line markup, then shown, printed or exported by the report window. One buffer, program-wide.
//
// Markup of a drawing cell: "L05text" (left edge at column 5), "R47text" (right edge), "C36text"
// (centred), "V12" (vertical rule), "H2059" (rule along the top from column 20 to 59), "EJECT" (page
// break), "IC36file.bmp" (picture). The last cell of a line holds its attributes: "B" bold, "U" rule
// under the line, or "S" with the picture's height and width in inches on a picture line.
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"

class QIODevice;
class QPaintDevice;
class QPagedPaintDevice;

namespace reports {

extern int ReportWidth;   // character columns; set by the generator before BeginReport
extern int CellsPerLine;  // drawing cells plus the attribute cell
extern QList<QStringList> ReportLines;  // [line][cell]
extern QStringList TitleLines;
extern QStringList ColumnDirectives;    // CellsPerLine - 1 entries
extern QList<QStringList> HeaderRows;   // complete lines repeated under every page heading
extern int PageNumber;
extern int LinesOnPage;
extern int LinesPerPage;
// What the buffer holds, as its PDF is named and titled ("Invoice-1302", "Statement-Ann Lee"); empty
// leaves the name to the first title line. Set by the generator, cleared by BeginReport and EndReport.
extern QString ReportName;
// The customer documents the buffer holds, in order: whom the report window's Email sends them to.
// Added by the document generators, cleared by BeginReport and EndReport.
struct ReportDocument {
    long cuno = 0;
    QString email;   // the customer's
    QString kind;    // "Invoice", "Bill", "Statement"
    QString number;  // the invoice number; empty for a statement
    double date = 0;
    base::Decimal total, due;
};
extern QList<ReportDocument> ReportDocuments;
// The name a PDF of the buffer is proposed under and titled with: ReportName, else the first title
// line, else "Report"; characters a file name cannot hold become "-".
QString DocumentName();

// The one page-metrics seam: the page every report is laid out for. Pagination (BeginReport), the
// letterhead's margin and logo room and memo wrapping (RptGen) and the PDF export's page (WritePdf) all
// measure on PageDevice(). The window layer installs the current printer; without one, or when there is
// no current printer, reports are laid out for the PDF page.
class PrinterMetrics {
public:
    virtual ~PrinterMetrics() = default;
    // Selects the current printer again, so that its paper, orientation and resolution of now take
    // effect, and returns it; nullptr when there is no current printer. BeginReport calls it once per
    // report. The device stays the metrics' own until the next selection.
    virtual QPagedPaintDevice* selectPrinter() = 0;
    // The printer as last selected (selecting it when none was yet); nullptr when there is none.
    virtual QPagedPaintDevice* printer() = 0;
};
// Installing the metrics starts a session: the first report without a printer tells of it again.
void SetPrinterMetrics(PrinterMetrics* metrics);
// The current printer as last selected; nullptr when there is none or no metrics are installed.
QPagedPaintDevice* CurrentPrinter();
// The device a report is measured on: the current printer, or the PDF page when there is none.
QPaintDevice* PageDevice();

// Without a printer a report pages by 60 lines, or by what the renderer draws on the PDF page below its
// top margin when that is fewer (a large report font).
inline constexpr int kDefaultLinesPerPage = 60;
// With a printer LinesPerPage := PageLines - kHeadingReserve, both counted in the renderer's line
// advance: the renderer's top margin (kPaperTopLines) and three lines to spare at the foot.
inline constexpr int kHeadingReserve = 6;
extern const QString kNoPrinterMessage;

int LastLine();            // -1 while the buffer is empty
QString& Cell(int cell);   // a cell of the last line; REQUIRES: LastLine() >= 0
QString& Attribute();      // the attribute cell of the last line

void BeginReport();
void NewLine();
// A new line whose drawing cells are cells, from cell 0 on.
void NewLineWith(QStringList cells);
// ColumnDirectives := directives; HeaderRows := a rule, then the headings, each after its directive,
// ruled under.
void SetHeadings(const QStringList& directives, const QStringList& headings);
void AddTitleLines();
void AddHeaderRows();
// Starts a page when none is started yet or when needed exceeds the page; true when it did.
bool CheckPageBreak(int needed, bool withHeadings);
// The characters the widest date of the locale's short format takes ("28/12/2088", "28 Dec 2088").
int WidestDateText();
// The report layouts give a date eight columns ("12/28/88"). Where the locale's dates are wider, every
// cell of the buffer from column from on (a centred one by half as much), the directives and the
// report's width move right by the excess, so that dates stay clear of their neighbours.
void WidenDateColumn(int from);
void EndReport();

// ---- Reading the markup (shared by the renderers and the exports) ----

enum class CellKind { Empty, Left, Right, Center, VRule, HRule, Eject, Picture, Unknown };
struct ParsedCell {
    CellKind kind = CellKind::Empty;
    int column = 0;      // L, R, C, V, I: the column; H: the start column
    int endColumn = 0;   // H only
    QChar align;         // I only: L, C or R
    QString text;        // L, R, C: the text; I: the file name
};
ParsedCell ParseCell(const QString& cell);
bool IsBold(const QString& attribute);
bool IsUnderlined(const QString& attribute);
// A picture line's printed size in inches from its "S" attribute; false when it holds none.
bool PictureSize(const QString& attribute, double* heightInches, double* widthInches);
// The attribute of a picture line for the given printed size.
QString PictureAttribute(double heightInches, double widthInches);

// ---- Text exports ----

enum class ExportKind { Plain, TabDelimited };
// The text of one report line (drawing cells only; rules, pictures and page breaks give nothing).
QString ExportLine(const QStringList& line, ExportKind kind);
struct ExportResult {
    bool written = false;    // the file was created and every line written
    int firstUnfitLine = 0;  // the first line (from 1) with a character Windows-1252 lacks; 0 when none
};
// Writes every line of the buffer, CR LF after each, in Windows-1252 like every other file of the
// program: one byte per character keeps the plain export's columns aligned for any reader, and the
// table texts the reports show always fit. A character the set lacks (one from the locale's date or
// a title) is written as "?" and reported through firstUnfitLine.
ExportResult ExportReport(const QString& fileName, ExportKind kind);
// The same bytes onto an open device (the report tool's standard output).
ExportResult ExportReport(QIODevice& out, ExportKind kind);

}  // namespace reports
