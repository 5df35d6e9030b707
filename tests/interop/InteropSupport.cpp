#include "interop/InteropSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "support/TestSupport.h"

namespace interop {

namespace {

const char* const kPython = "/usr/bin/python3";  // Debian's, with python3-dbfread and python3-dbf

// The scripts lie beside this file in the source tree (__FILE__ may be relative to the build).
QString scriptDir() { return QStringLiteral(CORVANE_SOURCE_DIR "/tests/interop"); }

}  // namespace

ProcessResult runProcess(const QString& program, const QStringList& args, const QByteArray& input, int timeoutMs) {
    ProcessResult result;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out";
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ProcessResult runPythonScript(const QString& script, const QStringList& args, const QByteArray& input) {
    return runProcess(QString::fromLatin1(kPython), QStringList{scriptDir() + "/" + script} + args, input);
}

QString dbToolPath() { return QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-dbtool"); }

ProcessResult runDbTool(const QStringList& args) { return runProcess(dbToolPath(), args); }

bool copyFixtureSet(const QString& set, const QString& dir) {
    const QDir from(testing_support::fixturesDir() + "/xbase/" + set);
    const QStringList files = from.entryList(QDir::Files);
    if (files.isEmpty()) {
        ADD_FAILURE() << "no fixture files in " << from.path().toStdString();
        return false;
    }
    for (const QString& name : files) {
        const QString target = QDir(dir).filePath(name);
        QFile::remove(target);
        if (!QFile::copy(from.filePath(name), target)) {
            ADD_FAILURE() << "cannot copy " << name.toStdString();
            return false;
        }
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

QString bytesAsChars(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string charsAsBytes(const QString& chars) {
    const QByteArray latin = chars.toLatin1();
    return std::string(latin.constData(), size_t(latin.size()));
}

}  // namespace interop
