#pragma once

#include "core/appcontext.h"

#include <QDialog>
#include <QSize>
#include <QString>

class OrvicButton;
class PictureBox;
class QLabel;
class WindowFade;

// The large view of an employee's picture, opened from the record page's "Photo" tab. Made for
// one showing and deleted when closed.
class frmLargePic : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxPictureWidth = 8000; // twips
    static constexpr int MaxPictureHeight = 6000;

    // `printAtOnce`: this opening prints the picture and closes without waiting for the user (the
    // information report's photograph).
    explicit frmLargePic(AppContext& ctx, bool printAtOnce = false, QWidget* parent = nullptr);

    QLabel* lblPicHeading;
    PictureBox* imgPicture;
    OrvicButton* cmdPrintPic;
    OrvicButton* cmdReturn;

    // Loads the picture and fits it to the view; false when the file is not a readable picture.
    bool LoadPicture(const QString& path);

    // Prints the heading and the picture as a document of their own.
    void cmdPrintPic_Click();

    WindowFade* Fade() const { return m_fade; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Activate();
    void PrintPictureAtOnce();
    void cmdReturn_Click();

    AppContext& m_ctx;
    WindowFade* m_fade;
    bool m_activated = false;
    // This opening prints and closes without waiting for the user.
    bool m_printAtOnce = false;
    // The picture's size on the view, in twips; the printout keeps its proportions.
    QSize m_shownTwips;
};
