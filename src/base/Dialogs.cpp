#include "base/Dialogs.h"

#include <cstdio>

namespace base {
namespace {

// Until a window layer installs its facade (tools, early start-up), messages go to stderr and every
// question is answered with its cancel button: nothing is ever confirmed silently.
class NoDialogs : public Dialogs {
public:
    using Dialogs::message;
    Answer message(MsgKind, const QString& text, MsgButtons buttons, MsgDefault) override {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        switch (buttons) {
        case MsgButtons::Ok: return Answer::Ok;
        case MsgButtons::OkCancel: return Answer::Cancel;
        default: return Answer::No;
        }
    }
    bool input(const QString&, const QString&, QString*) override { return false; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseDirectory(const QString&, const QString&, const QString&) override { return {}; }
    bool chooseFont(QFont*) override { return false; }
    bool printerSetup(PrinterChoice*) override { return false; }
    int showModal(QObject*) override { return 0; }
};

NoDialogs g_noDialogs;
Dialogs* g_dialogs = &g_noDialogs;

}  // namespace

Dialogs& dialogs() { return *g_dialogs; }

Dialogs* setDialogs(Dialogs* d) {
    Dialogs* previous = g_dialogs;
    g_dialogs = d ? d : &g_noDialogs;
    return previous;
}

void ShowMessage(const QString& text) { dialogs().message(MsgKind::Information, text, MsgButtons::Ok); }

bool ConfirmOkCancel(const QString& text, MsgKind kind) {
    return dialogs().message(kind, text, MsgButtons::OkCancel) == Answer::Ok;
}

bool ConfirmDestructive(const QString& text, MsgKind kind) {
    return dialogs().message(kind, text, MsgButtons::OkCancel, MsgDefault::Negative) == Answer::Ok;
}

bool ConfirmYesNo(const QString& text, MsgKind kind) {
    return dialogs().message(kind, text, MsgButtons::YesNo) == Answer::Yes;
}

}  // namespace base
