#pragma once

#include "IconServices.h"

#include <QColor>
#include <QPixmap>
#include <QStringList>

// Icon services that touch no disk and record every ghost file and icon asked for. Each
// icon is a solid square of iconColor, so a captured image can be checked for it.
class RecordingIconServices final : public IconServices {
public:
    QString reportedTempPath = QStringLiteral("/tmp/tarnwick-test");
    bool creationSucceeds = true;
    QColor iconColor = Qt::darkCyan;

    QStringList createdPaths;
    QStringList iconQueries;

    QString tempPath() override { return reportedTempPath; }

    bool createOrOpen(const QString& path) override
    {
        createdPaths.append(path);
        return creationSucceeds;
    }

    QPixmap smallIconOf(const QString& path) override
    {
        iconQueries.append(path);
        QPixmap icon(16, 16);
        icon.fill(iconColor);
        return icon;
    }
};
