#include "reports/ReportRender.h"

#include <limits>

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include "base/OwnerOnly.h"
#include "reports/RptUtil.h"
#include "store/DataLocation.h"

namespace reports {

namespace {

void measure(QPaintDevice* device, RenderLayout* layout) {
    const QFontMetrics fm(layout->font, device);
    layout->unit = qMax(1, fm.horizontalAdvance(QLatin1Char('B')));
    layout->lineHeight = qMax(1, fm.height());
}

void drawPicture(QPainter& painter, const RenderLayout& layout, const ParsedCell& cell, const QString& attribute,
                 int y, RenderTarget target, QString* badPicture) {
    // A picture named without a folder (a logo in the settings) is one of the data directory.
    const QImage image(store::DataFile(cell.text));
    if (image.isNull()) {
        if (badPicture) *badPicture = cell.text;
        return;
    }
    QSize size = image.size();
    double heightInches = 0;
    double widthInches = 0;
    const bool stretch = target == RenderTarget::Paper && PictureSize(attribute, &heightInches, &widthInches);
    if (stretch) {
        const QPaintDevice* device = painter.device();
        size = QSize(int(device->logicalDpiX() * widthInches), int(device->logicalDpiY() * heightInches));
    }
    int x = layout.columnX(cell.column);
    if (cell.align == QLatin1Char('C')) x -= size.width() / 2;
    else if (cell.align == QLatin1Char('R')) x -= size.width();
    painter.drawImage(QRect(QPoint(x, y), size), image);
}

constexpr int kFallbackPdfResolution = 300;

// Without a printer: the paper of the user's locale, Letter where the US measures are used and A4
// everywhere else.
void setupFallbackPdfPage(QPdfWriter& writer) {
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    writer.setPageSize(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
    writer.setResolution(kFallbackPdfResolution);
}

// The fallback page to measure on: a PDF writer that never paints, so nothing is written.
class MeasuringPdfPage {
public:
    MeasuringPdfPage() : m_writer(&m_buffer) { m_buffer.open(QIODevice::WriteOnly); }
    // Set up at each use: the locale may have changed since the last.
    QPdfWriter* writer() {
        setupFallbackPdfPage(m_writer);
        return &m_writer;
    }

private:
    QBuffer m_buffer;
    QPdfWriter m_writer;
};

}  // namespace

RenderLayout PaperLayout(QPaintDevice* device, const QFont& font, int reportWidth) {
    return LayoutFor(device, font, device->width(), reportWidth, kPaperMinPoints);
}

int PageLines(QPaintDevice* device, const RenderLayout& layout) {
    return device->height() / std::max(1, layout.lineHeight);
}

QPagedPaintDevice* FallbackPdfPage() {
    static MeasuringPdfPage page;
    return page.writer();
}

void SetupPdfPage(QPdfWriter& writer) {
    QPagedPaintDevice* printer = CurrentPrinter();
    if (!printer) {
        setupFallbackPdfPage(writer);
        return;
    }
    writer.setResolution(printer->logicalDpiY());
    writer.setPageLayout(printer->pageLayout());
}

RenderLayout LayoutFor(QPaintDevice* device, const QFont& font, int width, int reportWidth, int minPoints) {
    RenderLayout layout;
    layout.font = font;
    layout.width = width;
    measure(device, &layout);
    while (width < reportWidth * layout.unit && layout.font.pointSize() > minPoints) {
        layout.font.setPointSize(layout.font.pointSize() - 1);
        measure(device, &layout);
    }
    layout.leftMargin = int(width / 2.0 - reportWidth * layout.unit / 2.0);
    layout.rightEnd = layout.leftMargin + reportWidth * layout.unit;
    return layout;
}

void DrawLine(QPainter& painter, const RenderLayout& layout, const QStringList& line, int y, RenderTarget target,
              QString* badPicture) {
    if (line.isEmpty()) return;
    const QString& attribute = line.last();
    QFont font = layout.font;
    font.setBold(IsBold(attribute));
    // No ligatures: "fi" drawn as one glyph is missed by search and copy in a PDF ("Profile").
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    painter.setFont(font);
    const QFontMetrics fm(font, painter.device());
    const int ascent = fm.ascent();
    // Where the last text drawn ends, and whether it ends in a blank: a text that would touch it
    // starts a column after it instead, as the plain export keeps a blank between cells.
    int textEnd = std::numeric_limits<int>::min();
    bool endsBlank = true;
    for (int i = 0; i < line.size() - 1; ++i) {
        const ParsedCell cell = ParseCell(line[i]);
        switch (cell.kind) {
        case CellKind::Eject:
            if (target == RenderTarget::Screen) {
                const QPen old = painter.pen();
                painter.setPen(QPen(old.color(), 0, Qt::DotLine));
                painter.drawLine(0, y + layout.lineHeight / 2, layout.width - 1, y + layout.lineHeight / 2);
                painter.setPen(old);
            }
            break;
        case CellKind::Picture: drawPicture(painter, layout, cell, attribute, y, target, badPicture); break;
        case CellKind::VRule:
            painter.drawLine(layout.columnX(cell.column), y, layout.columnX(cell.column), y + layout.lineHeight);
            break;
        case CellKind::HRule:
            painter.drawLine(layout.columnX(cell.column), y, layout.columnX(cell.endColumn), y);
            break;
        case CellKind::Left:
        case CellKind::Right:
        case CellKind::Center: {
            int x = layout.columnX(cell.column);
            const int textWidth = fm.horizontalAdvance(cell.text);
            if (cell.kind == CellKind::Center) x -= textWidth / 2;
            else if (cell.kind == CellKind::Right) x -= textWidth;
            if (!endsBlank && !cell.text.startsWith(QLatin1Char(' ')) && x < textEnd + layout.unit) x = textEnd + layout.unit;
            painter.drawText(x, y + ascent, cell.text);
            textEnd = x + textWidth;
            endsBlank = cell.text.isEmpty() || cell.text.endsWith(QLatin1Char(' '));
            break;
        }
        case CellKind::Empty:
        case CellKind::Unknown: break;
        }
    }
    if (IsUnderlined(attribute)) {
        const int under = y + layout.lineHeight;
        painter.drawLine(layout.leftMargin, under, layout.rightEnd, under);
    }
}

bool PrintLines(QPagedPaintDevice* device, const QFont& font, const QList<QStringList>& lines, int reportWidth,
                QStringList* badPictures) {
    QPainter painter;
    if (!painter.begin(device)) return false;
    const RenderLayout layout = PaperLayout(device, font, reportWidth);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int top = kPaperTopLines * layout.lineHeight;
    int y = top;
    for (const QStringList& line : lines) {
        if (!line.isEmpty() && ParseCell(line.first()).kind == CellKind::Eject) {
            device->newPage();
            y = top - layout.lineHeight;
        } else {
            QString bad;
            DrawLine(painter, layout, line, y, RenderTarget::Paper, &bad);
            if (!bad.isEmpty() && badPictures && !badPictures->contains(bad)) badPictures->append(bad);
        }
        y += layout.lineHeight;
    }
    return painter.end();
}

bool WritePdfPages(const QString& fileName, const QString& title,
                   const std::function<bool(QPagedPaintDevice*)>& paint) {
    QFile file(fileName);
    if (!base::OpenOwnerOnly(file, QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QPdfWriter writer(&file);
    SetupPdfPage(writer);
    writer.setTitle(title);
    return paint(&writer) && file.flush();
}

bool WritePdf(const QString& fileName, const QFont& font, const QList<QStringList>& lines, int reportWidth,
              QStringList* badPictures) {
    return WritePdfPages(fileName, DocumentName(), [&](QPagedPaintDevice* device) {
        return PrintLines(device, font, lines, reportWidth, badPictures);
    });
}

}  // namespace reports
