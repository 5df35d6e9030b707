// Whether a directory holds the program's data tables.
#include "store/DataFiles.h"

#include <QDir>
#include <QSet>
#include <QStringList>

#include "store/Catalogue.h"
#include "store/DataLocation.h"

namespace store {

QString MissingDataFile(const QString& where) {
    const QString dir = where.isEmpty() ? DataDir() : where;
    QSet<QString> present;
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : entries) present.insert(name.toUpper());
    for (const TableEntry& desc : Catalogue())
        if (desc.dataFile && !present.contains(QString::fromLatin1(desc.fileName).toUpper()))
            return QString::fromLatin1(desc.fileName);
    return {};
}

bool DataFilesPresent() { return MissingDataFile().isEmpty(); }

bool DataFilesPresent(const QString& dir) { return MissingDataFile(dir).isEmpty(); }

}  // namespace store
