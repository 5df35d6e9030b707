#pragma once
// What the interop tests share: running the independent Python readers and corvane-dbtool, copying
// the fixtures written by another xBase engine, and moving Windows-1252 bytes through JSON.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

namespace interop {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program could not be run or did not finish
    QByteArray out;
    QByteArray err;
};

// Runs program with args, feeding input on standard input; waits up to timeoutMs.
ProcessResult runProcess(const QString& program, const QStringList& args, const QByteArray& input = {},
                         int timeoutMs = 60000);
// Runs one of the helper scripts beside these tests with Debian's python3 (which has dbfread and dbf).
ProcessResult runPythonScript(const QString& script, const QStringList& args, const QByteArray& input = {});
// The support tool as built next to the tests.
QString dbToolPath();
ProcessResult runDbTool(const QStringList& args);

// Copies every file of tests/fixtures/xbase/<set> into dir. False (with a test failure) on error.
bool copyFixtureSet(const QString& set, const QString& dir);

// Bytes as one character each (U+0000..U+00FF) and back: how the scripts pass Windows-1252 text.
QString bytesAsChars(const std::string& bytes);
std::string charsAsBytes(const QString& chars);

}  // namespace interop
