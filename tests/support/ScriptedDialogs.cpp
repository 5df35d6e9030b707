#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

namespace testing_support {

using base::Answer;
using base::MsgButtons;
using base::MsgKind;

namespace {

bool answerFits(Answer a, MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok: return a == Answer::Ok;
    case MsgButtons::OkCancel: return a == Answer::Ok || a == Answer::Cancel;
    case MsgButtons::YesNo: return a == Answer::Yes || a == Answer::No;
    case MsgButtons::YesNoCancel: return a == Answer::Yes || a == Answer::No || a == Answer::Cancel;
    }
    return false;
}

// What closing the box otherwise would give.
Answer cancelOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok: return Answer::Ok;
    case MsgButtons::OkCancel: return Answer::Cancel;
    case MsgButtons::YesNo: return Answer::No;
    case MsgButtons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}

const char* answerName(Answer a) {
    switch (a) {
    case Answer::Ok: return "Ok";
    case Answer::Cancel: return "Cancel";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    }
    return "?";
}

}  // namespace

QString kindName(MsgKind kind) {
    switch (kind) {
    case MsgKind::Information: return QStringLiteral("Information");
    case MsgKind::Warning: return QStringLiteral("Warning");
    case MsgKind::Confirmation: return QStringLiteral("Confirmation");
    case MsgKind::Error: return QStringLiteral("Error");
    }
    return QStringLiteral("?");
}

QString buttonsName(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok: return QStringLiteral("Ok");
    case MsgButtons::OkCancel: return QStringLiteral("OkCancel");
    case MsgButtons::YesNo: return QStringLiteral("YesNo");
    case MsgButtons::YesNoCancel: return QStringLiteral("YesNoCancel");
    }
    return QStringLiteral("?");
}

ScriptedDialogs::ScriptedDialogs() : m_previous(base::setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    base::setDialogs(m_previous);
    const size_t unused = m_answers.size() + m_inputs.size() + m_openFiles.size() + m_saveFiles.size() +
                          m_directories.size() + m_fonts.size() + m_printers.size() + m_modals.size();
    if (unused > 0) {
        ADD_FAILURE() << unused << " scripted answer(s) never asked for (" << m_answers.size() << " messages, "
                      << m_inputs.size() << " inputs, " << m_modals.size() << " modal windows, "
                      << m_openFiles.size() + m_saveFiles.size() + m_directories.size() << " file/directory, "
                      << m_fonts.size() + m_printers.size() << " font/printer); calls made:\n"
                      << log().join(QLatin1Char('\n')).toStdString();
    }
}

void ScriptedDialogs::answer(Answer a) { m_answers.push_back(a); }
void ScriptedDialogs::answerInput(const QString& value) { m_inputs.emplace_back(value); }
void ScriptedDialogs::cancelInput() { m_inputs.emplace_back(std::nullopt); }
void ScriptedDialogs::answerOpenFile(const QString& path, const QString& wanderTo) {
    m_openFiles.emplace_back(path, wanderTo);
}
void ScriptedDialogs::answerSaveFile(const QString& path) { m_saveFiles.push_back(path); }
void ScriptedDialogs::answerDirectory(const QString& path) { m_directories.push_back(path); }
void ScriptedDialogs::answerFont(const QFont& font) { m_fonts.emplace_back(font); }
void ScriptedDialogs::cancelFont() { m_fonts.emplace_back(std::nullopt); }
void ScriptedDialogs::answerPrinter(const base::PrinterChoice& choice) { m_printers.emplace_back(choice); }
void ScriptedDialogs::cancelPrinter() { m_printers.emplace_back(std::nullopt); }
void ScriptedDialogs::onModal(std::function<void(QDialog&)> callback) { m_modals.push_back(std::move(callback)); }

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Event& e : m_events)
        if (e.call == Call::Message) texts << e.text;
    return texts;
}

QStringList ScriptedDialogs::log() const {
    QStringList lines;
    for (const Event& e : m_events) {
        switch (e.call) {
        case Call::Message:
            // A question whose Enter answers Cancel or No says so: "Warning OkCancel/Cancel: ...".
            lines << kindName(e.kind) + QLatin1Char(' ') + buttonsName(e.buttons) +
                         (e.byDefault == base::MsgDefault::Negative
                              ? (e.buttons == base::MsgButtons::YesNo ? QStringLiteral("/No") : QStringLiteral("/Cancel"))
                              : QString()) +
                         QStringLiteral(": ") + e.text;
            break;
        case Call::Input: lines << QStringLiteral("Input ") + e.caption + QStringLiteral(": ") + e.text; break;
        case Call::OpenFile: lines << QStringLiteral("OpenFile ") + e.caption; break;
        case Call::SaveFile: lines << QStringLiteral("SaveFile ") + e.caption; break;
        case Call::ChooseDirectory: lines << QStringLiteral("ChooseDirectory ") + e.caption; break;
        case Call::ChooseFont: lines << QStringLiteral("ChooseFont"); break;
        case Call::PrinterSetup: lines << QStringLiteral("PrinterSetup"); break;
        case Call::ShowModal: lines << QStringLiteral("Modal ") + e.text; break;
        }
    }
    return lines;
}

