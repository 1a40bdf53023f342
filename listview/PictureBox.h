#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// A drawing surface that keeps what is drawn on it. Sizes are in twips (15 to a pixel), as
// everywhere in the window's layout. Its image has the device pixel ratio of the surface's
// screen, so what is drawn stays sharp on a scaled screen.
class PictureBox final : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setAutoRedraw(bool on);
    bool autoRedraw() const;
    void setAutoSize(bool on);
    bool autoSize() const;

    // Sizes in twips; a negative size throws std::invalid_argument.
    void setWidth(double twips);
    void setHeight(double twips);

    // Shows the picture; a null picture blanks the surface to its (transparent) background.
    void setPicture(const QImage& picture);
    QImage picture() const;

    // The persistent image: everything drawn since the picture was last set, over it.
    QImage image() const;

    // Paints an icon at its own size with its top-left corner at (x, y) pixels; a null icon
    // draws nothing. The drawing is kept in the image only while autoRedraw is on.
    void drawIcon(int x, int y, const QPixmap& icon);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Gives the image the surface's current size and device pixel ratio, keeping what it shows.
    void fitImageToSize();

    bool m_autoRedraw = false;
    bool m_autoSize = false;
    QImage m_picture;
    QImage m_image;
};
