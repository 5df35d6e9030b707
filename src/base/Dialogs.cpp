#include "base/Dialogs.h"

#include "base/ConsoleDialogs.h"

namespace base {
namespace {

// Until a window layer installs its facade (tools, early start-up), messages go to stderr and every
// question is answered with its cancel button: nothing is ever confirmed silently.
ConsoleDialogs g_noDialogs{QString()};
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
