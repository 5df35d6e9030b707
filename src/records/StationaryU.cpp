#include "records/StationaryU.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <iterator>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/DataLocation.h"
#include "store/Settings.h"
#include "records/EInvSetupU.h"
#include "ui/Forms.h"
#include "ui/HelpU.h"

namespace records {

namespace {
constexpr int kHelpContext = 610;
const char* const kMeasureFormat = "%5.2f";
// Bitmaps as before, and the other picture formats the renderer reads.
const QString kLogoFilter =
    QStringLiteral("Picture Files (*.bmp *.BMP *.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.gif *.GIF);;"
                   "Bitmap Files (*.BMP *.bmp)");

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength) {
    auto* e = named(new QLineEdit(parent), name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

ui::MaskEdit* measure(QWidget* parent, const char* name) {
    auto* m = named(new ui::MaskEdit(parent), name);
    ui::MaskEditSettings s = ui::amountField(2, 2, ui::NegativeColour::None);
    s.format = kMeasureFormat;
    m->configure(s);
    // Five characters of entry: a wider box would suggest more.
    m->setMaximumWidth(m->fontMetrics().horizontalAdvance(QStringLiteral("000.000")) + 16);
    return m;
}

// %1 the path's length, %2 the most the settings hold, %3 the path.
const QString kLogoPathTooLong =
    QStringLiteral("The logo file's path has %1 characters; the settings hold at most %2:\n%3\n"
                   "Move the picture to a folder with a shorter path.");

QString existingOrEmpty(const QString& path) {
    const QString p = path.trimmed();
    return !p.isEmpty() && QFileInfo(p).isFile() ? p : QString();
}

// A path cut to the settings field would name another file, or none: a longer one is refused.
bool logoPathFits(const QString& path) {
    const int limit = store::Table(store::TableKey::Settings).fieldWidth("LOGOFILE");
    if (path.size() <= limit) return true;
    base::ShowMessage(kLogoPathTooLong.arg(QString::number(path.size()), QString::number(limit), path));
    return false;
}
}  // namespace

TStationary::TStationary(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("Stationary"));
    setWindowTitle(QStringLiteral("Stationery Setup"));
    BtnLogo = named(new QPushButton(QStringLiteral("Logo File"), this), "BtnLogo");
    Edit1 = lineEdit(this, "Edit1", 0);
    Edit1->setFocusPolicy(Qt::ClickFocus);  // set through the button, skipped by Tab
    MaskEdit1 = measure(this, "MaskEdit1");
    MaskEdit1->configure([] {
        ui::MaskEditSettings s = ui::amountField(2, 2, ui::NegativeColour::Live);
        s.format = kMeasureFormat;
        return s;
    }());
    MaskEdit2 = measure(this, "MaskEdit2");
    MaskEdit3 = measure(this, "MaskEdit3");
    Edit2 = lineEdit(this, "Edit2", 35);
    Edit3 = lineEdit(this, "Edit3", 35);
    Edit4 = lineEdit(this, "Edit4", 35);
    Edit5 = lineEdit(this, "Edit5", 35);
    Edit6 = lineEdit(this, "Edit6", 25);
    Edit7 = lineEdit(this, "Edit7", 25);
    Edit8 = lineEdit(this, "Edit8", 0);
    GroupBox1 = named(new QGroupBox(QStringLiteral(" Justification "), this), "GroupBox1");
    RadioButton1 = named(new QRadioButton(QStringLiteral("Left"), GroupBox1), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("Center"), GroupBox1), "RadioButton2");
    RadioButton3 = named(new QRadioButton(QStringLiteral("Right"), GroupBox1), "RadioButton3");
    auto* justify = new QHBoxLayout(GroupBox1);
    justify->addWidget(RadioButton1);
    justify->addWidget(RadioButton2);
    justify->addWidget(RadioButton3);
    BtnSave = named(new QPushButton(QStringLiteral("Save"), this), "BtnSave");
    BtnCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "BtnCancel");
    BtnHelp = named(new QPushButton(QStringLiteral("Help"), this), "BtnHelp");
    BtnEInvoice = named(new QPushButton(QStringLiteral("E-Invoice..."), this), "BtnEInvoice");

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(BtnLogo, row, 0);
    grid->addWidget(Edit1, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Top Margin:"), this), row, 0);
    auto* margin = new QHBoxLayout;
    margin->addWidget(MaskEdit1);
    margin->addWidget(new QLabel(QStringLiteral("Inches"), this));
    margin->addStretch();
    grid->addLayout(margin, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Logo Height:"), this), row, 0);
    auto* size = new QHBoxLayout;
    size->addWidget(MaskEdit2);
    size->addWidget(new QLabel(QStringLiteral("Width:"), this));
    size->addWidget(MaskEdit3);
    size->addWidget(new QLabel(QStringLiteral("Inches"), this));
    size->addStretch();
    grid->addLayout(size, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Company Name:"), this), row, 0);
    grid->addWidget(Edit2, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Address:"), this), row, 0);
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6}) grid->addWidget(e, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Closing Line:"), this), row, 0);
    grid->addWidget(Edit7, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Signature Line:"), this), row, 0);
    grid->addWidget(Edit8, row++, 1, 1, 3);
    grid->addWidget(GroupBox1, row++, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnEInvoice);
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnCancel);
    buttons->addWidget(BtnHelp);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);

    QWidget* order[] = {BtnLogo, MaskEdit1, MaskEdit2, MaskEdit3, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7,
                        Edit8, RadioButton1, RadioButton2, RadioButton3, BtnSave, BtnCancel, BtnHelp, BtnEInvoice};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(BtnLogo, &QPushButton::clicked, this, &TStationary::BtnLogoClick);
    connect(BtnSave, &QPushButton::clicked, this, &TStationary::BtnSaveClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TStationary::BtnCancelClick);
    connect(BtnHelp, &QPushButton::clicked, this, [] { ui::ShowHelp(kHelpContext); });
    connect(BtnEInvoice, &QPushButton::clicked, this, [] { ui::ShowForm<TEInvSetup>(); });
    setHelpContext(kHelpContext);
}

void TStationary::FormShow() {
    const store::SettingsBuffer& s = store::SettingsRec;
    MaskEdit1->setValue(s.TopMargin);
    MaskEdit2->setValue(s.LogoHeight);
    MaskEdit3->setValue(s.LogoWidth);
    Edit1->setText(s.LogoFile);
    Edit2->setText(s.Company.trimmed());
    Edit3->setText(s.Addr1.trimmed());
    Edit4->setText(s.Addr2.trimmed());
    Edit5->setText(s.Addr3.trimmed());
    Edit6->setText(s.Addr4.trimmed());
    Edit7->setText(s.CloLine.trimmed());
    Edit8->setText(s.SigLine.trimmed());
    RadioButton1->setChecked(true);
    if (s.LHJustify == 2) RadioButton2->setChecked(true);
    if (s.LHJustify == 3) RadioButton3->setChecked(true);
    BtnLogo->setFocus();
}

void TStationary::BtnLogoClick() {
    // A logo named without a folder is looked for in the data directory, as the printing does.
    const QString file =
        base::dialogs().openFile(QStringLiteral("Logo File"), store::DataFile(Edit1->text().trimmed()), kLogoFilter);
    // A cancelled dialog keeps the logo there is.
    const QString chosen = file.isEmpty() ? Edit1->text() : file;
    if (logoPathFits(chosen.trimmed())) Edit1->setText(existingOrEmpty(chosen));
}

void TStationary::BtnSaveClick() {
    const QString logo = existingOrEmpty(Edit1->text());
    if (!logoPathFits(logo)) return;
    store::SettingsBuffer s = store::SettingsRec;
    s.TopMargin = MaskEdit1->value().toDouble();
    s.LogoHeight = MaskEdit2->value().toDouble();
    s.LogoWidth = MaskEdit3->value().toDouble();
    s.LogoFile = logo;
    s.Company = Edit2->text().trimmed();
    s.Addr1 = Edit3->text().trimmed();
    s.Addr2 = Edit4->text().trimmed();
    s.Addr3 = Edit5->text().trimmed();
    s.Addr4 = Edit6->text().trimmed();
    s.CloLine = Edit7->text().trimmed();
    s.SigLine = Edit8->text().trimmed();
    s.LHJustify = RadioButton2->isChecked() ? 2 : RadioButton3->isChecked() ? 3 : 1;
    if (store::ChangeSettings(s, QStringLiteral("The letterhead"))) accept();
}

void TStationary::BtnCancelClick() { reject(); }

}  // namespace records
