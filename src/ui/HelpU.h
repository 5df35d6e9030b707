#pragma once
// THelp: the help browser. The help contexts of the windows open pages of docs/help; the browser is a
// window of its own that stays open beside the program (help never blocks the window it explains).
#include <QDialog>
#include <QPushButton>
#include <QTextBrowser>

namespace ui {

class THelp : public QDialog {
    Q_OBJECT
public:
    explicit THelp(QWidget* parent = nullptr);

    // Shows the page; false when the page is not installed.
    bool showPage(const QString& fileName);
    QString currentPage() const;

    QTextBrowser* Browser;
    QPushButton* BtnContents;
    QPushButton* BtnBack;
    QPushButton* BtnClose;
};

// The directory holding the help pages: <prefix>/share/corvane/help beside the program's <prefix>/bin.
QString HelpDirectory();
// The page of a help context ("index.html" for a context without a page of its own).
QString HelpPageFor(int context);
// Opens the help browser at a context's page, and at the contents page.
void ShowHelp(int context);
void ShowHelpContents();
// The one help browser of the run (created on first use).
THelp* HelpWindow();
// Destroys it (with the program's other windows, before the application object goes).
void DestroyHelpWindow();

}  // namespace ui
