#pragma once

#include <QPixmap>
#include <QString>

#include <memory>

// The operating-system services behind the file-type icons. The platform layer installs the
// real ones at start-up; tests install their own.
class IconServices {
public:
    virtual ~IconServices() = default;

    // The user's own temporary directory, which no other user can reach (it may end in a
    // separator); empty when it cannot be obtained.
    virtual QString tempPath() = 0;

    // Creates the file empty if it is missing and opens and closes it otherwise, never
    // truncating, never following a symbolic link; a new file is readable only by its owner.
    // False when the file cannot be made or opened.
    virtual bool createOrOpen(const QString& path) = 0;

    // The small icon (16 x 16 device-independent pixels) the desktop shows for the existing
    // local file, at a device pixel ratio above 1 for a scaled screen; null when none.
    virtual QPixmap smallIconOf(const QString& path) = 0;
};

// The installed services; std::logic_error while none are installed.
IconServices& iconServices();
// Installs the services for the whole process; a null pointer removes them.
void installIconServices(std::shared_ptr<IconServices> services);
