#include "reports/MailMerge.h"

#include <QSaveFile>
#include <QStringList>
#include <QVariant>

#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/StatusSink.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"

namespace reports {
namespace {

const QString kExporting = QStringLiteral("Exporting Mail Merge File");
const QStringList kHeader = {QStringLiteral("Title"), QStringLiteral("FirstName"), QStringLiteral("LastName"),
                             QStringLiteral("Company"), QStringLiteral("Addr1"), QStringLiteral("Addr2"),
                             QStringLiteral("Addr3"), QStringLiteral("PostalCode")};
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QString field(const QString& text) {
    QString value = text.trimmed();
    for (QChar& c : value)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    return value;
}

// Lines gathered into writes of about this size.
constexpr qsizetype kChunk = 64 * 1024;

// Writes the file in chunks, unbuffered: Qt's buffered writes report a file that a full disk cut
// short as written, while an unbuffered write shows every short write.
class ChunkWriter {
public:
    explicit ChunkWriter(QSaveFile& file) : m_file(file) {}
    bool line(const QString& text) {
        m_pending += base::Cp1252::fromUnicode(text) + kLineEnd;
        return m_pending.size() < kChunk || flush();
    }
    bool flush() {
        const bool written = m_file.write(m_pending) == m_pending.size();
        m_pending.clear();
        return written;
    }

private:
    QSaveFile& m_file;
    QByteArray m_pending;
};

}  // namespace

QString MailMergeHeader() { return kHeader.join(QLatin1Char('\t')); }

QString MailMergeLine(const store::CustBuffer& c) {
    const QStringList fields = {field(c.title), field(c.first), field(c.last),  field(c.addr1),
                                field(c.addr2), field(c.addr3), field(c.addr4), field(c.zip)};
    return fields.join(QLatin1Char('\t'));
}

MailMergeResult WriteMailMerge(const QString& fileName, const QList<int>& groups) {
    constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    xbase::Table* customers = store::CustTable;
    QSaveFile file(fileName);
    // Names and addresses are the customers' data: owner-only before a byte of them is written.
    if (!customers || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !file.setPermissions(kOwnerOnly))
        return {false, file.errorString()};
    store::SelectTag(customers, store::TagId::CustZip);
    const long count = customers->recCount();
    const QVariant chosen = QVariant::fromValue(groups);
    base::ShowStatus(kExporting);
    ChunkWriter out(file);
    bool ok = out.line(MailMergeHeader());
    long visited = 0;
    for (int rc = customers->top(); ok && rc == xbase::kOk; rc = customers->skip(1)) {
        const int group = store::ReadField(customers, &store::CustBuffer::ngroup);
        if (!customers->isDeleted() && base::IndexOfNumber(chosen, group) >= 0) {
            store::LoadCust();
            ok = out.line(MailMergeLine(store::CustRec));
        }
        ++visited;
        base::ShowProgress(int(visited * 100 / count));
    }
    // commit() renames the finished file over the target; on failure the target is untouched.
    ok = ok && out.flush() && file.commit();
    const QString error = ok ? QString() : file.errorString();
    if (!ok) file.cancelWriting();
    base::ShowStatus(QString());
    return {ok, error};
}

}  // namespace reports
