#include "mail/MailSender.h"

#include <QRegularExpression>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace mail {
namespace {

struct Upload {
    const QByteArray* data;
    qsizetype at = 0;
    const std::atomic<bool>* cancel;
    QByteArray lastRefusal;  // the server's last 4xx or 5xx answer, for the message (never what we sent)
};

size_t readMime(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, size_t(up->data->size() - up->at));
    std::memcpy(buffer, up->data->constData() + up->at, n);
    up->at += qsizetype(n);
    return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Upload*>(user)->cancel->load() ? 1 : 0;
}

// Only the server's answers are kept: what the program sends includes the login.
int debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_IN && (line.startsWith('4') || line.startsWith('5')))
        static_cast<Upload*>(user)->lastRefusal = line;
    return 0;
}

// This computer's own addresses: localhost, 127.0.0.0/8 and ::1.
bool isLocal(const QString& host) {
    static const QRegularExpression loopback(QStringLiteral(R"(^(localhost|::1|127(\.\d{1,3}){3})$)"));
    return loopback.match(host.trimmed()).hasMatch();
}

QString serverName(const ServerSettings& s) { return QStringLiteral("%1 (port %2)").arg(s.host).arg(s.port); }

QString outcomeText(CURLcode code, const char* error, const QByteArray& reply, const ServerSettings& s) {
    const QString detail = QString::fromUtf8(reply);
    const QString because = detail.isEmpty() ? QString() : QStringLiteral(" The server said: ") + detail;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("The mail server %1 was not found. Check its name in Mail Server.").arg(s.host);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("The mail server %1 refused the connection. Check the server and port in Mail Server.")
            .arg(serverName(s));
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("The mail server %1 did not answer within %2 seconds. The message was not sent.")
            .arg(serverName(s))
            .arg(s.timeoutSeconds);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("The mail server refused the user name or the password.") + because;
    case CURLE_ABORTED_BY_CALLBACK: return QStringLiteral("Sending was cancelled. The message was not sent.");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("The mail server %1 does not offer STARTTLS. Choose TLS, or the port your provider "
                              "names for STARTTLS.")
            .arg(serverName(s));
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("No secure connection could be made with the mail server %1: %2")
            .arg(serverName(s), QString::fromUtf8(error));
    default: break;
    }
    if (std::strncmp(error, "RCPT failed", 11) == 0) return QStringLiteral("The mail server refused a recipient.") + because;
    // 530: the server takes mail only from a client that logged in (or that secured the connection).
    if (std::strncmp(error, "MAIL failed", 11) == 0 && std::strstr(error, "530"))
        return QStringLiteral("The mail server wants a user name and password (or STARTTLS) before it accepts mail. "
                              "Set them in Mail Server.") + because;
    if (std::strncmp(error, "MAIL failed", 11) == 0)
        return QStringLiteral("The mail server refused the sender's address.") + because;
    return QStringLiteral("The message could not be sent: %1.").arg(QString::fromUtf8(*error ? error : curl_easy_strerror(code))) +
           because;
}

}  // namespace

QString SettingsProblem(const ServerSettings& s) {
    if (s.host.trimmed().isEmpty()) return QStringLiteral("No mail server is set. Set one in Mail Server.");
    if (s.port < 1 || s.port > 65535) return QStringLiteral("The mail server's port must be from 1 to 65535.");
    if (s.security == Security::None && !isLocal(s.host))
        return QStringLiteral("Without security mail goes only to a relay on this computer (127.0.0.1). Choose "
                              "STARTTLS or TLS for %1.")
            .arg(s.host);
    return {};
}

SendOutcome SendMail(const ServerSettings& s, const QString& password, const QStringList& recipients,
                     const QByteArray& mime, const std::atomic<bool>& cancel) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (const QString problem = SettingsProblem(s); !problem.isEmpty()) return {false, problem};

    CURL* curl = curl_easy_init();
    if (!curl) return {false, QStringLiteral("The message could not be sent: no memory for the connection.")};
    const QByteArray url = (s.security == Security::Tls ? "smtps://" : "smtp://") + s.host.trimmed().toUtf8() + ':' +
                           QByteArray::number(s.port);
    const QByteArray user = s.user.toUtf8();
    const QByteArray pass = password.toUtf8();
    const QByteArray from = '<' + s.fromAddress.toUtf8() + '>';
    curl_slist* rcpt = nullptr;
    for (const QString& r : recipients) rcpt = curl_slist_append(rcpt, ('<' + r.toUtf8() + '>').constData());
    Upload up{&mime, 0, &cancel, {}};
    char error[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(s.security == Security::None ? CURLUSESSL_NONE : CURLUSESSL_ALL));
    if (!s.user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, pass.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readMime);
    curl_easy_setopt(curl, CURLOPT_READDATA, &up);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(mime.size()));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &up);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, debug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &up);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);  // feeds the debug function; nothing is printed
    // The timeout bounds each wait, not the whole send: a large attachment on a slow line still goes.
    const long timeout = std::max(1, s.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);

    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    if (code == CURLE_OK) return {true, {}};
    return {false, outcomeText(code, error, up.lastRefusal, s), code == CURLE_LOGIN_DENIED};
}

MailJob::MailJob(QObject* parent) : QObject(parent) { qRegisterMetaType<mail::SendOutcome>(); }

MailJob::~MailJob() {
    cancel();
    join();
}

void MailJob::join() {
    if (m_thread.joinable()) m_thread.join();
}

void MailJob::start(const ServerSettings& settings, const QString& password, const QStringList& recipients,
                    const QByteArray& mime) {
    join();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    m_thread = std::thread([this, settings, password, recipients, mime, cancel = m_cancel] {
        const SendOutcome outcome = SendMail(settings, password, recipients, mime, *cancel);
        // Delivered on the job's thread; dropped when the job is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                join();
                m_running = false;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    });
}

void MailJob::cancel() {
    if (m_cancel) m_cancel->store(true);
}

}  // namespace mail
