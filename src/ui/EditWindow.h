#pragma once
// The base of every editing window: Enter in a single-line field, a check box or a radio button moves
// the focus on instead of closing the window, Enter on a push button presses that button, FormShow runs once per showing, and text fields refuse characters the tables
// cannot store. A record window may also ask before Escape, Cancel or the title bar's close throw its
// changes away.
#include <QDialog>
#include <QString>

class QKeyEvent;

namespace ui {

// Return or the keypad's Enter, without Ctrl, Alt or Shift.
bool isEnterKey(const QKeyEvent* event);
// A text of the user's data as a button's caption: an "&" in it ("S&H") shows, and is no mnemonic.
QString dataCaption(const QString& text);
// Up, Down, Page Up, Page Down, Home or End, the keypad's included, without Ctrl, Alt or Shift.
bool isNavigationKey(const QKeyEvent* event);
// Line edits, masked fields, combo boxes, date and number spin boxes (and their inner line edits);
// not multi-line editors, nor anything inside a grid (the grid's editor owns Enter).
bool isSingleLineField(const QWidget* widget);

class EditWindow : public QDialog {
    Q_OBJECT
public:
    explicit EditWindow(QWidget* parent = nullptr);

    // Whether the window holds something typed or chosen since it was shown (or last kept).
    bool hasUnsavedChanges() const;
    // Escape, Cancel and the title bar's close all end here: a guarded window with changes asks
    // first, and No leaves it open as it is.
    void reject() override;
    // Showing selects the text of the first field; its start stays in view.
    void setVisible(bool visible) override;

protected:
    // What the window does each time it is shown (captions, masks, the first focus).
    virtual void FormShow() {}
    // F1 anywhere in the window opens the help page of this context.
    void setHelpContext(int context);

    // Puts the Windows-1252 validator on every line edit of the window that has no validator of its
    // own (masked fields and spin boxes keep theirs) and filters typed and pasted text of the
    // multi-line editors. Runs before every FormShow, so controls made in the constructor are covered.
    void installCp1252Validators();
    // Push buttons are no auto-defaults: Enter presses only the button that has the focus.
    void turnOffAutoDefaults();
    // Makes reject() ask before it discards changes. Called once, in the constructor.
    void askBeforeDiscarding() { m_askBeforeDiscarding = true; }
    // What the window holds in memory beyond its controls (rows of a grid it rebuilds, a chosen
    // record); compared like the controls.
    virtual QString heldWork() const { return {}; }
    // The window as it is now counts as unchanged (after a save that leaves it open). Done after
    // every FormShow.
    void keepAsUnchanged();
    // Tab and Shift+Tab leave every grid and list for the next or previous control; the arrows and
    // the paging keys move inside them.
    void leaveGridsOnTab();
    // True when the window holds nothing unsaved, or the user agrees to discard it (the question
    // reject() asks).
    bool mayDiscardChanges();

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The texts, choices and grid cells of every control, and heldWork().
    QStringList entryState() const;

    bool m_askBeforeDiscarding = false;
    QStringList m_unchanged;
};

}  // namespace ui
