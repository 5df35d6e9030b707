#include "mail/MailLog.h"

#include <QFile>

#include "store/DataLocation.h"

namespace mail {

bool RecordSent(const QDateTime& when, const QString& reference, const QStringList& recipients,
                const QString& subject) {
    QFile log(store::DataFile(kMailLogFile));
    if (!log.open(QIODevice::Append | QIODevice::Text)) return false;
    QString oneField = subject;
    oneField.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const QString line = when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char('\t') + reference +
                         QLatin1Char('\t') + recipients.join(QStringLiteral(", ")) + QLatin1Char('\t') + oneField +
                         QLatin1Char('\n');
    const QByteArray bytes = line.toUtf8();
    return log.write(bytes) == bytes.size() && log.flush();
}

}  // namespace mail
