#pragma once
// A real mail server for a test: smtp_server.py (Debian's python3-aiosmtpd) on 127.0.0.1 on a free
// port, started by the constructor and stopped by the destructor. What it received is read back with
// Python's email package into one JSON summary per message.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "mail/MailSender.h"

namespace mail_test {

struct ServerOptions {
    QString auth;    // "user:password": the server requires this login
    QString refuse;  // a recipient the server refuses
    bool silent = false;  // accepts connections and never answers

    static ServerOptions login(const QString& auth) { return {auth, {}, false}; }
    static ServerOptions refusing(const QString& address) { return {{}, address, false}; }
    static ServerOptions mute() { return {{}, {}, true}; }
};

class SmtpServer {
public:
    using Options = ServerOptions;
    SmtpServer() : SmtpServer(Options{}) {}
    explicit SmtpServer(const Options& options) {
        QStringList args = {QStringLiteral(CORVANE_SOURCE_DIR "/tests/mail/smtp_server.py"), m_dir.path()};
        if (!options.auth.isEmpty()) args << QStringLiteral("--auth") << options.auth;
        if (!options.refuse.isEmpty()) args << QStringLiteral("--refuse") << options.refuse;
        if (options.silent) args << QStringLiteral("--silent");
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        EXPECT_TRUE(m_process.waitForStarted(10000)) << "python3-aiosmtpd is needed (scripts/deps.sh)";
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && clock.elapsed() < 20000 && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(500);
        const QByteArray line = m_process.readLine().trimmed();
        EXPECT_TRUE(line.startsWith("PORT ")) << "the test mail server did not start: " << line.toStdString();
        m_port = line.mid(5).toInt();
    }
    ~SmtpServer() {
        m_process.closeWriteChannel();  // the server's signal to stop
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    int port() const { return m_port; }
    // The n-th message received (from 1), as the server's email package read it; empty when none.
    QJsonObject received(int n = 1) const {
        QFile file(m_dir.filePath(QStringLiteral("%1.json").arg(n)));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    static QByteArray fileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// A port on 127.0.0.1 where nothing listens.
inline int closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// The settings of a local relay at port (no security: only 127.0.0.1 may be used so).
inline mail::ServerSettings localServer(int port) {
    mail::ServerSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.security = mail::Security::None;
    s.fromAddress = QStringLiteral("office@corvane.test");
    s.fromName = QStringLiteral("Harbour Stationers");
    s.timeoutSeconds = 2;
    return s;
}

}  // namespace mail_test
