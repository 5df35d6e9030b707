#pragma once
// TReportF: the report window. Shows the report buffer on screen with a scroll bar, prints it straight
// to the current printer, previews it, and exports it as plain text, tab-delimited text or PDF.
// The report commands fill the buffer and show it modally (reports::ShowReport, ReportCommands).
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include <functional>
#include <memory>

#include "reports/ReportRender.h"
#include "reports/RptUtil.h"

class QPrinter;

namespace reports {

class ReportCanvas;

class TReportF : public QDialog {
    Q_OBJECT
public:
    explicit TReportF(QWidget* parent = nullptr);
    ~TReportF() override;

    QMenuBar* MainMenu1;
    QAction* mExit;
    QAction* mPrint;
    QAction* mPreview;
    QMenu* mExport;
    QAction* AsciiText1;
    QAction* TabDelimited1;
    QAction* Pdf1;
    QAction* mEmail;  // the documents to their customer; disabled, with the reason as its hint, otherwise
    QScrollBar* ScrollBar1;

    const RenderLayout& layout() const { return m_layout; }
    int linesPerScreen() const { return m_linesPerScreen; }
    // Computes the screen layout for the current size and buffer (done at every showing and resize).
    void LayoutScreen();
    // Draws the visible lines (the canvas's paint; also used for pictures of the window).
    void FormPaint(QPainter& painter);

public slots:
    void mExitClick();
    void mPrintClick();
    void mPreviewClick();
    void AsciiText1Click();
    void TabDelimited1Click();
    void Pdf1Click();
    void mEmailClick();
    void ScrollBar1Change();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The report is read with the keys as with the scroll bar: the arrows a line, Page Up and Down
    // and Space (Shift+Space back) a screen, Home and End to the top and the end.
    void keyPressEvent(QKeyEvent* event) override;
    // The menu bar shows the hint of the command under the mouse, disabled ones included.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void exportAs(ExportKind kind);
    void reportBadPictures(const QStringList& files);

    ReportCanvas* m_canvas;
    RenderLayout m_layout;
    int m_linesPerScreen = 1;
    QStringList m_badPictures;  // told once per showing
};

// What every printed output shares (reports and labels): the current printer as it prints (nullptr
// when there is none); the print preview of paint on it, or on the PDF page without a printer; the
// PDF file name asked for (proposed + ".pdf"; empty when cancelled), with ".pdf" added when typed
// without an extension; the dialog starts in the data directory.
std::unique_ptr<QPrinter> NewCurrentPrinter();
void ShowPrintPreview(QWidget* parent, const std::function<void(QPrinter*)>& paint);
QString AskPdfFile(const QString& caption, const QString& proposed);

// The page-metrics seam (reports::PrinterMetrics) for the current printer: pagination, the letterhead,
// memo wrapping and the PDF export's page all measure on it. Installed at start-up.
void InstallPrinterMetrics();

}  // namespace reports
