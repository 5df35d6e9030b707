#pragma once
// The status text and progress bar of the main window, as the logic units see them. Long operations
// (maintenance, backup, reports) call ShowStatus and ShowProgress; the main window installs itself as
// the sink, tests install a recording one. Without a sink both calls do nothing.
#include <QString>

namespace base {

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // Puts the text into the status panel, clears the progress bar and repaints at once.
    virtual void showStatus(const QString& text) = 0;
    // Paints the progress bar at percent (0 clears it) and repaints at once.
    virtual void showProgress(int percent) = 0;
    // The outcome of a finished operation ("Backup of 11 files to ... completed."), shown for a few
    // seconds after the status panel was cleared.
    virtual void showResult(const QString& text) = 0;
};

// Installs a sink (not owned) and returns the previous one; nullptr removes it.
StatusSink* setStatusSink(StatusSink* sink);
StatusSink* statusSink();

void ShowStatus(const QString& text);
void ShowProgress(int percent);
void ShowResult(const QString& text);

}  // namespace base
