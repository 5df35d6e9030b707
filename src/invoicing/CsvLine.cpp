#include "invoicing/CsvLine.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

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

namespace {

QString sizeText(qint64 bytes) {
    if (bytes % (1024 * 1024) == 0) return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    if (bytes % 1024 == 0) return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

}  // namespace

QString ReadTextLines(const QString& path, QStringList* lines, const TextLimits& limits) {
    lines->clear();
    if (!QFileInfo(path).isFile()) return QStringLiteral("is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("could not be read (%1)").arg(file.errorString());
    if (!limits.firstLineOnly && file.size() > limits.maxBytes)
        return QStringLiteral("is larger than %1").arg(sizeText(limits.maxBytes));
    QByteArray bytes = file.read(limits.maxBytes);
    if (file.error() != QFileDevice::NoError) return QStringLiteral("could not be read (%1)").arg(file.errorString());
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringLiteral("is UTF-16 text; save it as UTF-8 or Windows-1252");
    static const QByteArray kUtf8Mark("\xEF\xBB\xBF");
    bool utf8 = bytes.startsWith(kUtf8Mark);
    if (utf8) bytes.remove(0, kUtf8Mark.size());
    if (limits.firstLineOnly) {
        const qsizetype end = bytes.indexOf('\n'), cr = bytes.indexOf('\r');
        const qsizetype cut = end < 0 ? cr : cr < 0 ? end : qMin(end, cr);
        if (cut >= 0) bytes.truncate(cut);
        else if (file.size() > limits.maxBytes) return QStringLiteral("has a first line longer than %1").arg(sizeText(limits.maxBytes));
    }
    if (bytes.isEmpty()) return {};
    QString text;
    if (utf8) {
        text = QString::fromUtf8(bytes);
    } else {
        // Bytes beyond ASCII that read as UTF-8 are UTF-8: Windows-1252 text seldom does by chance.
        const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
        QStringDecoder decoder(QStringDecoder::Utf8);
        text = decoder.decode(bytes);
        if (ascii || decoder.hasError()) text = base::Cp1252::toUnicode(bytes);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    *lines = text.split(QLatin1Char('\n'));
    if (lines->size() > limits.maxLines) {
        lines->clear();
        return QStringLiteral("has more than %1 lines").arg(limits.maxLines);
    }
    for (qsizetype n = 0; n < lines->size(); ++n)
        if (const qsizetype bad = base::Cp1252::firstUnfit(lines->at(n)); bad >= 0) {
            const QString c = lines->at(n).mid(bad, lines->at(n).at(bad).isHighSurrogate() ? 2 : 1);
            lines->clear();
            return QStringLiteral("line %1 holds \"%2\", which cannot be stored").arg(n + 1).arg(c);
        }
    return {};
}

}  // namespace invoicing
