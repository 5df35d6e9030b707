#include "mail/MailServerU.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "base/Dialogs.h"
#include "mail/MailControls.h"
#include "mail/MailMessage.h"
#include "mail/MailSettings.h"

namespace mail {
namespace {

const QString kCaption = QStringLiteral("Mail Server");
const QString kTestSubject = QStringLiteral("Test message from Corvane Invoicing");
const QString kTestBody = QStringLiteral("This message was sent by Corvane Invoicing to test its mail server settings.\n");
const QString kTesting = QStringLiteral("Sending a test message to %1 ...");
const QString kTestSent = QStringLiteral("The test message was sent to %1.");
const QString kKeptInStore = QStringLiteral("The password is kept in the desktop's secret store.");
const QString kKeptInMemory = QStringLiteral("%1; the password is kept until the program ends.");
const QString kNoSender = QStringLiteral("Type the sender's e-mail address: the messages go out from it.");
const QString kNotSaved = QStringLiteral("The mail server settings could not be saved in ");

// The security choices in the order of the list, with the port each is usually served on.
const struct {
    Security security;
    const char* caption;
    int port;
} kSecurities[] = {
    {Security::StartTls, "STARTTLS", 587},
    {Security::Tls, "TLS", 465},
    {Security::None, "None (a relay on this computer only)", 25},
};

}  // namespace

TMailServer::TMailServer(QWidget* parent) : ui::EditWindow(parent), m_job(new MailJob(this)) {
    setObjectName(QStringLiteral("MailServer"));
    setWindowTitle(kCaption);
    setHelpContext(kHelpContext);
    Edit1 = named(new QLineEdit(this), "Edit1");
    SpinEdit1 = named(new QSpinBox(this), "SpinEdit1");
    SpinEdit1->setRange(1, 65535);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    for (const auto& s : kSecurities) ComboBox1->addItem(QLatin1String(s.caption));
    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit3 = named(new QLineEdit(this), "Edit3");
    Edit3->setEchoMode(QLineEdit::Password);
    Edit4 = named(new QLineEdit(this), "Edit4");
    Edit5 = named(new QLineEdit(this), "Edit5");
    SpinEdit2 = named(new QSpinBox(this), "SpinEdit2");
    SpinEdit2->setRange(5, 600);
    SpinEdit2->setSuffix(QStringLiteral(" s"));
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setTabChangesFocus(true);
    Memo1->setToolTip(QStringLiteral("{document}, {number}, {date}, {total}, {balance} and {company} are filled in."));
    Label9 = named(new QLabel(this), "Label9");
    Label9->setWordWrap(true);
    BtnTest = named(new QPushButton(QStringLiteral("Send Test Message"), this), "BtnTest");
    BtnSave = named(new QPushButton(QStringLiteral("Save"), this), "BtnSave");
    BtnCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "BtnCancel");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Server"), Edit1);
    form->addRow(QStringLiteral("Security"), ComboBox1);
    form->addRow(QStringLiteral("Port"), SpinEdit1);
    form->addRow(QStringLiteral("User name"), Edit2);
    form->addRow(QStringLiteral("Password"), Edit3);
    form->addRow(QStringLiteral("Sender's address"), Edit4);
    form->addRow(QStringLiteral("Sender's name"), Edit5);
    form->addRow(QStringLiteral("Give up after"), SpinEdit2);
    form->addRow(QStringLiteral("Message"), Memo1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnTest);
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Label9);
    layout->addLayout(buttons);

    const QList<QWidget*> order = {Edit1, ComboBox1, SpinEdit1, Edit2, Edit3, Edit4, Edit5, SpinEdit2, Memo1,
                                   BtnTest, BtnSave, BtnCancel};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    turnOffAutoDefaults();
    connect(ComboBox1, &QComboBox::activated, this, &TMailServer::ComboBox1Change);
    connect(BtnTest, &QPushButton::clicked, this, &TMailServer::BtnTestClick);
    connect(BtnSave, &QPushButton::clicked, this, &TMailServer::BtnSaveClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TMailServer::BtnCancelClick);
    connect(m_job, &MailJob::finished, this, &TMailServer::testFinished);
}

