#include "ImageList.h"

#include "TextRules.h"

#include <QColor>

#include <stdexcept>

QString normalizedImageKey(QStringView key)
{
    return trimBlanks(key).toString().toLower();
}

std::int32_t ImageList::ListImages::count() const
{
    return static_cast<std::int32_t>(m_images.size());
}

const ImageList::ListImage& ImageList::ListImages::item(std::int32_t i) const
{
    if (i < 1 || i > count())
        throw std::out_of_range("image index out of range");
    return m_images[static_cast<std::size_t>(i - 1)];
}

std::int32_t ImageList::ListImages::add(const QString& key, const QImage& picture)
{
    const QString normalized = normalizedImageKey(key);
    if (normalized.isEmpty())
        throw std::invalid_argument("an image needs a key");
    if (m_indexByKey.contains(normalized))
        throw std::invalid_argument("an image with this key exists");
    if (picture.isNull())
        throw std::invalid_argument("an image needs a picture");

    const QSize heldSize = QSize(imageSize, imageSize) * picture.devicePixelRatio();
    QImage held = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (held.size() != heldSize)
        held = held.scaled(heldSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    m_images.push_back({key, held});
    const std::int32_t index = count();
    m_indexByKey.insert(normalized, index);
    return index;
}

std::int32_t ImageList::indexOfKey(QStringView key) const
{
    return m_listImages.m_indexByKey.value(normalizedImageKey(key), 0);
}

QColor ImageList::maskColor() const
{
    return QColor(192, 192, 192);
}
