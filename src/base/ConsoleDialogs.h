#pragma once
// The dialog facade for programs without windows (the report tool, the benchmarks, and the program
// until its windows install theirs): each message goes to standard error, every question is answered
// with its cancel button and every dialog is cancelled, so nothing is ever confirmed silently.
#include <QSet>

#include "base/Dialogs.h"

namespace base {

class ConsoleDialogs : public Dialogs {
public:
    // prefix starts every line ("corvane-report: "); texts in quiet are not shown.
    explicit ConsoleDialogs(QString prefix, QSet<QString> quiet = {})
        : m_prefix(std::move(prefix)), m_quiet(std::move(quiet)) {}

    // What a message is shown as (the whole text; a tool may shorten or explain it).
    virtual QString line(const QString& text) const { return text; }

    using Dialogs::message;
    Answer message(MsgKind kind, const QString& text, MsgButtons buttons, MsgDefault def) override;
    bool input(const QString&, const QString&, QString*) override { return false; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseDirectory(const QString&, const QString&, const QString&) override { return {}; }
    bool chooseFont(QFont*) override { return false; }
    bool printerSetup(PrinterChoice*) override { return false; }
    int showModal(QObject*) override { return 0; }

private:
    QString m_prefix;
    QSet<QString> m_quiet;
};

}  // namespace base
