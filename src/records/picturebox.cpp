#include "records/picturebox.h"

#include "ui/twips.h"

#include <QImageReader>
#include <QPainter>

QSize FitPicture(QSize natural, int maxWidth, int maxHeight) {
    const qint64 w = natural.width();
    const qint64 h = natural.height();
    if (w <= 0 || h <= 0)
        return {maxWidth, maxHeight};
    if (h < w)
        return {maxWidth, static_cast<int>(h * maxWidth / w)};
    return {static_cast<int>(w * maxHeight / h), maxHeight};
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

bool PictureBox::LoadPicture(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        Clear();
        return false;
    }
    m_pixmap = QPixmap::fromImage(std::move(image));
    m_naturalTwips = QSize(PixelsToTwipsX(m_pixmap.width(), this), PixelsToTwipsY(m_pixmap.height(), this));
    if (!m_stretch)
        resize(m_pixmap.size());
    update();
    return true;
}

void PictureBox::Clear() {
    m_pixmap = QPixmap();
    m_naturalTwips = QSize();
    update();
}

void PictureBox::SetStretch(bool stretch) {
    m_stretch = stretch;
    update();
}

void PictureBox::SetPath(const QString& path) {
    m_path = path;
    setToolTip(path);
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (m_pixmap.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch)
        p.drawPixmap(rect(), m_pixmap);
    else
        p.drawPixmap(0, 0, m_pixmap);
}
