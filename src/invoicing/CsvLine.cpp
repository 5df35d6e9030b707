#include "invoicing/CsvLine.h"

#include <QFile>

#include <utility>

#include "base/Cp1252.h"

namespace invoicing {

QStringList SplitCsvLine(const QString& line, int* lastField) {
    QStringList fields;
    QString current;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields << std::exchange(current, QString());
        else
            current += c;
    }
    fields << current;
    if (lastField) *lastField = int(fields.size()) - 1;
    return fields;
}

bool ReadTextLines(const QString& path, QStringList* lines) {
    lines->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    static const QByteArray kUtf8Mark("\xEF\xBB\xBF");
    if (bytes.startsWith(kUtf8Mark)) bytes.remove(0, kUtf8Mark.size());
    if (bytes.isEmpty()) return true;
    if (bytes.endsWith('\n')) bytes.chop(1);
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        *lines << base::Cp1252::toUnicode(line);
    }
    return true;
}

}  // namespace invoicing
