#include "invoicing/OrderExport.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/OwnerOnly.h"

namespace invoicing {
namespace {

constexpr int kBatchinFields = 22;
enum BatchinField { Kind = 0, Number = 3, Expiry = 4, Total = 5 };
const QString kCardKind = QStringLiteral("C1");
constexpr int kCustomerWidth = 6;

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

bool ReadCardForm(const QString& text, QString* cardNumber, QString* expiry) {
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0) return false;
    const QString year = text.mid(slash + 1, 2);
    // x9/03 and 09/03 are both September: a month of one digit gets its 0.
    const QString monthDigit = slash >= 1 ? QString(text.at(slash - 1)) : QString();
    const bool twoDigits = slash >= 2 && isDigit(text.at(slash - 2));
    const QString month = (twoDigits ? text.at(slash - 2) : QLatin1Char('0')) + monthDigit;
    const qsizetype numberEnd = slash - (twoDigits ? 2 : 1);
    cardNumber->clear();
    for (qsizetype i = 0; i < numberEnd; ++i)
        if (isDigit(text.at(i))) *cardNumber += text.at(i);
    *expiry = year + month;
    return true;
}

QString BatchinRecord(const QString& cardNumber, const QString& expiry, const QString& total) {
    QStringList fields(kBatchinFields);
    fields[Kind] = kCardKind;
    fields[Number] = cardNumber;
    fields[Expiry] = expiry;
    fields[Total] = total;
    for (QString& field : fields) field = QLatin1Char('"') + field + QLatin1Char('"');
    return fields.join(QLatin1Char(','));
}

QString BatchLabLine(long cuNo) { return base::PadNumber(cuNo, kCustomerWidth); }

bool BatchFileExists(const QString& fileName) { return QFileInfo::exists(fileName); }

bool WriteBatchLine(const QString& fileName, const QString& line, bool append, bool ownerOnly) {
    const QByteArray bytes = base::Cp1252::fromUnicode(line) + "\r\n";
    if (!append) {
        // Replaced whole: written beside and renamed over, so a failed write keeps the earlier file.
        const bool existed = QFileInfo::exists(fileName);
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly)) return false;
        if ((ownerOnly || !existed) && !file.setPermissions(base::kOwnerOnly)) return false;
        if (file.write(bytes) == bytes.size() && file.commit()) return true;
        file.cancelWriting();
        return false;
    }
    QFile file(fileName);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate);
    if (!base::OpenOwnerOnly(file, mode)) return false;
    // A file that was there already keeps its mode through open: set it before the card is written.
    if (ownerOnly && !file.setPermissions(base::kOwnerOnly)) return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace invoicing
