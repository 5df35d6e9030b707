#pragma once
// One renderer of the report-line markup for every device: the report window's screen, the printer
// and PDF files draw the same lines through the same routine; only the metrics differ.
#include <QFont>
#include <QStringList>

#include <functional>

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;
class QPdfWriter;

namespace reports {

enum class RenderTarget { Screen, Paper };

// Where columns lie on a device: the column unit is the width of "B", the line height the height of
// "A", and the report is centred in the usable width.
struct RenderLayout {
    QFont font;
    int unit = 1;
    int lineHeight = 1;
    int leftMargin = 0;
    int rightEnd = 0;
    int width = 0;  // usable width of the device
    int columnX(int column) const { return leftMargin + column * unit; }
};

// The smallest report font the screen uses (the report may then be wider than the window) and the
// smallest the printer uses (so a report that cannot fit still prints, never loops).
inline constexpr int kScreenMinPoints = 8;
inline constexpr int kPaperMinPoints = 4;

// Reduces the font a point at a time until ReportWidth columns fit width (not below minPoints).
RenderLayout LayoutFor(QPaintDevice* device, const QFont& font, int width, int reportWidth, int minPoints);

// ---- The page as PrintLines draws it: what pagination, the letterhead and memo wrapping measure ----

// The top margin PrintLines leaves on every page, in lines.
inline constexpr int kPaperTopLines = 3;

// The layout PrintLines uses on a page of device: the font reduced until reportWidth columns fit the
// page's width. Its lineHeight is the renderer's real line advance (the font's full height), not the
// glyph height of "A".
RenderLayout PaperLayout(QPaintDevice* device, const QFont& font, int reportWidth);

// Trunc(page height / line height): the lines of layout.lineHeight the page of device holds. PrintLines
// draws PageLines - kPaperTopLines of them below its top margin with the last one inside the page.
int PageLines(QPaintDevice* device, const RenderLayout& layout);

// The PDF page a report is exported on: the current printer's page layout and resolution, so that a
// PDF pages as the print does; the locale's paper (US Letter or A4) at 300 dpi when there is no
// printer (see PageDevice()).
void SetupPdfPage(QPdfWriter& writer);
// A PDF page of the fallback kind (the locale's paper, 300 dpi) to measure on when there is no printer.
QPagedPaintDevice* FallbackPdfPage();

// Draws one line with its top at y. Paper stretches pictures to the size in the attribute cell;
// the screen draws them at their natural size and shows a page break as a dotted rule.
// A picture that cannot be loaded is skipped and reported through *badPicture (when not null).
void DrawLine(QPainter& painter, const RenderLayout& layout, const QStringList& line, int y,
              RenderTarget target, QString* badPicture = nullptr);

// Draws the whole buffer on a paged device (a printer or a PDF writer): the top margin is
// kPaperTopLines lines, and pages break exactly at the "EJECT" lines. Pictures that cannot be loaded
// are skipped and their file names returned in *badPictures. False when the device cannot be painted on.
bool PrintLines(QPagedPaintDevice* device, const QFont& font, const QList<QStringList>& lines,
                int reportWidth, QStringList* badPictures = nullptr);

// Writes a PDF file titled title on the page of SetupPdfPage, drawn by paint (the routine that also
// paints the printer and the preview). False when the file cannot be written or paint fails.
bool WritePdfPages(const QString& fileName, const QString& title,
                   const std::function<bool(QPagedPaintDevice*)>& paint);

// Writes the buffer as a PDF file, as it would print (on the page of SetupPdfPage), titled DocumentName().
bool WritePdf(const QString& fileName, const QFont& font, const QList<QStringList>& lines, int reportWidth,
              QStringList* badPictures = nullptr);

}  // namespace reports
