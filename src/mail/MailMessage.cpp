#include "mail/MailMessage.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

#include <utility>

namespace mail {
namespace {

constexpr int kLineLimit = 76;          // encoded lines, as MIME asks (SMTP allows 998)
constexpr int kEncodedWordChunk = 39;   // UTF-8 bytes per encoded word: 52 base64 characters, 64 in all
const QByteArray kCrLf = "\r\n";

bool isAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7e || (c.unicode() < 0x20 && c != QLatin1Char('\t'))) return false;
    return true;
}

// A UTF-8 byte sequence cut into pieces of at most limit bytes, never inside a character.
QList<QByteArray> utf8Pieces(const QString& text, int limit) {
    QList<QByteArray> pieces;
    QByteArray piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, width).toUtf8();
        i += width - 1;
        if (piece.size() + bytes.size() > limit) pieces.append(std::exchange(piece, {}));
        piece += bytes;
    }
    if (!piece.isEmpty()) pieces.append(piece);
    return pieces;
}

// A header's value: as it is when ASCII, else as base64 encoded words; folded onto continuation lines
// at blanks so that no line passes the limit. nameLength: the "Subject: " before it.
QByteArray headerValue(const QString& value, int nameLength) {
    QList<QByteArray> words;
    if (isAscii(value)) {
        for (const QString& w : value.split(QLatin1Char(' '))) words.append(w.toLatin1());
    } else {
        for (const QByteArray& piece : utf8Pieces(value, kEncodedWordChunk))
            words.append("=?UTF-8?B?" + piece.toBase64() + "?=");
    }
    QByteArray out;
    int column = nameLength;
    for (int i = 0; i < words.size(); ++i) {
        if (i > 0) {
            if (column + 1 + words[i].size() > kLineLimit) {
                out += kCrLf;
                column = 0;
            }
            out += ' ';
            ++column;
        }
        out += words[i];
        column += int(words[i].size());
    }
    return out;
}

QByteArray header(const char* name, const QString& value) {
    const QByteArray n = QByteArray(name) + ": ";
    return n + headerValue(value, int(n.size())) + kCrLf;
}

// A header of bare addresses, one continuation line each after the first.
QByteArray addressHeader(const char* name, const QStringList& addresses) {
    return QByteArray(name) + ": " + addresses.join(QStringLiteral(",\r\n ")).toLatin1() + kCrLf;
}

QByteArray fromHeader(const Message& m) {
    if (m.fromName.trimmed().isEmpty()) return addressHeader("From", {m.fromAddress});
    QString name = m.fromName.trimmed();
    if (isAscii(name)) name = QLatin1Char('"') + QString(name).replace(QLatin1Char('\\'), QLatin1String("\\\\"))
                                                     .replace(QLatin1Char('"'), QLatin1String("\\\"")) +
                              QLatin1Char('"');
    return "From: " + headerValue(name, 6) + " <" + m.fromAddress.toLatin1() + '>' + kCrLf;
}

// Quoted-printable: printable ASCII as it is, the rest as =XX, blanks at a line's end encoded, soft
// breaks keeping every line within the limit.
QByteArray quotedPrintable(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QByteArray out;
    const QList<QByteArray> lines = normal.toUtf8().split('\n');
    for (int l = 0; l < lines.size(); ++l) {
        const QByteArray& line = lines[l];
        int column = 0;
        for (int i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            const bool last = i == line.size() - 1;
            QByteArray piece;
            if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last))
                piece = QByteArray(1, char(c));
            else
                piece = '=' + QByteArray(1, char(c)).toHex().toUpper();
            if (column + piece.size() > kLineLimit - 1) {
                out += "=" + kCrLf;
                column = 0;
            }
            out += piece;
            column += int(piece.size());
        }
        if (l < lines.size() - 1) out += kCrLf;
    }
    return out;
}

QByteArray base64Lines(const QByteArray& data) {
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += kLineLimit) out += b64.mid(i, kLineLimit) + kCrLf;
    return out;
}