template <class T>
std::optional<T> ScriptedDialogs::take(std::deque<T>& queue, const char* what, const QString& prompt) {
    if (queue.empty()) {
        ADD_FAILURE() << "no scripted answer queued for " << what << ": \"" << prompt.toStdString() << "\"";
        return std::nullopt;
    }
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

Answer ScriptedDialogs::message(MsgKind kind, const QString& text, MsgButtons buttons, base::MsgDefault def) {
    m_events.push_back({Call::Message, kind, buttons, text, {}, def});
    if (buttons == MsgButtons::Ok) return Answer::Ok;
    const std::optional<Answer> a = take(m_answers, "the message", text);
    if (!a) return cancelOf(buttons);
    if (!answerFits(*a, buttons)) {
        ADD_FAILURE() << "scripted answer " << answerName(*a) << " is not a button of \"" << text.toStdString()
                      << "\" (" << buttonsName(buttons).toStdString() << ")";
        return cancelOf(buttons);
    }
    return *a;
}

bool ScriptedDialogs::input(const QString& caption, const QString& prompt, QString* value) {
    m_events.push_back({Call::Input, {}, {}, prompt, caption});
    const auto a = take(m_inputs, "the input box", caption + QStringLiteral(": ") + prompt);
    if (!a || !*a) return false;
    *value = **a;
    return true;
}

QString ScriptedDialogs::openFile(const QString& caption, const QString& dir, const QString&) {
    m_events.push_back({Call::OpenFile, {}, {}, dir, caption});
    const auto answer = take(m_openFiles, "the file-open dialog", caption);
    if (!answer) return {};
    if (!answer->second.isEmpty()) QDir::setCurrent(answer->second);
    return answer->first;
}

QString ScriptedDialogs::saveFile(const QString& caption, const QString& proposed, const QString&) {
    m_events.push_back({Call::SaveFile, {}, {}, proposed, caption});
    return take(m_saveFiles, "the file-save dialog", caption).value_or(QString());
}

QString ScriptedDialogs::chooseDirectory(const QString& caption, const QString&, const QString&) {
    m_events.push_back({Call::ChooseDirectory, {}, {}, {}, caption});
    return take(m_directories, "the directory chooser", caption).value_or(QString());
}

bool ScriptedDialogs::chooseFont(QFont* font) {
    m_events.push_back({Call::ChooseFont, {}, {}, {}, {}});
    const auto a = take(m_fonts, "the font dialog", font->family());
    if (!a || !*a) return false;
    *font = **a;
    return true;
}

bool ScriptedDialogs::printerSetup(base::PrinterChoice* choice) {
    m_events.push_back({Call::PrinterSetup, {}, {}, {}, {}});
    const auto a = take(m_printers, "the printer-setup dialog", choice->name);
    if (!a || !*a) return false;
    *choice = **a;
    return true;
}

int ScriptedDialogs::showModal(QObject* window) {
    const QString name = window ? QString::fromLatin1(window->metaObject()->className()) : QStringLiteral("(null)");
    m_events.push_back({Call::ShowModal, {}, {}, name, {}});
    QPointer<QDialog> dialog = qobject_cast<QDialog*>(window);
    if (!dialog) {
        ADD_FAILURE() << "showModal on " << name.toStdString() << ", which is not a QDialog";
        return QDialog::Rejected;
    }
    const auto callback = take(m_modals, "the modal window", name);
    if (!callback) return QDialog::Rejected;

    // What exec() does around its event loop: modal, result reset, shown and active.
    QPointer<QWidget> previousActive = QApplication::activeWindow();
    const bool wasModal = dialog->testAttribute(Qt::WA_ShowModal);
    dialog->setAttribute(Qt::WA_ShowModal, true);
    dialog->setResult(0);
    dialog->show();
    QApplication::setActiveWindow(dialog);

    (*callback)(*dialog);

    if (!dialog) {
        ADD_FAILURE() << name.toStdString() << " was deleted while shown modally";
        return QDialog::Rejected;
    }
    if (dialog->isVisible()) dialog->hide();
    dialog->setAttribute(Qt::WA_ShowModal, wasModal);
    if (previousActive && previousActive->isVisible()) QApplication::setActiveWindow(previousActive);
    return dialog->result();
}

}  // namespace testing_support
