#include "reports/ReportU.h"

#include <QDir>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>

#include "base/Dialogs.h"
#include "base/ReportOutput.h"
#include "reports/DocumentMail.h"
#include "reports/ReportCommands.h"
#include "store/DataLocation.h"

namespace reports {

namespace {

const QString kUnableToSave = QStringLiteral("Unable to save to: ");
const QString kUnfitCharacters =
    QStringLiteral("The report was saved, but some of its characters have no place in the Windows-1252 "
                   "character set of the file and were written as \"?\" (the first in line %1): ");
const QString kCannotLoadPicture = QStringLiteral("Unable to load the picture ");
const QString kPrintToPdf = QStringLiteral("No printer is installed. Save the report as a PDF file instead?");

QPrinterInfo currentPrinterInfo() {
    const QString name = base::ReportPrinter().name;
    if (!name.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (!info.isNull()) return info;
    }
    return QPrinterInfo::defaultPrinter();
}

void setupPrinter(QPrinter& printer) {
    printer.setPageOrientation(base::ReportPrinter().landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

}  // namespace

// The current printer as it prints: its paper, orientation and full resolution. Pages are laid out on
// this device (the metrics below) and printed on one made the same way, so both measure alike.
std::unique_ptr<QPrinter> NewCurrentPrinter() {
    const QPrinterInfo info = currentPrinterInfo();
    if (info.isNull()) return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    setupPrinter(*printer);
    return printer;
}

void ShowPrintPreview(QWidget* parent, const std::function<void(QPrinter*)>& paint) {
    std::unique_ptr<QPrinter> printer = NewCurrentPrinter();
    if (!printer) {
        // No printer: preview the PDF page the output is laid out for.
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(FallbackPdfPage()->logicalDpiY());
        printer->setPageLayout(FallbackPdfPage()->pageLayout());
    }
    QPrintPreviewDialog preview(printer.get(), parent);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, paint);
    base::dialogs().showModal(&preview);
}

QString AskPdfFile(const QString& caption, const QString& proposed) {
    const QString pdf = store::DataFile(proposed + QStringLiteral(".pdf"));
    QString file = base::dialogs().saveFile(caption, pdf, QStringLiteral("PDF files (*.pdf)"));
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
    return file;
}

namespace {

// The page-metrics seam of the report unit, for the current printer.
class QtPrinterMetrics : public PrinterMetrics {
public:
    QPagedPaintDevice* selectPrinter() override {
        m_printer = NewCurrentPrinter();
        m_selected = true;
        return m_printer.get();
    }
    QPagedPaintDevice* printer() override { return m_selected ? m_printer.get() : selectPrinter(); }

private:
    std::unique_ptr<QPrinter> m_printer;
    bool m_selected = false;
};

}  // namespace

// The drawing area: paints through the window so the window owns the layout.
class ReportCanvas : public QWidget {
public:
    explicit ReportCanvas(TReportF* owner) : QWidget(owner), m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_owner->FormPaint(painter);
    }
    void wheelEvent(QWheelEvent* event) override {
        const int steps = event->angleDelta().y() / 120;
        m_owner->ScrollBar1->setValue(m_owner->ScrollBar1->value() - 3 * steps);
    }

private:
    TReportF* m_owner;
};

TReportF::TReportF(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReportF"));
    setWindowTitle(QStringLiteral("Report"));
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    mExit = MainMenu1->addAction(QStringLiteral("E&xit"));
    mExit->setObjectName(QStringLiteral("mExit"));
    mPrint = MainMenu1->addAction(QStringLiteral("Print"));
    mPrint->setObjectName(QStringLiteral("mPrint"));
    mPreview = MainMenu1->addAction(QStringLiteral("Print Pre&view"));
    mPreview->setObjectName(QStringLiteral("mPreview"));
    mExport = MainMenu1->addMenu(QStringLiteral("&Export"));
    mExport->setObjectName(QStringLiteral("mExport"));
    AsciiText1 = mExport->addAction(QStringLiteral("Ascii &Text"));
    AsciiText1->setObjectName(QStringLiteral("AsciiText1"));
    TabDelimited1 = mExport->addAction(QStringLiteral("Tab &Delimited"));
    TabDelimited1->setObjectName(QStringLiteral("TabDelimited1"));
    Pdf1 = mExport->addAction(QStringLiteral("&PDF"));
    Pdf1->setObjectName(QStringLiteral("Pdf1"));
    mEmail = MainMenu1->addAction(QStringLiteral("E&mail"));
    mEmail->setObjectName(QStringLiteral("mEmail"));
    MainMenu1->installEventFilter(this);

    m_canvas = new ReportCanvas(this);
    m_canvas->setObjectName(QStringLiteral("Canvas"));
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setFocusPolicy(Qt::NoFocus);  // the window's keys scroll it

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_canvas, 1);
    row->addWidget(ScrollBar1);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setMenuBar(MainMenu1);
    main->addLayout(row);

    connect(mExit, &QAction::triggered, this, &TReportF::mExitClick);
    connect(mPrint, &QAction::triggered, this, &TReportF::mPrintClick);
    connect(mPreview, &QAction::triggered, this, &TReportF::mPreviewClick);
    connect(AsciiText1, &QAction::triggered, this, &TReportF::AsciiText1Click);
    connect(TabDelimited1, &QAction::triggered, this, &TReportF::TabDelimited1Click);
    connect(Pdf1, &QAction::triggered, this, &TReportF::Pdf1Click);
    connect(mEmail, &QAction::triggered, this, &TReportF::mEmailClick);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TReportF::ScrollBar1Change);
    resize(800, 600);
}

TReportF::~TReportF() = default;

