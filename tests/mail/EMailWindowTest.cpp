// The e-mail window on the user's road: "Email" on the invoice window, the message typed into and sent
// to a real server on 127.0.0.1, read back there; the roads on which it is not sent; the mail server
// window and its test message; the report window's Email for one customer's documents.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include "FakeSecretStore.h"
#include "SmtpServer.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "base/ReportOutput.h"
#include "invoicing/InvoiceFixture.h"
#include "invoicing/InvoiceStore.h"
#include "invoicing/InvoiceU.h"
#include "mail/EMailU.h"
#include "mail/MailLog.h"
#include "mail/MailServerU.h"
#include "reports/ReportCommands.h"
#include "reports/ReportRender.h"
#include "reports/ReportU.h"
#include "reports/RptGen.h"
#include "reports/RptUtil.h"

namespace mail_test {
namespace {

using mail::TEMail;

class EMailWindowTest : public invoice_test::InvoiceTablesTest {
protected:
    void SetUp() override {
        InvoiceTablesTest::SetUp();
        m_previousFile = mail::SettingsFile;
        mail::SettingsFile = path(QStringLiteral("corvane.conf"));
        store::SettingsRec.Company = QStringLiteral("Harbour Stationers");
        ASSERT_EQ(store::CustTable->go(1), 0);
        store::LoadCust();
        store::CustRec.email = QStringLiteral("ada@okafor.test");
        ASSERT_TRUE(store::StoreCust().ok());
        app::CreateForms();
    }
    void TearDown() override {
        app::DestroyForms();
        mail::SettingsFile = m_previousFile;
        InvoiceTablesTest::TearDown();
    }
    void useServer(int port, const QString& user = {}) {
        mail::ServerSettings s = localServer(port);
        s.user = user;
        ASSERT_TRUE(mail::SaveServerSettings(s));
    }
    // Invoice 1001 for customer 7 with one line, saved.
    void saveInvoice() {
        startNew();
        setLines({line("PEN-B", 3, 2.5)});
        store::InvRec.Due = 7.50_dec;  // as the window shows it
        dialogs->answerInput("1001");
        ASSERT_EQ(invoicing::SaveInvoice().status, invoicing::SaveStatus::Saved);
    }
    // The e-mail window on a draft, the steps run in it.
    void withEmail(const QString& to, std::function<void(TEMail&)> steps) {
        auto* window = app::Form<TEMail>();
        window->setDraft({to, QStringLiteral("Invoice 1001 from Harbour Stationers"), QStringLiteral("Dear Ada"),
                          {QStringLiteral("Invoice-1001.pdf"), QStringLiteral("application/pdf"), QByteArray("%PDF-1.4")},
                          QStringLiteral("Invoice-1001")});
        // The facade installed now: a test may put one of its own over the fixture's.
        dynamic_cast<testing_support::ScriptedDialogs&>(base::dialogs()).onModal<TEMail>(std::move(steps));
        base::dialogs().showModal(window);
    }
    static bool sendAndWait(TEMail& m) {
        QTest::mouseClick(m.BtnSend, Qt::LeftButton);
        return QTest::qWaitFor([&] { return !m.sending(); }, 20000);
    }
    QByteArray mailLog() const {
        QFile f(path(mail::kMailLogFile));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The renderer's PDF of invoice 1001, as the report window exports it.
    QByteArray rendererPdf() {
        load(1);
        reports::SetupDocumentTable();
        reports::AddInvoiceDocument(reports::DocKind::Invoice);
        const QString file = path(QStringLiteral("reference.pdf"));
        EXPECT_TRUE(reports::WritePdf(file, base::ReportFont, reports::ReportLines, reports::ReportWidth));
        reports::EndReport();
        return SmtpServer::fileBytes(file);
    }
    // A PDF without what differs between two writings of it: the moment and the random document id.
    static QByteArray withoutMoment(const QByteArray& pdf) {
        static const QRegularExpression moment(QStringLiteral(R"(/CreationDate \(D:[^)]*\)|/ID \[ <[0-9a-f]*> <[0-9a-f]*> \])"));
        return QString::fromLatin1(pdf).replace(moment, QStringLiteral("-")).toLatin1();
    }

    FakeSecretStore store;
    QString m_previousFile;
};

TEST_F(EMailWindowTest, EmailOnTheInvoiceSendsItsPdfToTheCustomer) {
    SmtpServer server;
    useServer(server.port());
    saveInvoice();
    const QString due = QStringLiteral("7.50");  // three pens at 2.50, no tax, nothing paid
    store::CurInvoiceRec = 1;
    dialogs->onModal<invoicing::TInvoice>([&](invoicing::TInvoice& w) {
        EXPECT_TRUE(w.Button1->isVisible());
        dialogs->onModal<TEMail>([&](TEMail& m) {
            EXPECT_EQ(m.Edit1->text(), QStringLiteral("ada@okafor.test"));
            EXPECT_EQ(m.Edit3->text(), QStringLiteral("Invoice 1001 from Harbour Stationers"));
            EXPECT_TRUE(m.Label5->text().startsWith(QLatin1String("Invoice-1001.pdf ("))) << m.Label5->text().toStdString();
            EXPECT_FALSE(m.Edit4->isVisible());  // no login, no password
            QTest::keyClicks(m.Edit1, "; boss@okafor.test");
            QTest::keyClick(m.Edit1, Qt::Key_Tab);
            QTest::keyClicks(m.Edit2, " books@corvane.test ");
            ASSERT_TRUE(sendAndWait(m));
            EXPECT_EQ(m.result(), QDialog::Accepted);
        });
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    base::dialogs().showModal(app::Form<invoicing::TInvoice>());

    const QStringList everyone = {"ada@okafor.test", "boss@okafor.test", "books@corvane.test"};
    // After the report layer's one word that there is no printer.
    EXPECT_EQ(dialogs->messages().last(), "The message was sent to " + everyone.join(", ") + ".");
    const QJsonObject got = server.received();
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got["rcpt_tos"].toVariant().toStringList(), everyone);
    EXPECT_EQ(got["subject"].toString(), QStringLiteral("Invoice 1001 from Harbour Stationers"));
    const QString body = got["body"].toString();
    for (const QString& filled : {"Invoice 1001 of 5/4/26 for " + due, "The balance due is " + due, QString("Harbour Stationers")})
        EXPECT_TRUE(body.contains(filled)) << filled.toStdString() << " in " << body.toStdString();
    EXPECT_TRUE(got["message_id_ok"].toBool());
    const QJsonArray files = got["attachments"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0]["filename"].toString(), QStringLiteral("Invoice-1001.pdf"));
    const QByteArray attached = SmtpServer::fileBytes(files[0]["path"].toString());
    EXPECT_TRUE(attached.startsWith("%PDF"));
    EXPECT_TRUE(withoutMoment(attached) == withoutMoment(rendererPdf()));
    // One line in the mail log, without the body.
    const QList<QByteArray> logged = mailLog().split('\n');
    ASSERT_EQ(logged.size(), 2);
    EXPECT_TRUE(logged[0].contains("\tInvoice-1001\tada@okafor.test, boss@okafor.test, books@corvane.test\tInvoice 1001 from"));
    EXPECT_FALSE(mailLog().contains("balance due"));
}

TEST_F(EMailWindowTest, WhatTheServerRefusesLeavesTheWindowOpenWithTheUsersText) {
    const struct {
        const char* road;
        SmtpServer::Options server;
        bool closed;
        const char* user;
        const char* says;
    } cases[] = {
        {"connection refused", ServerOptions{}, true, "", "refused the connection"},
        {"login refused", ServerOptions::login("clerk:s3cret"), false, "clerk", "refused the user name or the password"},
        {"recipient refused", ServerOptions::refusing("ada@okafor.test"), false, "", "refused a recipient"},
        {"no answer", ServerOptions::mute(), false, "", "did not answer within 2 seconds"},
    };
    for (const auto& c : cases) {
        SmtpServer server(c.server);
        useServer(c.closed ? closedPort() : server.port(), QString::fromUtf8(c.user));
        testing_support::ScriptedDialogs local;
        withEmail(QStringLiteral("ada@okafor.test"), [&](TEMail& m) {
            if (m.Edit4->isVisible()) QTest::keyClicks(m.Edit4, "wrong");
            QTest::keyClicks(m.Edit3, " (copy)");
            QElapsedTimer clock;
            clock.start();
            ASSERT_TRUE(sendAndWait(m)) << c.road;
            EXPECT_LT(clock.elapsed(), 8000) << c.road << ": gives up within the timeout";
            EXPECT_TRUE(m.isVisible()) << c.road;
            EXPECT_EQ(m.Edit3->text(), QStringLiteral("Invoice 1001 from Harbour Stationers (copy)")) << c.road;
            EXPECT_EQ(m.Label7->text(), QStringLiteral("Not sent.")) << c.road;
            // A refused password is asked for again.
            EXPECT_EQ(m.Edit4->isVisible(), QByteArray(c.user) == "clerk") << c.road;
            m.reject();
        });
        ASSERT_EQ(local.messages().size(), 1) << c.road;
        EXPECT_TRUE(local.messages()[0].contains(QLatin1String(c.says))) << c.road << ": " << local.messages()[0].toStdString();
        EXPECT_TRUE(server.received().isEmpty()) << c.road;
        EXPECT_TRUE(mailLog().isEmpty()) << c.road;
        EXPECT_TRUE(store.secrets.isEmpty()) << c.road;
    }
}

TEST_F(EMailWindowTest, LineBreaksAndBadAddressesAreRefusedBeforeSending) {
    useServer(closedPort());
    const struct {
        const char* to;
        const char* subject;
        const char* says;
    } cases[] = {
        {"ada@okafor.test", "Invoice\r\nBcc: eve@evil.test", "The Subject holds a line break"},
        {"ada@okafor.test\nBcc: eve@evil.test", "Invoice", "The To holds a line break"},
        {"ada@okafor.test, eve at evil", "Invoice", "\"eve at evil\" is not an e-mail address."},
        {" ; ", "Invoice", "Type the address the message goes to."},
    };
    for (const auto& c : cases) {
        testing_support::ScriptedDialogs local;
        withEmail(QString(), [&](TEMail& m) {
            m.Edit1->setText(QString::fromUtf8(c.to));  // pasted
            m.Edit3->setText(QString::fromUtf8(c.subject));
            QTest::mouseClick(m.BtnSend, Qt::LeftButton);
            EXPECT_FALSE(m.sending()) << c.to;
            EXPECT_TRUE(m.isVisible());
            m.reject();
        });
        ASSERT_EQ(local.messages().size(), 1) << c.to;
        EXPECT_TRUE(local.messages()[0].startsWith(QLatin1String(c.says))) << local.messages()[0].toStdString();
    }
}

TEST_F(EMailWindowTest, CancelStopsTheSendingAndKeepsTheWindow) {
    SmtpServer silent(ServerOptions::mute());
    mail::ServerSettings s = localServer(silent.port());
    s.timeoutSeconds = 60;
    ASSERT_TRUE(mail::SaveServerSettings(s));
    withEmail(QStringLiteral("ada@okafor.test"), [&](TEMail& m) {
        QTest::mouseClick(m.BtnSend, Qt::LeftButton);
        ASSERT_TRUE(m.sending());
        EXPECT_FALSE(m.BtnSend->isEnabled());
        EXPECT_FALSE(m.Edit1->isEnabled());
        QTest::mouseClick(m.BtnCancel, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m.sending(); }, 10000));
        EXPECT_TRUE(m.isVisible());
        EXPECT_TRUE(m.Edit1->isEnabled());
        QTest::keyClick(&m, Qt::Key_Escape);  // now it closes
        EXPECT_FALSE(m.isVisible());
    });
    EXPECT_EQ(dialogs->messages(), QStringList{"Sending was cancelled. The message was not sent."});
}

TEST_F(EMailWindowTest, WithoutASecretStoreThePasswordTypedLastsTheSession) {
    SmtpServer server(ServerOptions::login(QStringLiteral("clerk:s3cret")));
    useServer(server.port(), QStringLiteral("clerk"));
    FakeSecretStore none(false);
    withEmail(QStringLiteral("ada@okafor.test"), [&](TEMail& m) {
        ASSERT_TRUE(m.Edit4->isVisible());
        QTest::keyClicks(m.Edit4, "s3cret");
        ASSERT_TRUE(sendAndWait(m));
    });
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages()[0].endsWith(
        QLatin1String("This desktop has no secret store; the password is kept until the program ends.")));
    withEmail(QStringLiteral("ada@okafor.test"), [&](TEMail& m) {
        EXPECT_FALSE(m.Edit4->isVisible());  // this session knows it
        ASSERT_TRUE(sendAndWait(m));
    });
    EXPECT_FALSE(server.received(2).isEmpty());
    EXPECT_FALSE(QFile(mail::SettingsFile).exists() && SmtpServer::fileBytes(mail::SettingsFile).contains("s3cret"));
}

