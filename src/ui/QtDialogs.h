#pragma once
// The dialog facade on Qt's own dialogs: what the program installs at start-up.
#include "base/Dialogs.h"

namespace ui {

class QtDialogs : public base::Dialogs {
public:
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
};

}  // namespace ui