void TMailServer::FormShow() {
    const ServerSettings s = LoadServerSettings();
    Edit1->setText(s.host);
    SpinEdit1->setValue(s.port);
    for (int i = 0; i < int(std::size(kSecurities)); ++i)
        if (kSecurities[i].security == s.security) ComboBox1->setCurrentIndex(i);
    Edit2->setText(s.user);
    Edit3->clear();
    Edit3->setPlaceholderText(FindPassword(s).isEmpty() ? QString() : QStringLiteral("(kept; type to change it)"));
    Edit4->setText(s.fromAddress);
    Edit5->setText(s.fromName);
    SpinEdit2->setValue(s.timeoutSeconds);
    Memo1->setPlainText(MessageTemplate());
    Label9->clear();
    Edit1->setFocus();
}

void TMailServer::ComboBox1Change(int index) {
    // The usual port of the new choice, unless the user had typed a port of their own.
    bool usual = false;
    for (const auto& s : kSecurities) usual = usual || SpinEdit1->value() == s.port;
    if (usual) SpinEdit1->setValue(kSecurities[index].port);
}

ServerSettings TMailServer::fields() const {
    ServerSettings s;
    s.host = Edit1->text().trimmed();
    s.port = SpinEdit1->value();
    s.security = kSecurities[std::max(0, ComboBox1->currentIndex())].security;
    s.user = Edit2->text().trimmed();
    s.fromAddress = Edit4->text().trimmed();
    s.fromName = Edit5->text().trimmed();
    s.timeoutSeconds = SpinEdit2->value();
    return s;
}

bool TMailServer::readFields(ServerSettings* s) {
    *s = fields();
    QString problem = SettingsProblem(*s);
    if (problem.isEmpty() && !IsAddress(s->fromAddress)) problem = kNoSender;
    if (problem.isEmpty() && HasLineBreak(s->fromName))
        problem = QStringLiteral("The sender's name must be on one line.");
    if (problem.isEmpty()) return true;
    base::ShowMessage(problem);
    return false;
}

QString TMailServer::password(const ServerSettings& s) const {
    return Edit3->text().isEmpty() ? FindPassword(s) : Edit3->text();
}

void TMailServer::BtnTestClick() {
    ServerSettings s;
    if (sending() || !readFields(&s)) return;
    Message m;
    m.fromName = s.fromName;
    m.fromAddress = s.fromAddress;
    m.to = {s.fromAddress};
    m.subject = kTestSubject;
    m.body = kTestBody;
    m_testAddress = s.fromAddress;
    BtnTest->setEnabled(false);
    Label9->setText(kTesting.arg(m_testAddress));
    m_job->start(s, s.user.isEmpty() ? QString() : password(s), m.to,
                 ComposeMime(m, QDateTime::currentDateTime(), NewMessageId(m.fromAddress)));
}

void TMailServer::testFinished(const SendOutcome& outcome) {
    BtnTest->setEnabled(true);
    Label9->setText(outcome.sent ? kTestSent.arg(m_testAddress) : outcome.text);
    base::ShowMessage(outcome.sent ? kTestSent.arg(m_testAddress) : outcome.text);
}

void TMailServer::BtnSaveClick() {
    ServerSettings s;
    if (sending() || !readFields(&s)) return;
    if (!SaveServerSettings(s) || !SaveMessageTemplate(Memo1->toPlainText())) {
        base::ShowMessage(kNotSaved + SettingsFile);
        return;
    }
    if (!Edit3->text().isEmpty() && !s.user.isEmpty()) {
        QString why;
        if (KeepPassword(s, Edit3->text(), &why) == Kept::InMemoryOnly) base::ShowMessage(kKeptInMemory.arg(why));
        else base::ShowMessage(kKeptInStore);
    }
    keepAsUnchanged();
    accept();
}

void TMailServer::BtnCancelClick() { reject(); }

void TMailServer::reject() {
    if (sending()) {
        m_job->cancel();
        return;
    }
    ui::EditWindow::reject();
}

}  // namespace mail
