#include "PictureBox.h"

#include "Twips.h"

#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>

#include <stdexcept>

namespace {

// From this many twips on, the size rounds to more pixels than a widget may have.
constexpr double tooManyTwips = (QWIDGETSIZE_MAX + 0.5) * twipsPerPixel;

int pixelsOf(double twips)
{
    if (!(twips >= 0.0))
        throw std::invalid_argument("a size must not be negative");
    if (twips >= tooManyTwips)
        throw std::invalid_argument("size too large");
    return pixelsFromTwips(twips);
}

// A transparent image of the given device-independent size at the given device pixel ratio.
QImage blankImage(QSize size, qreal devicePixelRatio)
{
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    fitImageToSize();
}

void PictureBox::setAutoRedraw(bool on)
{
    m_autoRedraw = on;
}

bool PictureBox::autoRedraw() const
{
    return m_autoRedraw;
}

void PictureBox::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_picture.isNull())
        resize(m_picture.deviceIndependentSize().toSize());
    fitImageToSize();
}

bool PictureBox::autoSize() const
{
    return m_autoSize;
}

void PictureBox::setWidth(double twips)
{
    resize(pixelsOf(twips), height());
    fitImageToSize();
}

void PictureBox::setHeight(double twips)
{
    resize(width(), pixelsOf(twips));
    fitImageToSize();
}

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    if (m_autoSize && !m_picture.isNull())
        resize(m_picture.deviceIndependentSize().toSize());
    m_image = blankImage(size(), devicePixelRatioF());
    if (!m_picture.isNull()) {
        QPainter painter(&m_image);
        painter.drawImage(0, 0, m_picture);
    }
    update();
}

QImage PictureBox::picture() const
{
    return m_picture;
}

QImage PictureBox::image() const
{
    return m_image;
}

void PictureBox::drawIcon(int x, int y, const QPixmap& icon)
{
    fitImageToSize();
    if (icon.isNull() || !m_autoRedraw)
        return;
    QPainter painter(&m_image);
    painter.drawPixmap(x, y, icon);
    painter.end();
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), m_image);
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitImageToSize();
}

void PictureBox::fitImageToSize()
{
    const qreal ratio = devicePixelRatioF();
    if (m_image.deviceIndependentSize() == QSizeF(size()) && m_image.devicePixelRatio() == ratio)
        return;
    QImage resized = blankImage(size(), ratio);
    if (!m_image.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_image);
    }
    m_image = resized;
}
