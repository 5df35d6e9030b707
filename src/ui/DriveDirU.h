#pragma once
// TDriveDir: the drive-and-directory chooser of backup, restore and upgrade. "Drives" here are the
// file system's roots, the home directory and the mounted removable media. The caller sets the
// caption and the OK button's caption, shows the window modally and reads ChosenDir.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <vector>

namespace ui {

// The directory the user confirmed, or empty when the chooser was cancelled.
extern QString ChosenDir;

struct DriveEntry {
    QString label;  // as the combo box shows it
    QString path;   // the drive's top directory
};
// Roots, the home directory and the removable media, in that order.
std::vector<DriveEntry> AvailableDrives();

// Shows the program's chooser modally with the caller's captions, on start when that directory can
// be read (else where it was last); the chosen directory, or empty when cancelled.
QString ChooseDirectory(const QString& caption, const QString& okCaption, const QString& start = QString());

class TDriveDir : public QDialog {
    Q_OBJECT
public:
    explicit TDriveDir(QWidget* parent = nullptr);

    // The directory list's directory.
    QString directory() const { return m_directory; }
    // Moves the directory list (and the drive shown) to dir; false when dir cannot be read.
    bool setDirectory(const QString& dir);
    // Where the chooser starts, and goes back to when the directory it was left in cannot be read
    // (the program's data directory). The process's working directory is never used or changed.
    void setHome(const QString& dir);

    QComboBox* DriveComboBox1;
    QLabel* DirLabel;
    QListWidget* DirectoryListBox1;
    QListWidget* FileListBox1;  // for viewing only
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

public slots:
    void DriveComboBox1Change(int index);
    void DirectoryListBox1Activated(QListWidgetItem* item);
    void BtnOKClick();
    void BtnCancelClick();
    void reject() override;  // Escape: as Cancel

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void FormActivate();
    void fillDrives();
    void fillDirectoryList();
    void fillFileList();
    int driveIndexFor(const QString& dir) const;
    void showDrive(int index);

    QString m_directory;
    QString m_home;
    int m_savedDrive = -1;   // the drive shown when the window was activated
};

}  // namespace ui