TEST_F(EMailWindowTest, MailServerWindowTestsAndSavesTheSettings) {
    SmtpServer server(ServerOptions::login(QStringLiteral("clerk:s3cret")));
    dialogs->onModal<mail::TMailServer>([&](mail::TMailServer& w) {
        QTest::keyClicks(w.Edit1, "127.0.0.1");
        w.ComboBox1->setFocus();
        QTest::keyClick(w.ComboBox1, Qt::Key_Down);
        QTest::keyClick(w.ComboBox1, Qt::Key_Down);  // none: a relay on this computer
        EXPECT_EQ(w.SpinEdit1->value(), 25);
        w.SpinEdit1->setFocus();
        QTest::keyClick(w.SpinEdit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.SpinEdit1, QString::number(server.port()));
        QTest::keyClicks(w.Edit2, "clerk");
        QTest::keyClicks(w.Edit3, "s3cret");
        QTest::keyClicks(w.Edit4, "office@corvane.test");
        QTest::keyClicks(w.Edit5, "Harbour Stationers");
        QTest::mouseClick(w.BtnTest, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.sending(); }, 20000));
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
    });
    app::Form<app::TMain>()->BtnMailServer->click();
    EXPECT_EQ(dialogs->messages(), (QStringList{"The test message was sent to office@corvane.test.",
                                                "The password is kept in the desktop's secret store."}));
    const QJsonObject got = server.received();
    EXPECT_EQ(got["rcpt_tos"].toVariant().toStringList(), QStringList{"office@corvane.test"});
    EXPECT_EQ(got["subject"].toString(), QStringLiteral("Test message from Corvane Invoicing"));
    const mail::ServerSettings saved = mail::LoadServerSettings();
    EXPECT_EQ(saved.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(saved.port, server.port());
    EXPECT_EQ(saved.security, mail::Security::None);
    EXPECT_EQ(store.secrets.value(QStringLiteral("clerk@127.0.0.1")), QStringLiteral("s3cret"));
    EXPECT_FALSE(SmtpServer::fileBytes(mail::SettingsFile).contains("s3cret"));
}

