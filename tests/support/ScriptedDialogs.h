#pragma once
// The dialog facade for tests: installed for its lifetime, it records every call in order and
// answers from queues, so a test walks a whole road through the windows synchronously.
//
// Messages with only an OK button are recorded and answered OK without using the queue; every other
// prompt takes the next answer of its queue, and a prompt with nothing queued fails the test (and
// gets its cancel answer). showModal shows the window without an event loop (its showEvent and
// FormShow run, it becomes the active window), runs the next queued callback on it, hides it and
// returns QDialog::result(). Callbacks may open further windows and messages: those take the next
// entries of the queues. Answers still queued when the object goes fail the test.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <typeinfo>
#include <utility>
#include <vector>

#include "base/Dialogs.h"

namespace testing_support {

class ScriptedDialogs : public base::Dialogs {
public:
    enum class Call { Message, Input, OpenFile, SaveFile, ChooseDirectory, ChooseFont, PrinterSetup, ShowModal };

    struct Event {
        Call call;
        base::MsgKind kind = base::MsgKind::Information;    // messages
        base::MsgButtons buttons = base::MsgButtons::Ok;    // messages
        QString text;     // message text, input prompt, window class name, file name proposed for saving,
                          // directory a file-open dialog starts in
        QString caption;  // input, file and directory captions
        base::MsgDefault byDefault = base::MsgDefault::Affirmative;  // messages: what Enter would answer
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Queues, each answered in order.
    void answer(base::Answer a);                   // the next question (a message with more than OK)
    void answerInput(const QString& value);        // the next input box: OK with this text
    void cancelInput();
    // empty = cancelled; wanderTo: the dialog leaves the process in that directory, as some do
    void answerOpenFile(const QString& path, const QString& wanderTo = QString());
    void answerSaveFile(const QString& path);
    void answerDirectory(const QString& path);
    void answerFont(const QFont& font);
    void cancelFont();
    void answerPrinter(const base::PrinterChoice& choice);
    void cancelPrinter();
    // The next showModal runs this on the window.
    void onModal(std::function<void(QDialog&)> callback);
    // The same, failing the test when the window is not a W.
    template <class W>
    void onModal(std::function<void(W&)> callback) {
        onModal([callback = std::move(callback)](QDialog& window) {
            auto* typed = dynamic_cast<W*>(&window);
            if (!typed) {
                ADD_FAILURE() << "modal window is a " << window.metaObject()->className() << ", expected a "
                              << typeid(W).name();
                return;
            }
            callback(*typed);
        });
    }

    const std::vector<Event>& events() const { return m_events; }
    // The texts of the messages shown, in order.
    QStringList messages() const;
    // Every call in one line each, in order: "Warning OkCancel: Erase?", "Input Caption: Prompt",
    // "Modal TItemDef", "OpenFile Caption", ...
    QStringList log() const;

    // base::Dialogs
    using base::Dialogs::message;
    base::Answer message(base::MsgKind kind, const QString& text, base::MsgButtons buttons,
                         base::MsgDefault def) override;
    bool input(const QString& caption, const QString& prompt, QString* value) override;
    QString openFile(const QString& caption, const QString& dir, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& dir, const QString& filter) override;
    QString chooseDirectory(const QString& caption, const QString& okCaption, const QString& start) override;
    bool chooseFont(QFont* font) override;
    bool printerSetup(base::PrinterChoice* choice) override;
    int showModal(QObject* window) override;

private:
    // Pops the front of a queue, or fails the test naming the prompt.
    template <class T>
    std::optional<T> take(std::deque<T>& queue, const char* what, const QString& prompt);

    base::Dialogs* m_previous = nullptr;
    std::vector<Event> m_events;
    std::deque<base::Answer> m_answers;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<std::pair<QString, QString>> m_openFiles;  // answer, directory the dialog leaves
    std::deque<QString> m_saveFiles;
    std::deque<QString> m_directories;
    std::deque<std::optional<QFont>> m_fonts;
    std::deque<std::optional<base::PrinterChoice>> m_printers;
    std::deque<std::function<void(QDialog&)>> m_modals;
};

// Readable names for log lines and failure messages.
QString kindName(base::MsgKind kind);
QString buttonsName(base::MsgButtons buttons);

}  // namespace testing_support
