#pragma once
// The program's own pictures: the command images of the main window (the desktop theme's icon where it
// has one, else the picture the program carries in its resources), the program's icon and the About picture.
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace app {

// The theme's icon named themeName, or the carried picture of that name (16 to 32 pixels).
QIcon CommandIcon(const QString& themeName);
// The carried picture alone; null when the program has none of that name.
QIcon BundledIcon(const QString& themeName);
// The program's own icon (16 to 256 pixels), for every window and the desktop entry.
QIcon ProgramIcon();
// True when the program carries its icon and every size of the named command pictures (no display needed).
bool PicturesPresent(const QStringList& themeNames);
// The About window's picture at the given size, with the version text on it.
QPixmap AboutPicture(const QSize& size, const QString& versionText);

}  // namespace app