// Statements picked for one customer can be sent to them; the invoices of two customers cannot.
TEST_F(EMailWindowTest, ReportWindowSendsOneCustomersDocumentsOnly) {
    SmtpServer server;
    useServer(server.port());
    saveInvoice();
    addCustomer(8, QStringLiteral("Baker"));
    startNew();
    store::InvRec.CuNo = 8;
    setLines({line("INK-1", 1, 12)});
    ASSERT_EQ(invoicing::SaveInvoice().status, invoicing::SaveStatus::Saved);

    reports::BeginPickedStatements();
    reports::AddPickedStatement(1);
    dialogs->onModal<reports::TReportF>([&](reports::TReportF& r) {
        ASSERT_TRUE(r.mEmail->isEnabled());
        dialogs->onModal<TEMail>([&](TEMail& m) {
            EXPECT_EQ(m.Edit1->text(), QStringLiteral("ada@okafor.test"));
            EXPECT_EQ(m.Edit3->text(), QStringLiteral("Statement from Harbour Stationers"));
            ASSERT_TRUE(sendAndWait(m));
        });
        r.mEmail->trigger();
    });
    reports::ShowReport();
    const QJsonArray files = server.received()["attachments"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0]["filename"].toString().startsWith(QLatin1String("Statement-"))) << files[0]["filename"].toString().toStdString();

    reports::AddInvoicesInSpan(reports::DocKind::Invoice, store::InvRec.IDate, store::InvRec.IDate);
    ASSERT_EQ(reports::ReportDocuments.size(), 2);
    dialogs->onModal<reports::TReportF>([&](reports::TReportF& r) {
        EXPECT_FALSE(r.mEmail->isEnabled());
        EXPECT_TRUE(r.mEmail->toolTip().startsWith(QLatin1String("These documents belong to several customers.")));
    });
    reports::ShowReport();
}

}  // namespace
}  // namespace mail_test
