#include "ui/HelpU.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include <map>

namespace ui {
namespace {

const QString kCaption = QStringLiteral("Corvane Invoicing Help");
const QString kContentsPage = QStringLiteral("index.html");

// One line per help context.
const std::map<int, QString>& contextPages() {
    static const std::map<int, QString> pages = {
        {10, QStringLiteral("main.html")},
        {300, QStringLiteral("invoices.html")},
        {310, QStringLiteral("invoice-window.html")},
        {400, QStringLiteral("customers.html")},
        {410, QStringLiteral("customer.html")},
        {420, QStringLiteral("customer-group.html")},
        {430, QStringLiteral("product.html")},
        {450, QStringLiteral("purchase.html")},
        {500, QStringLiteral("reports.html")},
        {600, QStringLiteral("preferences.html")},
        {610, QStringLiteral("stationery.html")},
        {615, QStringLiteral("einvoice.html")},
        {620, QStringLiteral("labels.html")},
        {630, QStringLiteral("sales-tax.html")},
        {640, QStringLiteral("email.html")},
        {700, QStringLiteral("maintenance.html")},
        {1120, QStringLiteral("line-item.html")},
    };
    return pages;
}

// Lives until DestroyHelpWindow(), or until the modal window it was shown over goes.
QPointer<THelp> g_help;

}  // namespace

THelp::THelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("THelp"));
    setWindowTitle(kCaption);
    setModal(false);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenLinks(true);
    Browser->setSearchPaths({HelpDirectory()});
    BtnContents = new QPushButton(QStringLiteral("&Contents"), this);
    BtnContents->setObjectName(QStringLiteral("BtnContents"));
    BtnBack = new QPushButton(QStringLiteral("&Back"), this);
    BtnBack->setObjectName(QStringLiteral("BtnBack"));
    BtnClose = new QPushButton(QStringLiteral("C&lose"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnContents);
    buttons->addWidget(BtnBack);
    buttons->addStretch(1);
    buttons->addWidget(BtnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser, 1);
    resize(560, 480);
    connect(BtnContents, &QPushButton::clicked, this, [this] { showPage(kContentsPage); });
    connect(BtnBack, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(Browser, &QTextBrowser::backwardAvailable, BtnBack, &QPushButton::setEnabled);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
    BtnBack->setEnabled(false);
}

bool THelp::showPage(const QString& fileName) {
    const QString path = QDir(HelpDirectory()).filePath(fileName);
    if (!QFileInfo::exists(path)) return false;
    Browser->setSource(QUrl::fromLocalFile(path));
    return true;
}

QString THelp::currentPage() const { return QFileInfo(Browser->source().toLocalFile()).fileName(); }

QString HelpDirectory() {
    // The program is in <prefix>/bin and its pages in <prefix>/share/corvane/help, installed or in the
    // build tree (which copies the pages there): nothing is read from the source tree.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/corvane/help"));
}

QString HelpPageFor(int context) {
    const auto& pages = contextPages();
    const auto it = pages.find(context);
    return it == pages.end() ? kContentsPage : it->second;
}

THelp* HelpWindow() {
    if (!g_help) g_help = new THelp;
    return g_help;
}

void DestroyHelpWindow() { delete g_help.data(); }

namespace {
void open(const QString& page) {
    THelp* help = HelpWindow();
    // A modal window blocks every window but its own: over one, help becomes its window, so that it
    // opens in front of it and can be used while it stays open.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != help && help->parentWidget() != modal) {
        help->setParent(modal, help->windowFlags());
        help->setModal(false);
    }
    help->showPage(page);
    help->show();
    help->raise();
    help->activateWindow();
}
}  // namespace

void ShowHelp(int context) { open(HelpPageFor(context)); }

void ShowHelpContents() { open(kContentsPage); }

}  // namespace ui
