#pragma once
// The record of what was sent: one line per message in "Mail.log" beside the data files (in the data
// directory, store::DataDir()): when, what, to whom, under which subject. Never the body or a password.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace mail {

inline const QString kMailLogFile = QStringLiteral("Mail.log");

// Appends "yyyy-MM-dd hh:mm:ss<TAB>reference<TAB>recipients<TAB>subject" (UTF-8). False when the log
// could not be written.
bool RecordSent(const QDateTime& when, const QString& reference, const QStringList& recipients,
                const QString& subject);

}  // namespace mail
