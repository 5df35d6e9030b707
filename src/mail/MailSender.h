#pragma once
// Sending a composed message over SMTP (libcurl does the protocol). SendMail blocks, so the windows
// run it on a worker thread through MailJob, which reports back on the thread that started it and
// can be cancelled. Nothing here keeps or logs the password or the message.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>

namespace mail {

enum class Security { StartTls, Tls, None };

// The mail server of the user's program settings (MailSettings).
struct ServerSettings {
    QString host;
    int port = 587;
    Security security = Security::StartTls;
    QString user;          // empty: the server takes mail without logging in
    QString fromAddress;
    QString fromName;
    int timeoutSeconds = 30;  // connecting, and each wait for the server's answer
};

// Without security the password and the message would cross the network readable: only a relay on
// this computer is sent to that way. Empty when the settings can be used; else what to change.
QString SettingsProblem(const ServerSettings& settings);

struct SendOutcome {
    bool sent = false;
    QString text;  // for the user: what went wrong (empty when sent)
    bool loginRefused = false;  // the server refused the user name or the password
};

// Sends mime from settings.fromAddress to recipients. Returns when the server accepted the message,
// refused it, did not answer within the timeout, or cancel became true.
SendOutcome SendMail(const ServerSettings& settings, const QString& password, const QStringList& recipients,
                     const QByteArray& mime, const std::atomic<bool>& cancel);

// One send on a worker thread. finished() is emitted once, on the thread that owns the job.
class MailJob : public QObject {
    Q_OBJECT
public:
    explicit MailJob(QObject* parent = nullptr);
    ~MailJob() override;  // cancels a send still running and waits for it

    void start(const ServerSettings& settings, const QString& password, const QStringList& recipients,
               const QByteArray& mime);
    void cancel();
    bool running() const { return m_running; }

signals:
    void finished(const mail::SendOutcome& outcome);

private:
    void join();

    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    bool m_running = false;
};

}  // namespace mail

Q_DECLARE_METATYPE(mail::SendOutcome)
