#pragma once
// The label layout: where each address of a label run lies, computed once from the stock, the starting
// position and the device's page, and drawn by one routine on a printer, a print preview or a PDF.
//
// Measures follow the label run's arithmetic: each stock measure becomes device pixels as
// trunc(points x dpi / 72), the margins are made relative to the printable area, and rows go page by
// page (cut sheets) at (row - 1) x (label height + vertical gap) + top.
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"
#include "store/RecordBuffers.h"

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace labels {

// Lines of one address label (the address block's five).
inline constexpr int kLabelLines = 5;
// The smallest font a label is printed in: a stock whose label cannot hold the address at this size is
// refused rather than printed unreadable (or reduced for ever).
inline constexpr int kMinLabelPoints = 4;

// trunc(points x dpi / 72), exactly.
int PointsToPixels(const base::Decimal& points, int dpi);

// What a paged device reports, in its pixels.
struct DeviceGeometry {
    int dpiX = 72, dpiY = 72;
    int offX = 0, offY = 0;    // the unprintable strip at the left and at the top
    int physW = 0, physH = 0;  // the whole sheet
    int pageW = 0, pageH = 0;  // the printable area
};
DeviceGeometry GeometryOf(const QPagedPaintDevice* device);

// A stock's measures on one device, in pixels, margins relative to the printable area.
struct LabelMetrics {
    int top = 0, bottom = 0, left = 0, right = 0;
    int width = 0, height = 0, hGap = 0, vGap = 0;
    int rowsPerPage = 0;
    int pageH = 0;  // the printable height
};
LabelMetrics MeasureStock(const store::LabelBuffer& stock, const DeviceGeometry& device);

// Where the first label goes, both counted from 1. A column beyond the stock's labels across is its
// last column, as the printing window makes it; a row beyond the page leaves the first sheet blank.
struct LabelStart {
    int column = 1;
    int row = 1;
};

// One label on the pages: page 0 is the first sheet; x and y are its top left corner in pixels of the
// printable area; column and row (from 1) where it stands on its sheet.
struct PlacedLabel {
    int page = 0;
    int column = 1, row = 1;
    int x = 0, y = 0;
    QStringList lines;
};

struct LabelPlan {
    int pages = 0;          // sheets the job feeds (blank ones included); 0 when nothing is printed
    int rowsPrinted = 0;
    QList<PlacedLabel> labels;
};

// Lays the address blocks out as the label run adds them: one label per block at the current column,
// a row printed when it is full and after the last block. Cut sheets start a new page when the row is
// past the rows per page; continuous stock never breaks a page where its rows still fit, and goes on
// on the next page only when a row would run off the printable area (where it would be lost).
// REQUIRES: the stock's NAcross is at least 1 (StockProblem says so).
LabelPlan PlanLabels(const store::LabelBuffer& stock, const LabelStart& start, const QList<QStringList>& blocks,
                     const LabelMetrics& metrics);

// Why labels cannot be printed on the stock (naming it and the measure), or empty when they can: fewer
// than one label across, or a label too narrow or too short for five address lines in font at
// kMinLabelPoints.
QString StockProblem(const store::LabelBuffer& stock, const QFont& font);

// The font reduced a point at a time while five widths of "Abcde" exceed the label's width, then while
// five line heights exceed its height, never below kMinLabelPoints.
QFont FitLabelFont(QFont font, QPaintDevice* device, const LabelMetrics& metrics);

// The whole label job on a paged device (a printer, the preview's printer, a PDF writer): one job,
// one page after another, every label's lines one line height apart. False when the device cannot be
// painted on.
bool PaintLabels(QPagedPaintDevice* device, const store::LabelBuffer& stock, const LabelStart& start,
                 const QList<QStringList>& blocks, const QFont& font);

// Writes the labels as a PDF on the page the printer would print (or the fallback PDF page).
bool WriteLabelPdf(const QString& fileName, const store::LabelBuffer& stock, const LabelStart& start,
                   const QList<QStringList>& blocks, const QFont& font);

}  // namespace labels
