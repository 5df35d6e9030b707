#pragma once
// TMailServer ("Mail Server"): the preference window of the mail server the program sends through,
// the sender, the message template and the password (kept in the desktop's secret store, or for the
// session only where there is none). "Send Test Message" sends a message to the sender's own address
// with what the fields hold, before they are saved.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "mail/MailSender.h"
#include "ui/EditWindow.h"

namespace mail {

class TMailServer : public ui::EditWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 640;  // F1: the e-mail page
    explicit TMailServer(QWidget* parent = nullptr);

    bool sending() const { return m_job->running(); }

    QLineEdit* Edit1;        // server
    QSpinBox* SpinEdit1;     // port
    QComboBox* ComboBox1;    // security: STARTTLS, TLS, none
    QLineEdit* Edit2;        // user name
    QLineEdit* Edit3;        // password; empty keeps the one kept
    QLineEdit* Edit4;        // sender's address
    QLineEdit* Edit5;        // sender's name
    QSpinBox* SpinEdit2;     // timeout in seconds
    QPlainTextEdit* Memo1;   // the message template
    QLabel* Label9;          // where the password is kept; what the test does
    QPushButton* BtnTest;    // "Send Test Message"
    QPushButton* BtnSave;
    QPushButton* BtnCancel;

    void reject() override;

public slots:
    void ComboBox1Change(int index);
    void BtnTestClick();
    void BtnSaveClick();
    void BtnCancelClick();

protected:
    void FormShow() override;

private:
    ServerSettings fields() const;
    // The settings of the fields, or false (the user told) when they cannot be used.
    bool readFields(ServerSettings* settings);
    // The password the fields stand for: the one typed, else the one kept.
    QString password(const ServerSettings& settings) const;
    void testFinished(const SendOutcome& outcome);

    MailJob* m_job;
    QString m_testAddress;
};

}  // namespace mail
