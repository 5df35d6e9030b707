#include "base/StatusSink.h"

namespace base {
namespace {
StatusSink* g_sink = nullptr;
}

StatusSink* setStatusSink(StatusSink* sink) {
    StatusSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

StatusSink* statusSink() { return g_sink; }

void ShowStatus(const QString& text) {
    if (g_sink) g_sink->showStatus(text);
}

void ShowProgress(int percent) {
    if (g_sink) g_sink->showProgress(percent);
}

void ShowResult(const QString& text) {
    if (g_sink) g_sink->showResult(text);
}

}  // namespace base
