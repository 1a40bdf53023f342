#include "ImageList.h"
#include "PictureBox.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QImage solid(int size, QColor color)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

TEST(ImageListTest, KeysAreUniqueTrimmedAndCaseInsensitive)
{
    ImageList images;
    ImageList::ListImages& list = images.listImages();
    EXPECT_EQ(list.add(QStringLiteral("noExt"), solid(16, Qt::white)), 1);
    EXPECT_EQ(list.add(QStringLiteral(" PDF "), solid(32, Qt::red)), 2);

    for (const char* refused : {"pdf", "  Pdf", "", "   ", "NOEXT"})
        EXPECT_THROW(list.add(QString::fromUtf8(refused), solid(16, Qt::blue)), std::invalid_argument) << refused;
    EXPECT_THROW(list.add(QStringLiteral("txt"), QImage()), std::invalid_argument);
    EXPECT_EQ(list.count(), 2);

    EXPECT_EQ(images.indexOfKey(u"pdf"), 2);
    EXPECT_EQ(images.indexOfKey(u" noext "), 1);
    EXPECT_EQ(images.indexOfKey(u"txt"), 0);
    EXPECT_EQ(list.item(2).picture.size(), QSize(16, 16));
    EXPECT_EQ(list.item(2).picture.pixelColor(8, 8), QColor(Qt::red));
    EXPECT_THROW(list.item(0), std::out_of_range);
    EXPECT_THROW(list.item(3), std::out_of_range);
}

TEST(PictureBoxTest, KeepsDrawingsUntilThePictureIsSet)
{
    PictureBox box;
    box.setAutoRedraw(true);
    box.setAutoSize(true);
    box.setWidth(300);
    box.setHeight(300);
    EXPECT_EQ(box.size(), QSize(20, 20));
    EXPECT_THROW(box.setWidth(-15), std::invalid_argument);

    box.setPicture(QImage());
    EXPECT_EQ(box.image().pixelColor(0, 0).alpha(), 0);
    QPixmap icon(16, 16);
    icon.fill(Qt::green);
    box.drawIcon(0, 0, icon);
    EXPECT_EQ(box.image().pixelColor(15, 15), QColor(Qt::green));
    EXPECT_EQ(box.image().pixelColor(16, 16).alpha(), 0);

    // The captured image becomes the picture; a null picture blanks the surface again.
    box.setPicture(box.image());
    EXPECT_EQ(box.picture().pixelColor(0, 0), QColor(Qt::green));
    box.setPicture(QImage());
    EXPECT_EQ(box.image().pixelColor(0, 0).alpha(), 0);

    // Without autoRedraw nothing drawn is kept; with autoSize the surface takes the picture's size.
    box.setAutoRedraw(false);
    box.drawIcon(0, 0, icon);
    EXPECT_EQ(box.image().pixelColor(0, 0).alpha(), 0);
    box.setPicture(solid(24, Qt::blue));
    EXPECT_EQ(box.size(), QSize(24, 24));
    EXPECT_EQ(box.image().pixelColor(23, 23), QColor(Qt::blue));
}

} // namespace
