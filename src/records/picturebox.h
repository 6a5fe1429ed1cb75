#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

// The size a picture of natural size `natural` is shown at in a frame of at most `maxWidth` by
// `maxHeight`: a landscape picture takes the full width, anything else (square included) the full
// height, the other side in proportion, whole-number division with the remainder dropped.
QSize FitPicture(QSize natural, int maxWidth, int maxHeight);

// A picture control: shows one picture, stretched to the control's size or at its own, and
// remembers the path it came from (also shown as its tool tip).
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Loads the file with the platform's image readers. On failure the control is left empty
    // and false comes back; the remembered path is not touched either way.
    bool LoadPicture(const QString& path);
    // Empties the control (the remembered path stays; clear it with SetPath).
    void Clear();
    bool HasPicture() const { return !m_pixmap.isNull(); }

    // The picture's own size in twips at the screen's resolution.
    QSize NaturalTwips() const { return m_naturalTwips; }

    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);

    QString Path() const { return m_path; }
    void SetPath(const QString& path);

    const QPixmap& Pixmap() const { return m_pixmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_pixmap;
    QSize m_naturalTwips;
    QString m_path;
    bool m_stretch = false;
};
