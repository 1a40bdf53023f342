#pragma once

#include "IconServices.h"

#include <QFileInfo>
#include <QHash>
#include <QPixmap>
#include <QStringList>

// Icon services that touch no disk and record every ghost file and icon asked for. An icon
// is the one given for the file's suffix, else a dark cyan square.
class RecordingIconServices final : public IconServices {
public:
    QString reportedTempPath = QStringLiteral("/tmp/tarnwick-test");
    bool creationSucceeds = true;
    QHash<QString, QPixmap> iconBySuffix;

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
        if (const auto given = iconBySuffix.constFind(QFileInfo(path).suffix()); given != iconBySuffix.cend())
            return *given;
        QPixmap icon(16, 16);
        icon.fill(Qt::darkCyan);
        return icon;
    }
};