void TReportF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setWindowState(windowState() | Qt::WindowMaximized);
    m_badPictures.clear();
    const QString blocker = EmailBlocker();
    mEmail->setEnabled(blocker.isEmpty());
    mEmail->setToolTip(blocker.isEmpty() ? QStringLiteral("Send the document to the customer as a PDF") : blocker);
    mEmail->setStatusTip(mEmail->toolTip());
    ScrollBar1->setValue(0);
    LayoutScreen();
}

void TReportF::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutScreen();
}

void TReportF::keyPressEvent(QKeyEvent* event) {
    const bool back = event->modifiers() & Qt::ShiftModifier;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (event->key()) {
    case Qt::Key_Down: action = QAbstractSlider::SliderSingleStepAdd; break;
    case Qt::Key_Up: action = QAbstractSlider::SliderSingleStepSub; break;
    case Qt::Key_PageDown: action = QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_PageUp: action = QAbstractSlider::SliderPageStepSub; break;
    case Qt::Key_Space: action = back ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_Home: action = QAbstractSlider::SliderToMinimum; break;
    case Qt::Key_End: action = QAbstractSlider::SliderToMaximum; break;
    default: QDialog::keyPressEvent(event); return;
    }
    ScrollBar1->triggerAction(action);
}

void TReportF::LayoutScreen() {
    const int width = std::max(1, m_canvas->width());
    m_layout = LayoutFor(m_canvas, base::ReportFont, width, ReportWidth, kScreenMinPoints);
    m_linesPerScreen = std::max(1, m_canvas->height() / std::max(1, m_layout.lineHeight));
    const int count = int(ReportLines.size());
    if (m_linesPerScreen < count) {
        ScrollBar1->setEnabled(true);
        ScrollBar1->setRange(0, count - m_linesPerScreen);
        ScrollBar1->setPageStep(std::max(1, m_linesPerScreen - 1));
        ScrollBar1->setSingleStep(1);
    } else {
        ScrollBar1->setRange(0, 0);
        ScrollBar1->setEnabled(false);
    }
    m_canvas->update();
}

void TReportF::FormPaint(QPainter& painter) {
    painter.fillRect(m_canvas->rect(), Qt::white);
    painter.setBrush(Qt::NoBrush);
    const int first = ScrollBar1->value();
    const int last = std::min(int(ReportLines.size()) - 1, first + m_linesPerScreen - 1);
    int y = 0;
    QStringList bad;
    for (int i = first; i <= last; ++i) {
        QString badPicture;
        DrawLine(painter, m_layout, ReportLines[i], y, RenderTarget::Screen, &badPicture);
        if (!badPicture.isEmpty()) bad.append(badPicture);
        y += m_layout.lineHeight;
    }
    // Told after painting, once per file and showing: a message box inside a paint would repaint.
    QStringList fresh;
    for (const QString& f : bad)
        if (!m_badPictures.contains(f)) fresh.append(f);
    if (!fresh.isEmpty()) {
        m_badPictures += fresh;
        QMetaObject::invokeMethod(this, [this, fresh] { reportBadPictures(fresh); }, Qt::QueuedConnection);
    }
}

void TReportF::reportBadPictures(const QStringList& files) {
    for (const QString& f : files) base::ShowMessage(kCannotLoadPicture + f);
}

void TReportF::ScrollBar1Change() { m_canvas->update(); }

void TReportF::mExitClick() { accept(); }

void TReportF::mPrintClick() {
    const std::unique_ptr<QPrinter> printer = NewCurrentPrinter();
    if (!printer) {
        if (base::ConfirmYesNo(kPrintToPdf)) Pdf1Click();
        return;
    }
    QStringList bad;
    PrintLines(printer.get(), base::ReportFont, ReportLines, ReportWidth, &bad);
    reportBadPictures(bad);
}

void TReportF::mPreviewClick() {
    ShowPrintPreview(this, [](QPrinter* p) { PrintLines(p, base::ReportFont, ReportLines, ReportWidth); });
}

void TReportF::exportAs(ExportKind kind) {
    const QString filter = kind == ExportKind::Plain ? QStringLiteral("Text files (*.txt)")
                                                     : QStringLiteral("Delimited files (*.asc)");
    QString file = base::dialogs().saveFile(QStringLiteral("Export Report"), store::DataDir(), filter);
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += kind == ExportKind::Plain ? QStringLiteral(".txt") : QStringLiteral(".asc");
    const ExportResult result = ExportReport(file, kind);
    if (!result.written)
        base::ShowMessage(kUnableToSave + file);
    else if (result.firstUnfitLine > 0)
        base::ShowMessage(kUnfitCharacters.arg(result.firstUnfitLine) + file);
}

bool TReportF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MainMenu1 && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QAction* action = MainMenu1->actionAt(help->pos());
        if (action && !action->toolTip().isEmpty() && action->toolTip() != action->iconText())
            QToolTip::showText(help->globalPos(), action->toolTip(), MainMenu1);
        else
            QToolTip::hideText();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TReportF::mEmailClick() { EmailReport(); }

void TReportF::AsciiText1Click() { exportAs(ExportKind::Plain); }
void TReportF::TabDelimited1Click() { exportAs(ExportKind::TabDelimited); }

void TReportF::Pdf1Click() {
    const QString file = AskPdfFile(QStringLiteral("Export Report"), DocumentName());
    if (file.isEmpty()) return;
    QStringList bad;
    if (!WritePdf(file, base::ReportFont, ReportLines, ReportWidth, &bad)) {
        base::ShowMessage(kUnableToSave + file);
        return;
    }
    reportBadPictures(bad);
}

void InstallPrinterMetrics() {
    static QtPrinterMetrics metrics;
    SetPrinterMetrics(&metrics);
}

}  // namespace reports
