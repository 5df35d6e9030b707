#include "ui/EditWindow.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTableWidget>
#include <QTextEdit>

#include "base/Cp1252.h"
#include "base/Dialogs.h"
#include "ui/Cp1252Validator.h"
#include "ui/HelpU.h"

namespace ui {
namespace {

const char* const kFilteredProperty = "corvaneCp1252Filtered";
const QString kDiscardChanges = QStringLiteral("Discard your changes?");

bool isMultiLine(const QObject* o) { return qobject_cast<const QPlainTextEdit*>(o) || qobject_cast<const QTextEdit*>(o); }

// Check boxes and radio buttons: Enter on them moves on, as it does in a field.
bool isToggle(const QWidget* w) {
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    return button && button->isCheckable() && !qobject_cast<const QPushButton*>(w);
}

// Whether a key or input-method event would put text into a memo that the tables cannot store.
bool bringsUnfitText(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            const QClipboard* clipboard = QApplication::clipboard();
            return clipboard && !base::Cp1252::fits(clipboard->text());
        }
        return !base::Cp1252::fits(key->text());
    }
    if (event->type() == QEvent::InputMethod)
        return !base::Cp1252::fits(static_cast<QInputMethodEvent*>(event)->commitString());
    return false;
}

}  // namespace

bool isEnterKey(const QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier));
}

QString dataCaption(const QString& text) { return QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

bool isNavigationKey(const QKeyEvent* event) {
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

bool isSingleLineField(const QWidget* widget) {
    bool field = false;
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(w) || isMultiLine(w)) return false;
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
            qobject_cast<const QComboBox*>(w))
            field = true;
    }
    return field;
}

EditWindow::EditWindow(QWidget* parent) : QDialog(parent) {}

void EditWindow::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // The dialog selects the whole text of the field that gets the focus, with the cursor at its end,
    // so a text longer than the field showed only its end. The selection stays; the cursor goes first.
    auto* edit = qobject_cast<QLineEdit*>(focusWidget());
    if (!visible || !edit || edit->text().isEmpty() || edit->selectedText() != edit->text()) return;
    edit->setSelection(int(edit->text().size()), -int(edit->text().size()));
}

void EditWindow::setHelpContext(int context) {
    auto* key = new QShortcut(QKeySequence::HelpContents, this);
    connect(key, &QShortcut::activated, this, [context] { ShowHelp(context); });
}

void EditWindow::installCp1252Validators() {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (edit->validator() || qobject_cast<QAbstractSpinBox*>(edit->parentWidget())) continue;
        edit->setValidator(new Cp1252Validator(edit));
    }
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!isMultiLine(w) || w->property(kFilteredProperty).toBool()) continue;
        w->installEventFilter(this);
        w->setProperty(kFilteredProperty, true);
    }
}

void EditWindow::turnOffAutoDefaults() {
    // A dialog makes every push button an auto-default, so Enter anywhere pressed the last focused
    // or first button (a half-entered record saved and closed). Only a button made the default on
    // purpose keeps that role.
    for (QPushButton* button : findChildren<QPushButton*>())
        if (!button->isDefault()) button->setAutoDefault(false);
}

void EditWindow::leaveGridsOnTab() {
    // A grid's own Tab walked its cells and wrapped round, so nothing after it could be reached.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) view->setTabKeyNavigation(false);
}

void EditWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back from being minimised is not a new showing.
    if (event->spontaneous()) return;
    installCp1252Validators();
    turnOffAutoDefaults();
    leaveGridsOnTab();
    FormShow();
    keepAsUnchanged();
}

QStringList EditWindow::entryState() const {
    QStringList state;
    for (const QWidget* w : findChildren<QWidget*>()) {
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            state << edit->text();
        } else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w)) {
            state << plain->toPlainText();
        } else if (const auto* rich = qobject_cast<const QTextEdit*>(w)) {
            state << rich->toPlainText();
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            state << combo->currentText();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w); button && button->isCheckable()) {
            state << QString::number(button->isChecked());
        } else if (const auto* grid = qobject_cast<const QTableWidget*>(w)) {
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c)
                    state << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        }
    }
    state << heldWork();
    return state;
}

void EditWindow::keepAsUnchanged() {
    if (m_askBeforeDiscarding) m_unchanged = entryState();
}

bool EditWindow::hasUnsavedChanges() const { return m_askBeforeDiscarding && entryState() != m_unchanged; }

bool EditWindow::mayDiscardChanges() {
    // Discarding is the answer that loses work, so Enter answers No.
    return !hasUnsavedChanges() || base::dialogs().message(base::MsgKind::Confirmation, kDiscardChanges,
                                                           base::MsgButtons::YesNo,
                                                           base::MsgDefault::Negative) == base::Answer::Yes;
}

void EditWindow::reject() {
    if (isVisible() && !mayDiscardChanges()) return;
    QDialog::reject();
}

void EditWindow::keyPressEvent(QKeyEvent* event) {
    if (isEnterKey(event)) {
        QWidget* focus = focusWidget();
        // Fields, check boxes and radio buttons move on; they never reach a default button.
        if (isSingleLineField(focus) || isToggle(focus)) {
            focusNextChild();
            event->accept();
            return;
        }
        // A push button that has the focus is the one the user chose.
        if (auto* button = qobject_cast<QPushButton*>(focus); button && button->isEnabled()) {
            button->click();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

bool EditWindow::eventFilter(QObject* watched, QEvent* event) {
    if (isMultiLine(watched) && bringsUnfitText(event)) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui
