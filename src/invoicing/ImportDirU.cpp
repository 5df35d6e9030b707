#include "invoicing/ImportDirU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "invoicing/InvoiceControls.h"
#include "store/ImportDirs.h"
#include "ui/DriveDirU.h"

namespace invoicing {
namespace {

const QString kCaption = QStringLiteral("Import Directories");
const QString kInfoLabel = QStringLiteral("Directory containing Info Files");
const QString kOrderLabel = QStringLiteral("Directory containg Order Files");
const QString kBrowse = QStringLiteral("Browse");
const QString kSave = QStringLiteral("Save");
const QString kCancel = QStringLiteral("Cancel");
const QString kInfoChooser = QStringLiteral("Choose Customer Info Directory");
const QString kOrderChooser = QStringLiteral("Choose Order File Directory");
const QString kOk = QStringLiteral("OK");
const QString kWhat = QStringLiteral("The import directories");
// %1 the directory, %2 how many characters are kept.
const QString kDirTooLong = QStringLiteral("The directory %1 is longer than the %2 characters that can be stored. Choose a shorter path.");

// A cancelled chooser leaves the field as it was.
void browseInto(QLineEdit* field, const QString& caption) {
    const QString chosen = ui::ChooseDirectory(caption, kOk, field->text().trimmed());
    if (!chosen.isEmpty()) field->setText(chosen);
}

}  // namespace

TImportdir::TImportdir(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("Importdir"));
    setWindowTitle(kCaption);
    Label1 = label(this, "Label1", kInfoLabel);
    Edit1 = named(new QLineEdit(this), "Edit1");
    BInfo = button(this, "BInfo", kBrowse);
    Label2 = label(this, "Label2", kOrderLabel);
    Edit2 = named(new QLineEdit(this), "Edit2");
    BOrder = button(this, "BOrder", kBrowse);
    BSave = button(this, "BSave", kSave);
    BCancel = button(this, "BCancel", kCancel);
    for (QLineEdit* dir : {Edit1, Edit2}) {
        dir->setMaxLength(store::kDirCut);
        dir->setMinimumWidth(dir->fontMetrics().averageCharWidth() * 48);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(BInfo, 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(Edit2, 3, 0);
    grid->addWidget(BOrder, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BSave);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(BInfo, &QPushButton::clicked, this, &TImportdir::BInfoClick);
    connect(BOrder, &QPushButton::clicked, this, &TImportdir::BOrderClick);
    connect(BSave, &QPushButton::clicked, this, &TImportdir::BSaveClick);
    connect(BCancel, &QPushButton::clicked, this, &TImportdir::BCancelClick);
}

void TImportdir::FormShow() {
    store::LoadImportDirs();
    Edit1->setText(store::InfoDir);
    Edit2->setText(store::OrderDir);
    Edit1->setFocus();
}

void TImportdir::BInfoClick() { browseInto(Edit1, kInfoChooser); }
void TImportdir::BOrderClick() { browseInto(Edit2, kOrderChooser); }

void TImportdir::BSaveClick() {
    // A path cut short would name another directory, or none: refused, with the window kept open.
    for (QLineEdit* edit : {Edit1, Edit2})
        if (const QString dir = edit->text().trimmed(); dir.size() > store::kDirCut) {
            edit->setFocus();
            base::ShowMessage(kDirTooLong.arg(dir).arg(store::kDirCut));
            return;
        }
    store::InfoDir = Edit1->text().trimmed();
    store::OrderDir = Edit2->text().trimmed();
    // Not stored: the window stays open with what was typed, so nothing is lost.
    if (const store::WriteResult saved = store::SaveImportDirs(); !saved) {
        base::ShowMessage(saved.message(kWhat));
        return;
    }
    accept();
}

void TImportdir::BCancelClick() { reject(); }

}  // namespace invoicing
