#pragma once
// The start-up and close-down of a run, apart from the windows: the data-files check, the engine
// context, the quick index check, the settings, and at the end the pending pack and the end of the
// context. The main window's first showing and its closing call these.
#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace app {

// True while the About window serves as the start-up splash (its OK button is hidden then).
extern bool SplashMode;
// How long the splash stays up at least, in milliseconds (1.728 s: 2e-5 days).
extern int SplashMinimumMs;

// The program's version as four numbers joined by "." ("1.2.0.7").
QString VersionText();
// "Corvane Invoicing " followed by the version text.
QString MainCaption();

enum class StartupResult {
    Ready,              // context running, indexes present, settings loaded
    DataFilesMissing,   // the message was shown; the program must end
    EngineFailed,       // an engine error ended the start (the exit hook returned)
};

// Checks the data files (showing the two-line message when they are missing), creates the engine
// context, rebuilds missing index files silently, loads the settings and clears PackPending.
StartupResult StartUp();
// Packs when deletions are pending and ends the engine context. Does nothing without a context.
void CloseDown();

// Ends the program after a failed start-up. The default leaves the event loop; tests replace it.
void EndProgram(int code);
std::function<void(int)> SetEndProgramHook(std::function<void(int)> hook);

// Measures the splash's time on screen from its creation.
class SplashClock {
public:
    SplashClock() { m_timer.start(); }
    // Waits until SplashMinimumMs have passed, processing every event but the user's input.
    void waitForMinimum() const;

private:
    QElapsedTimer m_timer;
};

}  // namespace app
