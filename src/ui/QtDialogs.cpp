#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace ui {

using base::Answer;
using base::MsgButtons;
using base::MsgKind;

namespace {
const QString kNoPrinters =
    QStringLiteral("No printer is installed. Reports can be saved as PDF files from the report window's Export menu.");
}  // namespace

Answer QtDialogs::message(MsgKind kind, const QString& text, MsgButtons buttons, base::MsgDefault def) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QApplication::applicationName());
    box.setText(text);
    switch (kind) {
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (def == base::MsgDefault::Negative)
        box.setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::No : QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == MsgButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

bool QtDialogs::input(const QString& caption, const QString& prompt, QString* value) {
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, *value, &ok);
    if (ok) *value = answer;
    return ok;
}

QString QtDialogs::openFile(const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, dir, filter);
}

QString QtDialogs::saveFile(const QString& caption, const QString& dir, const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, dir, filter);
}

QString QtDialogs::chooseDirectory(const QString& caption, const QString&, const QString& start) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, start);
}

bool QtDialogs::chooseFont(QFont* font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, *font, QApplication::activeWindow());
    if (ok) *font = chosen;
    return ok;
}

bool QtDialogs::printerSetup(base::PrinterChoice* choice) {
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        message(MsgKind::Information, kNoPrinters, MsgButtons::Ok, base::MsgDefault::Affirmative);
        return false;
    }
    QPrinter printer;
    if (!choice->name.isEmpty()) printer.setPrinterName(choice->name);
    printer.setPageOrientation(choice->landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    choice->name = printer.printerName();
    choice->landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    return true;
}

int QtDialogs::showModal(QObject* window) {
    auto* dialog = qobject_cast<QDialog*>(window);
    return dialog ? dialog->exec() : QDialog::Rejected;
}

}  // namespace ui
