#include "listViewUtility.h"

#include "ColumnHeader.h"
#include "IconServices.h"
#include "ImageList.h"
#include "ListItem.h"
#include "ListView.h"
#include "PictureBox.h"
#include "TextRules.h"

#include <QImage>
#include <QPixmap>
#include <QRect>

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

const QString noExtensionKey = QStringLiteral("noExt");

// Rows are addressed by a 16-bit position: a list past that many rows cannot be walked.
constexpr std::int32_t maxAddressableRows = std::numeric_limits<std::int16_t>::max();

// The surface is prepared at 300 x 300 twips (20 x 20 pixels), enough for a small icon.
constexpr double surfaceTwips = 300.0;

// Longest extension a ghost file is made for; real extensions are a few characters.
constexpr qsizetype maxGhostExtensionLength = 64;

// True when the extension can only name a file directly inside the temporary directory:
// no separator, no drive or stream colon, no control or format character, not a dot name.
bool isPlainNamePart(const QString& extension)
{
    if (extension.isEmpty() || extension.size() > maxGhostExtensionLength)
        return false;
    if (extension == u"." || extension == u"..")
        return false;
    for (const QChar c : extension) {
        if (c == u'/' || c == u'\\' || c == u':')
            return false;
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return false;
    }
    return true;
}

std::int16_t rowCountOf(const ListView& list)
{
    const std::int32_t rows = list.listItems().count();
    if (rows > maxAddressableRows)
        throw std::overflow_error("too many rows for a 16-bit position");
    return static_cast<std::int16_t>(rows);
}

} // namespace

bool setItemIcon(ListView& list, ListItem& item, ImageList& images, const QString& fileName, bool useGhostFile)
{
    try {
        QString name = isBlank(fileName) ? item.key() : fileName;
        QString extension = getExtension(name);
        if (isBlank(extension))
            extension = noExtensionKey;

        if (findImageIndex(images, extension) == 0) {
            if (useGhostFile)
                name = createGhostFile(extension);
            if (!addTypeIcon(list.drawingSurface(), images, name))
                return false;
        }

        const std::int32_t index = findImageIndex(images, extension);
        if (index == 0)
            return false;
        // Bound once, at the first icon: every binding makes the view repaint all rows.
        if (list.smallIcons() != &images) {
            list.setIcons(&images);
            list.setSmallIcons(&images);
        }
        item.setIcon(index);
        item.setSmallIcon(index);
        return true;
    } catch (...) {
        return false;
    }
}

bool addTypeIcon(PictureBox& surface, ImageList& images, const QString& path)
{
    try {
        surface.setAutoRedraw(true);
        surface.setAutoSize(true);
        surface.setWidth(surfaceTwips);
        surface.setHeight(surfaceTwips);
        surface.setPicture(QImage());

        // The image list refuses an empty key, so a path without extension needs no icon.
        const QString key = normalizedImageKey(getExtension(path));
        if (key.isEmpty())
            return false;

        surface.drawIcon(0, 0, iconServices().smallIconOf(path));
        surface.setPicture(surface.image());
        const QImage captured = surface.picture();
        const QSize iconPixels = QSize(ImageList::imageSize, ImageList::imageSize) * captured.devicePixelRatio();
        images.listImages().add(key, captured.copy(QRect(QPoint(0, 0), iconPixels)));
        return true;
    } catch (...) {
        return false;
    }
}

std::int32_t findImageIndex(const ImageList& images, const QString& key)
{
    return images.indexOfKey(key);
}

QString getExtension(const QString& fileName)
{
    try {
        return extensionOf(fileName);
    } catch (...) {
        return {};
    }
}

QString createGhostFile(const QString& extension)
{
    try {
        if (!isPlainNamePart(extension))
            return {};
        // Without a temporary directory the path would fall to the file-system root.
        const QString directory = getTempDir();
        if (directory.isEmpty())
            return {};
        const QString path = directory + QStringLiteral("/ghost.") + extension;
        if (!iconServices().createOrOpen(path))
            return {};
        return path;
    } catch (...) {
        return {};
    }
}

QString getTempDir()
{
    QString directory = trimBlanks(iconServices().tempPath()).toString();
    if (directory.endsWith(u'/') || directory.endsWith(u'\\'))
        directory.chop(1);
    return directory;
}

void sortByColumn(ListView& list, const ColumnHeader& header)
{
    const int column = header.index() - 1;
    if (column < std::numeric_limits<std::int16_t>::min() || column > std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error("column beyond a 16-bit sort key");
    list.setSortKey(static_cast<std::int16_t>(column));
    list.setSortOrder(list.sortOrder() == 0 ? 1 : 0);
    list.setSorted(true);
}

void autoSizeColumns(ListView& list, const ColumnHeader* header)
{
    if (header == nullptr) {
        for (const ColumnHeader& column : list.columnHeaders())
            list.autoSizeColumn(column.index() - 1);
    } else {
        list.autoSizeColumn(header->index() - 1);
    }
    list.refresh();
}

std::int32_t countChecked(ListView& list)
{
    try {
        const std::int16_t rows = rowCountOf(list);
        std::int32_t total = 0;
        for (std::int32_t i = 1; i <= rows; ++i) {
            if (list.listItems().item(i).checked())
                ++total;
        }
        return total;
    } catch (...) {
        return 0;
    }
}

void setAllChecked(ListView& list, bool state)
{
    try {
        const std::int16_t rows = rowCountOf(list);
        for (std::int32_t i = 1; i <= rows; ++i)
            list.listItems().item(i).setChecked(state);
    } catch (...) {
        // A fault ends the loop; rows already set keep their new state.
    }
}
