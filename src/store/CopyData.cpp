#include "store/CopyData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "pg/PgDriver.h"
#include "store/Catalogue.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"

namespace store {
namespace {

constexpr long kProgressEvery = 5000;

int failed(xbase::Context& ctx, int code, const QString& what, QString* error) {
    const std::string detail = ctx.lastStatus().message;
    *error = detail.empty() ? what : what + QStringLiteral(": ") + QString::fromStdString(detail);
    return code < 0 ? code : xbase::kErrWrite;
}

// One record's fields as stored, memos as their text, behind its deleted mark.
std::string recordText(xbase::Table* t) {
    std::string line = t->isDeleted() ? "*" : " ";
    for (xbase::Field* f : t->fields()) line += "|" + (f->type() == 'M' ? f->memoText() : f->text());
    return line;
}

int copyTable(const TableEntry& desc, xbase::Context& src, xbase::Context& dst, const CopyProgress& progress,
              QString* error) {
    const QString file = QString::fromLatin1(desc.fileName);
    xbase::Table* in = src.openTable(desc.name);
    if (!in) return failed(src, src.errorCode(), QStringLiteral("Cannot open %1").arg(file), error);
    xbase::Table* out = dst.createTable(desc.fileStem(), FieldDefs(desc));
    if (!out) return failed(dst, dst.errorCode(), QStringLiteral("Cannot create %1").arg(file), error);
    in->setWalking(true);
    const long total = in->recCount();
    // In record order (no tag selected), a step at a time: a server hands the records over in batches.
    if (in->selectTag(nullptr) < 0) return failed(src, xbase::kErrRead, QStringLiteral("Cannot read %1").arg(file), error);
    for (long r = 1; r <= total; ++r) {
        if ((r == 1 ? in->top() : in->skip(1)) != xbase::kOk || in->recNo() != r)
            return failed(src, xbase::kErrRead, QStringLiteral("Cannot read %1").arg(file), error);
        int rc = out->appendBlank();
        for (size_t i = 0; rc == xbase::kOk && i < desc.fields.size(); ++i) {
            xbase::Field* from = in->fields()[i];
            xbase::Field* to = out->field(from->name());
            if (!to) rc = xbase::kErrFieldNotFound;
            else rc = from->type() == 'M' ? to->assignMemo(from->memoText()) : to->assignText(from->text());
        }
        if (rc == xbase::kOk && in->isDeleted()) rc = out->markDeleted();
        if (rc == xbase::kOk) rc = out->flush(false);
        if (rc != xbase::kOk) return failed(dst, rc, QStringLiteral("Cannot write %1").arg(file), error);
        if (progress && (r % kProgressEvery == 0 || r == total)) progress(file, r, total);
    }
    in->setWalking(false);
    if (desc.hasIndex()) {
        if (const int rc = out->createIndex(desc.name, TagDefs(desc)); rc < 0)
            return failed(dst, rc, QStringLiteral("Cannot index %1").arg(file), error);
    }
    if (const int rc = in->close(); rc < 0) return failed(src, rc, QStringLiteral("Cannot close %1").arg(file), error);
    if (const int rc = out->close(); rc < 0) return failed(dst, rc, QStringLiteral("Cannot write %1").arg(file), error);
    return 0;
}

// The copy read back: the same records, and each tag the same record numbers in the same order.
int compareTable(const TableEntry& desc, xbase::Context& a, xbase::Context& b, QString* error) {
    const QString file = QString::fromLatin1(desc.fileName);
    xbase::Table* x = a.openTable(desc.name);
    xbase::Table* y = b.openTable(desc.name);
    int rc = 0;
    if (!x || !y || x->recCount() != y->recCount()) {
        *error = QStringLiteral("The copy of %1 does not read back as its source").arg(file);
        rc = xbase::kErrRead;
    }
    if (rc == 0 && (x->selectTag(nullptr) < 0 || y->selectTag(nullptr) < 0)) rc = xbase::kErrRead;
    if (rc == 0) {
        x->setWalking(true);
        y->setWalking(true);
    }
    for (long r = 1; rc == 0 && r <= x->recCount(); ++r)
        if ((r == 1 ? x->top() : x->skip(1)) != 0 || (r == 1 ? y->top() : y->skip(1)) != 0 || x->recNo() != r ||
            y->recNo() != r || recordText(x) != recordText(y)) {
            *error = QStringLiteral("Record %1 of %2 differs in the copy").arg(r).arg(file);
            rc = xbase::kErrRead;
        }
    for (size_t t = 0; rc == 0 && t < desc.tags.size(); ++t) {
        const TagId id = desc.tags[t].id;
        if (SelectTag(x, id) < 0 || SelectTag(y, id) < 0) rc = xbase::kErrTagNotFound;
        for (int p = x->top(), q = y->top(); rc == 0 && (p == 0 || q == 0); p = x->skip(1), q = y->skip(1))
            if (p != q || x->recNo() != y->recNo()) rc = xbase::kErrRead;
        if (rc != 0) *error = QStringLiteral("Tag %1 of %2 orders differently in the copy").arg(desc.tags[t].name, file);
    }
    for (xbase::Table* t : {x, y}) {
        if (!t) continue;
        t->setWalking(false);
        t->close();
    }
    return rc;
}

int copyAll(xbase::Context& src, xbase::Context& dst, const CopyProgress& progress, QString* error) {
    for (const TableEntry& desc : Catalogue())
        if (const int rc = copyTable(desc, src, dst, progress, error); rc < 0) return rc;
    for (const TableEntry& desc : Catalogue())
        if (const int rc = compareTable(desc, src, dst, error); rc < 0) return rc;
    return 0;
}

void settings(xbase::Context& ctx) {
    ctx.setAccessMode(1);
    ctx.setAutoOpen(1);
    ctx.setSafety(0);
}

}  // namespace

int CopyBusiness(const QString& from, const QString& to, bool replace, const CopyProgress& progress, QString* error) {
    if (!DataDirExists(from)) {
        *error = QStringLiteral("%1 holds no business to copy").arg(from);
        return xbase::kErrOpen;
    }
    if (DataDirExists(to) && !replace) {
        *error = QStringLiteral("%1 already holds a business (use --force to replace it)").arg(to);
        return xbase::kErrExists;
    }
    std::unique_ptr<xbase::Context> src = NewContext(from, error);
    if (!src) return xbase::kErrOpen;
    settings(*src);
    src->setAccessMode(0);
    if (IsServerLocation(to)) {
        std::unique_ptr<xbase::Context> dst = NewContext(to, error);
        if (!dst) return xbase::kErrOpen;
        settings(*dst);
        if (pg::prepareDatabase(*dst) < 0 || dst->begin() < 0)
            return failed(*dst, xbase::kErrWrite, QStringLiteral("Cannot prepare the database"), error);
        int rc = copyAll(*src, *dst, progress, error);
        if (rc == 0 && (rc = dst->commit()) < 0) return failed(*dst, rc, QStringLiteral("Cannot commit the copy"), error);
        if (rc < 0) dst->rollback();
        return rc;
    }
    // Into a directory: written and checked in a staging directory first, then moved into place.
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("Cannot create %1").arg(to);
        return xbase::kErrCreate;
    }
    QTemporaryDir staging(QDir(to).filePath(QStringLiteral(".copy-XXXXXX")));
    if (!staging.isValid()) {
        *error = QStringLiteral("Cannot create a staging directory in %1").arg(to);
        return xbase::kErrCreate;
    }
    {
        xbase::Context dst(nullptr, staging.path().toStdString());
        settings(dst);
        if (const int rc = copyAll(*src, dst, progress, error); rc < 0) return rc;
        dst.closeAll();
    }
    if (!RemoveDataFiles(to, error)) return xbase::kErrWrite;
    for (const QString& name : QDir(staging.path()).entryList(QDir::Files)) {
        if (!QFile::rename(QDir(staging.path()).filePath(name), QDir(to).filePath(name))) {
            *error = QStringLiteral("Cannot move %1 into %2").arg(name, to);
            return xbase::kErrWrite;
        }
    }
    return 0;
}

}  // namespace store
