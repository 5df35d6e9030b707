#pragma once
// The order export's two files in the data directory: Batchin.dat, one card-payment record per
// exported invoice for the card terminal's batch, and BatchLab.dat, one customer number per line for
// the batch label printing.
#include <QString>

namespace invoicing {

inline const QString kBatchinFile = QStringLiteral("Batchin.dat");
inline const QString kBatchLabFile = QStringLiteral("BatchLab.dat");

// The card number and the expiry (year first, YYMM) of a card written as the import writes it
// ("1234 5678 x09/03" gives 12345678 and 0309). The month is the one or two digits before the first
// "/", the year the (at most) two characters after it, the number every digit before the month.
// False when the text holds no "/".
bool ReadCardForm(const QString& text, QString* cardNumber, QString* expiry);

// One Batchin.dat record: 22 fields in double quotes joined by commas: "C1", two empty, the card
// number, the expiry, the total, sixteen empty.
QString BatchinRecord(const QString& cardNumber, const QString& expiry, const QString& total);

// One BatchLab.dat line: the customer number right-aligned in six places (the key form of CCNO).
QString BatchLabLine(long cuNo);

// Writes the line and CR LF (Windows-1252) at the end of the file, or, without append, as the
// file's only line. A new file is readable and writable by its owner only; ownerOnly: an existing
// one is made so too, before anything is written to it. False when the file cannot be created or
// written.
bool WriteBatchLine(const QString& fileName, const QString& line, bool append, bool ownerOnly);

}  // namespace invoicing
