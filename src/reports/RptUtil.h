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

// Where BeginReport learns how many lines fit on a page. The window layer installs the printer's;
// without one there is no printer.
class PrinterMetrics {
public:
    virtual ~PrinterMetrics() = default;
    virtual bool hasCurrentPrinter() = 0;
    // Trunc(page height / height of "A") in the report font; 0 or less when measuring failed.
    virtual int linesPerPage() = 0;
};
void SetPrinterMetrics(PrinterMetrics* metrics);

inline constexpr int kDefaultLinesPerPage = 60;
inline constexpr int kHeadingReserve = 6;
extern const QString kNoPrinterMessage;

int LastLine();            // -1 while the buffer is empty
QString& Cell(int cell);   // a cell of the last line; REQUIRES: LastLine() >= 0
QString& Attribute();      // the attribute cell of the last line

void BeginReport();
void NewLine();
void AddTitleLines();
void AddHeaderRows();
// Starts a page when none is started yet or when needed exceeds the page; true when it did.
bool CheckPageBreak(int needed, bool withHeadings);
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

}  // namespace reports
