#include "store/WriteResult.h"

#include "store/EngineContext.h"

namespace store {

WriteResult WriteResult::EngineFailure(int code, TableKey table) {
    WriteResult r;
    r.m_code = code < 0 ? code : xbase::kErrWrite;
    r.m_file = QString::fromLatin1(Table(table).fileName);
    if (EngineActive()) {
        xbase::Context& ctx = Engine();
        ctx.errorCode();
        r.m_detail = QString::fromStdString(ctx.lastStatus().message);
    }
    return r;
}

WriteResult WriteResult::FileFailure(const xbase::Status& status, TableKey table) {
    WriteResult r;
    r.m_code = status.code < 0 ? status.code : xbase::kErrWrite;
    r.m_file = QString::fromLatin1(Table(table).fileName);
    r.m_detail = QString::fromStdString(status.message);
    return r;
}

WriteResult WriteResult::Refused(TableKey table, const QString& reason) {
    WriteResult r;
    r.m_code = xbase::kErrArgument;
    r.m_file = QString::fromLatin1(Table(table).fileName);
    r.m_detail = reason;
    return r;
}

QString WriteResult::reason() const {
    // The engine's detail ends in the file's full path; the file's name is told on its own.
    const qsizetype cut = m_detail.lastIndexOf(QStringLiteral(": "));
    const QString head = cut > 0 ? m_detail.left(cut) : m_detail;
    QString why;
    switch (m_code) {
    case xbase::kErrLock: why = QStringLiteral("another user has the record locked"); break;
    case xbase::kErrShare: why = QStringLiteral("another user has the file open"); break;
    case xbase::kErrDiskFull: why = QStringLiteral("the disk is full"); break;
    case xbase::kErrReadOnly: why = QStringLiteral("the data files are read-only"); break;
    case xbase::kErrRecord: why = QStringLiteral("there is no record to write to"); break;
    case xbase::kErrOpen: why = QStringLiteral("the file is missing or cannot be opened"); break;
    case xbase::kErrValueTooWide:
        why = QStringLiteral("a value is too wide for its field");
        if (!head.isEmpty()) why += QStringLiteral(" (") + head + QLatin1Char(')');
        break;
    default: why = head.isEmpty() ? QStringLiteral("the file could not be written") : head; break;
    }
    return m_file.isEmpty() ? why : why + QStringLiteral(" (") + m_file + QLatin1Char(')');
}

QString WriteResult::message(const QString& what) const {
    return what + QStringLiteral(" could not be saved: ") + reason() +
           QStringLiteral(".\nWhat you entered is still in the window; try again.");
}

}  // namespace store
