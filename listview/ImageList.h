#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// An ordered collection of 16 x 16 images, each with a text key, addressed by a 1-based index.
// Images are only ever appended, so an index stays valid for the list's whole life. Sizes are
// device-independent: an image made for a scaled screen keeps its device pixel ratio and holds
// that many more pixels, so it is drawn sharp there.
class ImageList final {
public:
    static constexpr int imageSize = 16;

    struct ListImage {
        QString key;
        QImage picture; // always imageSize x imageSize device-independent pixels
    };

    class ListImages final {
    public:
        std::int32_t count() const;
        // i from 1 to count(); anything else throws std::out_of_range.
        const ListImage& item(std::int32_t i) const;
        // Appends the picture, held at 16 x 16 at its own device pixel ratio, and answers its
        // index (the old count + 1).
        // An empty key, one already present (compared trimmed and case-insensitively) or a
        // null picture is refused with std::invalid_argument and nothing is appended.
        std::int32_t add(const QString& key, const QImage& picture);

    private:
        friend class ImageList;
        std::vector<ListImage> m_images;
        QHash<QString, std::int32_t> m_indexByKey; // trimmed, lower-cased key -> index
    };

    ListImages& listImages() { return m_listImages; }
    const ListImages& listImages() const { return m_listImages; }

    // The index of the first image whose key, trimmed and lower-cased, equals the given one
    // trimmed and lower-cased; 0 when there is none. Constant time.
    std::int32_t indexOfKey(QStringView key) const;

    // The colour the list treats as transparent in the pictures it is given (light grey).
    QColor maskColor() const;

private:
    ListImages m_listImages;
};

// The trimmed, lower-cased form under which keys are compared.
QString normalizedImageKey(QStringView key);