// A file name as a parameter: quoted when ASCII, else in RFC 2231's UTF-8 form.
QByteArray fileParameter(const char* name, const QString& fileName) {
    if (isAscii(fileName) && !fileName.contains(QLatin1Char('"')) && !fileName.contains(QLatin1Char('\\')))
        return QByteArray(name) + "=\"" + fileName.toLatin1() + '"';
    return QByteArray(name) + "*=UTF-8''" + fileName.toUtf8().toPercentEncoding();
}

}  // namespace

bool IsAddress(const QString& text) {
    static const QRegularExpression bare(QStringLiteral(R"(^[^\s@<>()\[\]",;:\\]+@[^\s@<>()\[\]",;:\\]+$)"));
    return bare.match(text).hasMatch() && isAscii(text);
}

bool ParseAddressList(const QString& text, QStringList* addresses, QString* bad) {
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    static const QRegularExpression named(QStringLiteral(R"(^[^<>]*<([^<>]*)>$)"));
    addresses->clear();
    for (QString piece : text.split(separators)) {
        piece = piece.trimmed();
        if (piece.isEmpty()) continue;
        const QRegularExpressionMatch m = named.match(piece);
        const QString address = m.hasMatch() ? m.captured(1).trimmed() : piece;
        if (!IsAddress(address)) {
            if (bad) *bad = piece;
            return false;
        }
        addresses->append(address);
    }
    return true;
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

QString LineBreakIn(const QString& field) {
    return QStringLiteral("The %1 holds a line break, which a message header cannot carry. Remove it and send again.")
        .arg(field);
}

QString ProblemWith(const Message& m) {
    if (HasLineBreak(m.subject)) return LineBreakIn(QStringLiteral("Subject"));
    if (HasLineBreak(m.fromName)) return LineBreakIn(QStringLiteral("sender's name"));
    for (const Attachment& a : m.attachments)
        if (HasLineBreak(a.fileName) || HasLineBreak(a.contentType)) return LineBreakIn(QStringLiteral("attachment's name"));
    if (!IsAddress(m.fromAddress))
        return QStringLiteral("The sender's address \"%1\" is not an e-mail address. Set it in Mail Server.")
            .arg(m.fromAddress);
    if (m.to.isEmpty()) return QStringLiteral("Type the address the message goes to.");
    for (const QString& a : m.to + m.cc)
        if (!IsAddress(a)) return QStringLiteral("\"%1\" is not an e-mail address.").arg(a);
    return {};
}

QString NewMessageId(const QString& fromAddress) {
    QString domain = fromAddress.section(QLatin1Char('@'), 1);
    if (domain.isEmpty()) domain = QStringLiteral("localhost");
    return QLatin1Char('<') + QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('@') + domain +
           QLatin1Char('>');
}

QByteArray ComposeMime(const Message& m, const QDateTime& date, const QString& messageId) {
    // "=_" never occurs in quoted-printable or base64 text, so the boundary cannot occur in a part.
    const QByteArray boundary = "=_corvane_" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    QByteArray out;
    out += fromHeader(m);
    out += addressHeader("To", m.to);
    if (!m.cc.isEmpty()) out += addressHeader("Cc", m.cc);
    out += header("Subject", m.subject);
    out += "Date: " + date.toString(Qt::RFC2822Date).toLatin1() + kCrLf;
    out += "Message-ID: " + messageId.toLatin1() + kCrLf;
    out += "MIME-Version: 1.0" + kCrLf;
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary + '"' + kCrLf + kCrLf;
    out += "This is a message in MIME format." + kCrLf;
    out += "--" + boundary + kCrLf;
    out += "Content-Type: text/plain; charset=UTF-8" + kCrLf;
    out += "Content-Transfer-Encoding: quoted-printable" + kCrLf + kCrLf;
    out += quotedPrintable(m.body) + kCrLf;
    for (const Attachment& a : m.attachments) {
        out += "--" + boundary + kCrLf;
        out += "Content-Type: " + a.contentType.toLatin1() + "; " + fileParameter("name", a.fileName) + kCrLf;
        out += "Content-Disposition: attachment; " + fileParameter("filename", a.fileName) + kCrLf;
        out += "Content-Transfer-Encoding: base64" + kCrLf + kCrLf;
        out += base64Lines(a.data);
    }
    out += "--" + boundary + "--" + kCrLf;
    return out;
}

}  // namespace mail
