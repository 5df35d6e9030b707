#pragma once
// TEMail ("Email"): sends one document as a PDF to the customer. The invoice window and the report
// window hand it a draft (addresses, subject, body, the attachment); the user may change the texts
// and sends. Sending runs on a worker thread: the window shows it, Cancel stops it, and the window
// stays open with the user's text when the message could not be sent.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "mail/MailMessage.h"
#include "mail/MailSender.h"
#include "ui/EditWindow.h"

namespace mail {

class TEMail : public ui::EditWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 640;  // F1: the e-mail page
    explicit TEMail(QWidget* parent = nullptr);

    // The window's contents at its next showing.
    void setDraft(const Draft& draft);
    bool sending() const { return m_job->running(); }

    QLineEdit* Edit1;           // To
    QLineEdit* Edit2;           // Cc
    QLineEdit* Edit3;           // Subject
    QPlainTextEdit* Memo1;      // the message
    QLabel* Label5;             // the attachment: file name and size
    QLabel* Label6;             // "Password"
    QLineEdit* Edit4;           // the password, when no store or session holds it
    QProgressBar* ProgressBar1; // moves while sending
    QLabel* Label7;             // what the sending does or did
    QPushButton* BtnSend;
    QPushButton* BtnCancel;

    // Escape and the title bar's close stop a send first; the window closes when nothing is sending.
    void reject() override;

public slots:
    void BtnSendClick();
    void BtnCancelClick();

protected:
    void FormShow() override;

private:
    void sendFinished(const SendOutcome& outcome);
    void setSending(bool sending);
    // The message from the fields; false (and the user told) when it cannot go as it is.
    bool readMessage(Message* message);

    MailJob* m_job;
    Draft m_draft;
    ServerSettings m_settings;
    Message m_message;
    QString m_typedPassword;  // kept once the server took it
};

}  // namespace mail
