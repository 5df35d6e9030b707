#include "app/Startup.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

#include "base/Dialogs.h"
#include "base/Version.h"
#include "store/DataFiles.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/RecordBuffers.h"
#include "store/Parties.h"
#include "store/SaveJournal.h"
#include "store/Selection.h"
#include "store/Settings.h"

namespace app {

bool SplashMode = false;
int SplashMinimumMs = 1728;

namespace {

const QString kTitle = QStringLiteral("Corvane Invoicing");
const QString kNoDataFiles = QStringLiteral("Database files not found in startup directory");
const QString kStartFromDataDir = QStringLiteral("Program must be started from the directory containing the data files.");

void leaveEventLoop(int code) {
    // Queued: the first showing runs before the event loop starts.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
                              Qt::QueuedConnection);
}

std::function<void(int)> g_endProgram = leaveEventLoop;

}  // namespace

QString VersionText() {
    // Four 16-bit numbers; parts the project version leaves out count as 0.
    QStringList parts = QStringLiteral(CORVANE_VERSION_TEXT).split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) return QString();
    QStringList numbers;
    for (int i = 0; i < 4; ++i) {
        const uint value = i < parts.size() ? parts[i].toUInt() : 0;
        numbers << QString::number(value & 0xFFFF);
    }
    return numbers.join(QLatin1Char('.'));
}

QString MainCaption() { return kTitle + QLatin1Char(' ') + VersionText(); }

StartupResult StartUp() {
    // Two-digit years typed into any date field (ui::DateEdit) land in the formatting helpers' century
    // window, the one the stored dates use: 60 years back from this year. Nothing to set here.
    if (!store::DataFilesPresent()) {
        base::ShowMessage(kNoDataFiles + QLatin1Char('\n') + kStartFromDataDir);
        return StartupResult::DataFilesMissing;
    }
    // A binding or tag that does not fit the catalogue would read blank or in record order unnoticed.
    if (const std::vector<std::string> faults = store::RecordLayerFaults(); !faults.empty()) {
        base::ShowMessage(QStringLiteral("The program's table descriptions do not fit: ") +
                          QString::fromStdString(faults.front()));
        return StartupResult::EngineFailed;
    }
    store::EngineInit(nullptr, store::DataDir().toStdString());
    // Data made before the e-invoice party table gets it empty; the quick rebuild skips it then.
    if (const int rc = store::EnsurePartyTable(); rc < 0)
        base::ShowMessage(QStringLiteral("Unable to create file EParty.DBF"));
    store::RebuildIndexes(true);
    store::UndoInterruptedSave();
    store::ReadSettings();
    store::PackPending = false;
    return StartupResult::Ready;
}

void CloseDown() {
    if (!store::EngineActive()) return;
    // A failure an earlier command told the user of is no reason to skip the pending pack.
    if (store::PackPending) store::PackAll();
    store::EngineEnd();
}

void EndProgram(int code) { g_endProgram(code); }

std::function<void(int)> SetEndProgramHook(std::function<void(int)> hook) {
    std::function<void(int)> previous = g_endProgram;
    g_endProgram = hook ? std::move(hook) : leaveEventLoop;
    return previous;
}

void SplashClock::waitForMinimum() const {
    // The splash repaints while it waits (it may be uncovered or moved); what the user types or
    // clicks meanwhile waits for the main window.
    constexpr qint64 kSliceMs = 10;
    for (qint64 remaining = SplashMinimumMs - m_timer.elapsed(); remaining > 0;
         remaining = SplashMinimumMs - m_timer.elapsed()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, int(remaining));
        QThread::msleep(static_cast<unsigned long>(std::min(remaining, kSliceMs)));
    }
}

}  // namespace app
