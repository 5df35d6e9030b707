#pragma once
// The program's own pictures: the command images of the main window, drawn here so that they show on
// any desktop (a theme icon is used instead when the desktop has one), and the About picture.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace app {

// The theme's icon named themeName, or a drawn badge: a rounded square in colour with glyph on it.
QIcon CommandIcon(const QString& themeName, const QColor& colour, const QString& glyph);
// The About window's picture at the given size, with the version text on it.
QPixmap AboutPicture(const QSize& size, const QString& versionText);

}  // namespace app
