#pragma once
// What the application-shell tests share: a data directory written by the data-directory writer, the
// scripted dialog facade, a status sink that records every call, and exit hooks that record instead
// of ending the test run.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>
#include <ostream>

#include "app/Forms.h"
#include "app/MainU.h"
#include "app/Startup.h"
#include "base/StatusSink.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

// Readable failure output for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace app_test {

// Records "S:<text>", "P:<percent>" and "R:<result>" in call order.
class RecordingSink : public base::StatusSink {
public:
    RecordingSink() : m_previous(base::setStatusSink(this)) {}
    ~RecordingSink() override { base::setStatusSink(m_previous); }
    void showStatus(const QString& text) override { calls << QStringLiteral("S:") + text; }
    void showProgress(int percent) override { calls << QStringLiteral("P:%1").arg(percent); }
    void showResult(const QString& text) override { calls << QStringLiteral("R:") + text; }
    // The progress values only.
    QList<int> progress() const {
        QList<int> values;
        for (const QString& call : calls)
            if (call.startsWith(QLatin1String("P:"))) values << call.mid(2).toInt();
        return values;
    }
    QStringList calls;

private:
    base::StatusSink* m_previous;
};

class AppTest : public testing_support::DataDirTest {
protected:
    // demo: the demo business instead of the delivered empty tables; noData: no tables at all.
    void SetUp() override { SetUpWith(false); }
    void SetUpWith(bool demo) {
        DataDirTest::SetUp();
        store::SetProgramExitHook([this] { ++programExits; });
        app::SetEndProgramHook([this](int) { ++endProgramCalls; });
        app::SplashMinimumMs = 0;
        store::DataDirOptions options;
        options.demo = demo;
        options.customers = 12;
        options.invoices = 30;
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), options, &error), 0) << error.toStdString();
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
    }
    void TearDown() override {
        if (store::EngineActive()) store::EngineEnd();
        dialogs.reset();
        app::SetEndProgramHook(nullptr);
        store::SetProgramExitHook(nullptr);
        DataDirTest::TearDown();
    }

    // Sets a file's modification time far back, so a rewrite shows.
    void age(const QString& name) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << name.toStdString();
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
    }
    bool rewritten(const QString& name) const {
        return QFileInfo(path(name)).lastModified().date().year() != 2001;
    }
    QByteArray bytes(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    int programExits = 0;
    int endProgramCalls = 0;
};

class DemoTest : public AppTest {
protected:
    void SetUp() override { SetUpWith(true); }
};

// The demo business with the program's windows made and the main window started on it.
class MainWindowDemoTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        app::CreateForms();
        main = app::Form<app::TMain>();
        main->show();
        ASSERT_TRUE(main->started());
    }
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
    app::TMain* main = nullptr;
};

}  // namespace app_test
