#include "app/FirstStartU.h"

#include <QDir>
#include <QVBoxLayout>

#include "app/CommandArt.h"
#include "base/Dialogs.h"
#include "store/DataFiles.h"
#include "store/DataLock.h"
#include "store/DbUtil.h"
#include "store/Upgrade.h"
#include "store/EngineContext.h"

namespace app {
namespace {
const QString kCaption = QStringLiteral("Welcome to Corvane Invoicing");
const QString kIntro = QStringLiteral("There are no data files in %1 yet. How would you like to begin?");
const QString kNew = QStringLiteral("Start a new business");
const QString kDemo = QStringLiteral("Open the demo business");
const QString kExisting = QStringLiteral("Use an existing data folder…");
const QString kChooserCaption = QStringLiteral("Choose the folder holding your data files");
const QString kChooserOk = QStringLiteral("Use");
const QString kTablesPresent =
    QStringLiteral("The folder already holds some of the data files and is left as it is: ");
const QString kConvert = QStringLiteral("Convert the data of the earlier version…");
const QString kConvertChooserCaption = QStringLiteral("Choose Drive & Directory Containing Old Velkin Data");
const QString kConvertOk = QStringLiteral("Upgrade");
const QString kWriteFailed = QStringLiteral("The data files could not be written: ");

QPushButton* choice(QWidget* parent, const char* name, const QString& caption, const QString& icon) {
    auto* button = new QPushButton(CommandIcon(icon), caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setIconSize(QSize(32, 32));
    button->setMinimumHeight(44);
    return button;
}
}  // namespace

TFirstStart::TFirstStart(const DataHomePlaces& places, QWidget* parent) : QDialog(parent), m_places(places) {
    setObjectName(QStringLiteral("TFirstStart"));
    setWindowTitle(kCaption);
    Label1 = new QLabel(kIntro.arg(QDir::toNativeSeparators(places.home)), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    BtnNew = choice(this, "BtnNew", kNew, QStringLiteral("document-new"));
    BtnDemo = choice(this, "BtnDemo", kDemo, QStringLiteral("x-office-address-book"));
    BtnExisting = choice(this, "BtnExisting", kExisting, QStringLiteral("folder-open"));
    BtnConvert = choice(this, "BtnConvert", kConvert, QStringLiteral("document-import"));
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    for (QPushButton* button : {BtnNew, BtnDemo, BtnExisting, BtnConvert}) layout->addWidget(button);
    layout->addSpacing(8);
    layout->addWidget(BtnCancel, 0, Qt::AlignRight);
    resize(440, sizeHint().height());
    connect(BtnNew, &QPushButton::clicked, this, &TFirstStart::BtnNewClick);
    connect(BtnDemo, &QPushButton::clicked, this, &TFirstStart::BtnDemoClick);
    connect(BtnExisting, &QPushButton::clicked, this, &TFirstStart::BtnExistingClick);
    connect(BtnConvert, &QPushButton::clicked, this, &TFirstStart::BtnConvertClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFirstStart::BtnNewClick() { start(false); }

void TFirstStart::BtnDemoClick() { start(true); }

void TFirstStart::start(bool demo) {
    QString error;
    switch (StartBusiness(m_places.home, demo, &error)) {
    case NewBusiness::Written:
        m_chosen = m_places.home;
        accept();
        return;
    case NewBusiness::TablesPresent:
        base::ShowMessage(kTablesPresent + QDir::toNativeSeparators(m_places.home));
        return;
    case NewBusiness::Failed:
        base::ShowMessage(kWriteFailed + error);
        return;
    }
}

void TFirstStart::BtnExistingClick() {
    const QString dir = base::dialogs().chooseDirectory(kChooserCaption, kChooserOk, QDir::homePath());
    if (dir.isEmpty()) return;
    if (!store::DataFilesPresent(dir)) {
        base::ShowMessage(NoDataFilesIn(dir));
        return;
    }
    RememberDataFolder(m_places, dir);
    m_chosen = dir;
    accept();
}

// A new business in the data folder, filled from the earlier version's tables. Should the conversion
// fail (the user was told why), the run starts with the new, empty business: the conversion can be
// tried again from the File menu.
void TFirstStart::BtnConvertClick() {
    const QString old = base::dialogs().chooseDirectory(kConvertChooserCaption, kConvertOk,
                                                        store::UpgradeStartDirectory(QDir::homePath()));
    if (old.isEmpty()) return;
    if (const QString missing = store::MissingOldTable(old); !missing.isEmpty()) {
        base::ShowMessage(store::NotFoundMessage(old));
        return;
    }
    QString error;
    const NewBusiness made = StartBusiness(m_places.home, false, &error);
    if (made != NewBusiness::Written) {
        base::ShowMessage(made == NewBusiness::TablesPresent ? kTablesPresent + QDir::toNativeSeparators(m_places.home)
                                                             : kWriteFailed + error);
        return;
    }
    store::DataLock lock;
    if (!lock.acquire(m_places.home)) {
        base::ShowMessage(lock.message());
        return;
    }
    store::EngineInit(nullptr, m_places.home.toStdString());
    // The tables were just written empty: there is nothing to overwrite, and nothing to ask.
    if (store::ConvertOldData(old, /*ask=*/false) == store::UpgradeOutcome::Converted) store::PackAll();
    store::EngineEnd();
    m_chosen = m_places.home;
    accept();
}

}  // namespace app
