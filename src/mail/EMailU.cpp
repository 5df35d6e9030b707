#include "mail/EMailU.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include <initializer_list>

#include "base/Dialogs.h"
#include "mail/MailControls.h"
#include "mail/MailLog.h"
#include "mail/MailSettings.h"

namespace mail {
namespace {

const QString kCaption = QStringLiteral("Email");
const QString kSend = QStringLiteral("Send");
const QString kCancel = QStringLiteral("Cancel");
const QString kSending = QStringLiteral("Sending to %1 ...");
const QString kStopping = QStringLiteral("Stopping ...");
const QString kNotSent = QStringLiteral("Not sent.");
const QString kSent = QStringLiteral("The message was sent to %1.");
const QString kNotLogged = QStringLiteral("The message was sent, but it could not be recorded in %1.");
const QString kNoPassword = QStringLiteral("Type the password of %1 at the mail server %2.");
const QString kInMemoryOnly = QStringLiteral("%1; the password is kept until the program ends.");
const QString kBadAddress = QStringLiteral("\"%1\" is not an e-mail address. Separate addresses with commas or semicolons.");

}  // namespace

TEMail::TEMail(QWidget* parent) : ui::EditWindow(parent), m_job(new MailJob(this)) {
    setObjectName(QStringLiteral("EMail"));
    setWindowTitle(kCaption);
    setHelpContext(kHelpContext);
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit3 = named(new QLineEdit(this), "Edit3");
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setTabChangesFocus(true);
    Memo1->setMinimumSize(QFontMetrics(font()).horizontalAdvance(QLatin1Char('M')) * 40, fontMetrics().height() * 12);
    Label5 = named(new QLabel(this), "Label5");
    Label6 = named(new QLabel(QStringLiteral("Password"), this), "Label6");
    Edit4 = named(new QLineEdit(this), "Edit4");
    Edit4->setEchoMode(QLineEdit::Password);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 0);  // busy: the server gives no measure of the whole
    ProgressBar1->setTextVisible(false);
    Label7 = named(new QLabel(this), "Label7");
    Label7->setWordWrap(true);
    BtnSend = named(new QPushButton(kSend, this), "BtnSend");
    BtnCancel = named(new QPushButton(kCancel, this), "BtnCancel");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("To"), Edit1);
    form->addRow(QStringLiteral("Cc"), Edit2);
    form->addRow(QStringLiteral("Subject"), Edit3);
    form->addRow(QStringLiteral("Attached"), Label5);
    form->addRow(Label6, Edit4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ProgressBar1, 1);
    buttons->addStretch();
    buttons->addWidget(BtnSend);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Label7);
    layout->addLayout(buttons);

    const QList<QWidget*> order = {Edit1, Edit2, Edit3, Edit4, Memo1, BtnSend, BtnCancel};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    turnOffAutoDefaults();
    connect(BtnSend, &QPushButton::clicked, this, &TEMail::BtnSendClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TEMail::BtnCancelClick);
    connect(m_job, &MailJob::finished, this, &TEMail::sendFinished);
}

void TEMail::setDraft(const Draft& draft) { m_draft = draft; }

void TEMail::FormShow() {
    m_settings = LoadServerSettings();
    Edit1->setText(m_draft.to);
    Edit2->clear();
    Edit3->setText(m_draft.subject);
    Memo1->setPlainText(m_draft.body);
    Label5->setText(QStringLiteral("%1 (%2)").arg(m_draft.attachment.fileName,
                                                  QLocale().formattedDataSize(m_draft.attachment.data.size())));
    const bool askPassword = !m_settings.user.isEmpty() && FindPassword(m_settings).isEmpty();
    Label6->setVisible(askPassword);
    Edit4->setVisible(askPassword);
    Edit4->clear();
    Label7->clear();
    setSending(false);
    (Edit1->text().isEmpty() ? Edit1 : static_cast<QWidget*>(Memo1))->setFocus();
}

void TEMail::setSending(bool sending) {
    for (QWidget* w : std::initializer_list<QWidget*>{Edit1, Edit2, Edit3, Memo1, Edit4, BtnSend})
        w->setEnabled(!sending);
    ProgressBar1->setVisible(sending);
}

bool TEMail::readMessage(Message* m) {
    const auto refuse = [](const QString& text) {
        base::ShowMessage(text);
        return false;
    };
    if (const QString problem = SettingsProblem(m_settings); !problem.isEmpty()) return refuse(problem);
    m->fromName = m_settings.fromName;
    m->fromAddress = m_settings.fromAddress;
    // A line break in an address field would start a header of its own.
    for (const QLineEdit* field : {Edit1, Edit2})
        if (HasLineBreak(field->text()))
            return refuse(LineBreakIn(field == Edit1 ? QStringLiteral("To") : QStringLiteral("Cc")));
    QString bad;
    if (!ParseAddressList(Edit1->text(), &m->to, &bad) || !ParseAddressList(Edit2->text(), &m->cc, &bad))
        return refuse(kBadAddress.arg(bad));
    m->subject = Edit3->text();
    m->body = Memo1->toPlainText();
    m->attachments = {m_draft.attachment};
    if (const QString problem = ProblemWith(*m); !problem.isEmpty()) return refuse(problem);
    if (Edit4->isVisible() && Edit4->text().isEmpty()) {
        Edit4->setFocus();
        return refuse(kNoPassword.arg(m_settings.user, m_settings.host));
    }
    return true;
}

void TEMail::BtnSendClick() {
    if (sending()) return;
    m_settings = LoadServerSettings();
    if (!readMessage(&m_message)) return;
    m_typedPassword = Edit4->isVisible() ? Edit4->text() : QString();
    const QString password = m_settings.user.isEmpty() ? QString()
                             : Edit4->isVisible()      ? m_typedPassword
                                                       : FindPassword(m_settings);
    const QByteArray mime = ComposeMime(m_message, QDateTime::currentDateTime(), NewMessageId(m_message.fromAddress));
    setSending(true);
    Label7->setText(kSending.arg(m_settings.host));
    m_job->start(m_settings, password, m_message.to + m_message.cc, mime);
}

void TEMail::sendFinished(const SendOutcome& outcome) {
    setSending(false);
    if (!outcome.sent) {
        Label7->setText(kNotSent);
        // A password refused by the server is asked for again.
        if (outcome.loginRefused && !m_settings.user.isEmpty()) {
            Label6->show();
            Edit4->show();
            Edit4->clear();
        }
        base::ShowMessage(outcome.text);
        return;
    }
    const QStringList recipients = m_message.to + m_message.cc;
    QString kept;
    if (!m_typedPassword.isEmpty() && KeepPassword(m_settings, m_typedPassword, &kept) == Kept::InStore) kept.clear();
    QString text = kSent.arg(recipients.join(QStringLiteral(", ")));
    if (!RecordSent(QDateTime::currentDateTime(), m_draft.reference, recipients, m_message.subject))
        text = kNotLogged.arg(kMailLogFile);
    if (!kept.isEmpty()) text += QLatin1Char('\n') + kInMemoryOnly.arg(kept);
    keepAsUnchanged();
    accept();
    base::ShowMessage(text);
}

void TEMail::BtnCancelClick() { reject(); }

void TEMail::reject() {
    if (sending()) {
        Label7->setText(kStopping);
        m_job->cancel();
        return;
    }
    ui::EditWindow::reject();
}

}  // namespace mail
