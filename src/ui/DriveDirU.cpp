#include "ui/DriveDirU.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "base/RemovableMedia.h"
#include "ui/Forms.h"

namespace ui {

QString ChosenDir;

namespace {

const QString kUnableToRead = QStringLiteral("Unable to read from drive ");
constexpr int kPathRole = Qt::UserRole;

// Depth in the directory list shown by leading blanks.
QString indent(int level) { return QString(level * 2, QLatin1Char(' ')); }

bool readable(const QString& dir) {
    const QFileInfo info(dir);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool contains(const QString& top, const QString& dir) {
    if (top == QLatin1String("/")) return dir.startsWith(QLatin1Char('/'));
    return dir == top || dir.startsWith(top + QLatin1Char('/'));
}

}  // namespace

std::vector<DriveEntry> AvailableDrives() {
    std::vector<DriveEntry> drives;
    for (const QFileInfo& root : QDir::drives()) drives.push_back({root.absoluteFilePath(), root.absoluteFilePath()});
    const QString home = QDir::homePath();
    drives.push_back({QStringLiteral("%1 (home)").arg(home), home});
    for (const QString& point : base::RemovableMountPoints())
        drives.push_back({QStringLiteral("%1 (removable)").arg(point), point});
    return drives;
}

TDriveDir::TDriveDir(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("TDriveDir"));
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DirLabel = new QLabel(this);
    DirLabel->setObjectName(QStringLiteral("DirLabel"));
    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setEnabled(false);
    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));

    auto* lists = new QHBoxLayout;
    lists->addWidget(DirectoryListBox1, 1);
    lists->addWidget(FileListBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirLabel);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(480, 320);

    connect(DriveComboBox1, &QComboBox::activated, this, &TDriveDir::DriveComboBox1Change);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, &TDriveDir::DirectoryListBox1Activated);
    connect(BtnOK, &QPushButton::clicked, this, &TDriveDir::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TDriveDir::BtnCancelClick);

    fillDrives();
    setHome(QDir::homePath());
}

void TDriveDir::setHome(const QString& dir) {
    m_home = dir;
    setDirectory(dir);
}

void TDriveDir::fillDrives() {
    const QSignalBlocker blocker(DriveComboBox1);
    DriveComboBox1->clear();
    for (const DriveEntry& drive : AvailableDrives()) DriveComboBox1->addItem(drive.label, drive.path);
}

int TDriveDir::driveIndexFor(const QString& dir) const {
    int best = -1;
    int bestLength = -1;
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString top = DriveComboBox1->itemData(i).toString();
        if (contains(top, dir) && top.size() > bestLength) {
            best = i;
            bestLength = top.size();
        }
    }
    return best;
}

void TDriveDir::showDrive(int index) {
    const QSignalBlocker blocker(DriveComboBox1);
    DriveComboBox1->setCurrentIndex(index);
}

bool TDriveDir::setDirectory(const QString& dir) {
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (!readable(path)) return false;
    m_directory = path;
    showDrive(driveIndexFor(path));
    DirLabel->setText(path);
    fillDirectoryList();
    fillFileList();
    return true;
}

void TDriveDir::fillDirectoryList() {
    // The path from the drive's top down to the directory, then the directory's subdirectories.
    DirectoryListBox1->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QString top = DriveComboBox1->currentData().toString();
    QStringList chain;
    for (QDir d(m_directory);; ) {
        chain.prepend(d.absolutePath());
        if (d.absolutePath() == top || d.isRoot() || !d.cdUp()) break;
    }
    int level = 0;
    for (const QString& path : chain) {
        const QString name = QDir(path).isRoot() ? path : QDir(path).dirName();
        auto* item = new QListWidgetItem(open, indent(level++) + name, DirectoryListBox1);
        item->setData(kPathRole, path);
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    const QDir current(m_directory);
    for (const QString& sub : current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(closed, indent(level) + sub, DirectoryListBox1);
        item->setData(kPathRole, current.filePath(sub));
    }
}

void TDriveDir::fillFileList() {
    FileListBox1->clear();
    FileListBox1->addItems(QDir(m_directory).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void TDriveDir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
    FormActivate();
}

void TDriveDir::FormShow() {
    fillDrives();  // media may have come or gone since the last showing
    if (!setDirectory(m_directory)) setDirectory(m_home);
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TDriveDir::FormActivate() { m_savedDrive = DriveComboBox1->currentIndex(); }

void TDriveDir::DriveComboBox1Change(int index) {
    const QString top = DriveComboBox1->itemData(index).toString();
    if (setDirectory(top)) {
        m_savedDrive = index;
        return;
    }
    base::ShowMessage(kUnableToRead + top);
    showDrive(m_savedDrive);
    if (m_savedDrive >= 0) setDirectory(DriveComboBox1->itemData(m_savedDrive).toString());
}

void TDriveDir::DirectoryListBox1Activated(QListWidgetItem* item) {
    if (item) setDirectory(item->data(kPathRole).toString());
}

void TDriveDir::BtnOKClick() {
    ChosenDir = m_directory;
    accept();
}

void TDriveDir::BtnCancelClick() {
    ChosenDir.clear();
    QDialog::reject();
}

void TDriveDir::reject() { BtnCancelClick(); }

QString ChooseDirectory(const QString& caption, const QString& okCaption, const QString& start) {
    auto* chooser = Form<TDriveDir>();
    if (!chooser) return {};
    chooser->setWindowTitle(caption);
    chooser->BtnOK->setText(okCaption);
    if (!start.isEmpty()) chooser->setDirectory(start);
    base::dialogs().showModal(chooser);
    return ChosenDir;
}

}  // namespace ui
