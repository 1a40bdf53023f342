#pragma once

#include "IconServices.h"

// The icon services of a desktop with a freedesktop icon theme.
//
// tempPath: the user's private temporary directory (PrivateDirectory.h), made on first need;
//   empty when it cannot be had.
// createOrOpen: opens the path read-write, creating it with mode 0600 when missing; it never
//   truncates and refuses a symbolic link in the last component and anything but a regular
//   file.
// smallIconOf: the icon theme's icon for the MIME type the file's name gives (the type's own
//   icon, else its generic one), else Qt's generic file icon; 16 x 16 device-independent pixels
//   drawn at the highest device pixel ratio of the screens, so it stays sharp on a scaled one.
//   The file's content is never read. Needs a QGuiApplication.
//
// Windows (DesktopIconServicesWindows.cpp): tempPath is GetTempPathW's answer, the user's own
// temporary directory; createOrOpen opens with OPEN_ALWAYS and refuses reparse points, devices
// and directories; smallIconOf is the shell's small icon of the file (SHGetFileInfoW), converted
// by Qt and released at once, scaled to 16 x 16 when the shell's small size differs.
class DesktopIconServices final : public IconServices {
public:
    QString tempPath() override;
    bool createOrOpen(const QString& path) override;
    QPixmap smallIconOf(const QString& path) override;
};
