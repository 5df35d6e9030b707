#include "base/ConsoleDialogs.h"

#include <cstdio>

namespace base {

Answer ConsoleDialogs::message(MsgKind, const QString& text, MsgButtons buttons, MsgDefault) {
    if (!m_quiet.contains(text))
        std::fprintf(stderr, "%s%s\n", m_prefix.toLocal8Bit().constData(), line(text).toLocal8Bit().constData());
    switch (buttons) {
    case MsgButtons::Ok: return Answer::Ok;
    case MsgButtons::OkCancel: return Answer::Cancel;
    default: return Answer::No;
    }
}

}  // namespace base
