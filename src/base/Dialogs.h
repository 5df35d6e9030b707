#pragma once
// The dialog facade: every modal interaction of the program goes through it. The program installs the
// Qt implementation (src/ui/QtDialogs); tests install a scripted one that records every text and
// answers from a queue, so whole roads through the windows run synchronously.
// No widget types here: windows are passed as QObject and shown by the implementation.
#include <QFont>
#include <QString>
#include <QStringList>

class QObject;

namespace base {

enum class MsgKind { Information, Warning, Confirmation, Error };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
// The button Enter presses: OK or Yes, or for a question whose OK destroys data, Cancel or No.
enum class MsgDefault { Affirmative, Negative };

// What the printer-setup dialog chose.
struct PrinterChoice {
    QString name;            // printer name; empty when there is no printer
    bool landscape = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box of a fixed kind; returns the button pressed (Cancel/No when closed otherwise).
    virtual Answer message(MsgKind kind, const QString& text, MsgButtons buttons, MsgDefault def) = 0;
    Answer message(MsgKind kind, const QString& text, MsgButtons buttons) {
        return message(kind, text, buttons, MsgDefault::Affirmative);
    }
    // Input box: returns false when cancelled; *value holds the default on entry, the answer on exit.
    virtual bool input(const QString& caption, const QString& prompt, QString* value) = 0;
    // File dialogs: the chosen path, or empty when cancelled. filter in Qt's "Text (*.txt);;All (*)" form.
    virtual QString openFile(const QString& caption, const QString& dir, const QString& filter) = 0;
    virtual QString saveFile(const QString& caption, const QString& dir, const QString& filter) = 0;
    // Directory chooser: the chosen directory, or empty when cancelled.
    virtual QString chooseDirectory(const QString& caption, const QString& okCaption, const QString& start) = 0;
    // Font dialog: *font holds the initial font and receives the choice; false when cancelled.
    virtual bool chooseFont(QFont* font) = 0;
    // Printer-setup dialog: *choice holds the current printer and receives the choice; false when
    // cancelled, or when there is no printer (which the dialog says).
    virtual bool printerSetup(PrinterChoice* choice) = 0;
    // Shows one of the program's own windows modally and returns its result code (QDialog's).
    virtual int showModal(QObject* window) = 0;
};

// The installed facade. Never null once the program or a test has installed one.
Dialogs& dialogs();
// Installs a facade (not owned) and returns the previous one.
Dialogs* setDialogs(Dialogs* d);

// Short forms for the fixed kinds of message the program shows.
void ShowMessage(const QString& text);                        // information, OK
bool ConfirmOkCancel(const QString& text, MsgKind kind = MsgKind::Warning);  // true on OK
// A question whose OK erases or replaces data: Enter answers Cancel. True on OK.
bool ConfirmDestructive(const QString& text, MsgKind kind = MsgKind::Warning);
bool ConfirmYesNo(const QString& text, MsgKind kind = MsgKind::Confirmation);  // true on Yes

}  // namespace base
