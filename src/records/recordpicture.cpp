// The "Photo" tab: how its frame shows a picture, and its commands for choosing, removing and
// viewing an employee's picture. Only the picture file's path is kept in the record; the file
// itself is never copied or changed.

#include "records/recordpage.h"

#include "data/util.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/personnelfile.h"
#include "records/frmlargepic.h"
#include "records/picturebox.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPointer>

namespace {

struct Refusal {
    QString title, text; // no text: the path can be kept
};

// Why a picture's path cannot be kept in the record as it stands. A path cut or altered on the way
// would never lead back to the picture.
Refusal PathRefusal(const QString& path) {
    const QString notUsable = QStringLiteral("Picture Path Not Usable");
    const QByteArray stored = ToAnsi(path);
    // The characters the file's code page has no place for, each named once.
    QStringList unheld;
    for (const char32_t codePoint : path.toUcs4()) {
        const QString c = QString::fromUcs4(&codePoint, 1);
        if (FromAnsi(ToAnsi(c)) != c && !unheld.contains(c))
            unheld << c;
    }
    const QString shown = QStringLiteral("(") + path + QStringLiteral(")");
    if (!unheld.isEmpty()) {
        return {notUsable, QStringLiteral("The name or location of that picture file") + CrLf +
                               QStringLiteral("holds characters that can't be kept with the record:") + CrLf +
                               CrLf + unheld.join(QStringLiteral("  ")) + CrLf + CrLf + shown + CrLf + CrLf +
                               QStringLiteral("Please rename the file or folder without them") + CrLf +
                               QStringLiteral("and choose the picture again.")};
    }
    const int width = PersonnelRecord::FieldOf(PersonnelField::PictureFile).width;
    if (stored.size() > width) {
        return {QStringLiteral("Picture Path Too Long"),
                QStringLiteral("The name and location of that picture file") + CrLf +
                    QStringLiteral("are too long to be kept with the record.") + CrLf + CrLf + shown + CrLf +
                    CrLf + QStringLiteral("Please move the picture to a folder with a shorter") + CrLf +
                    QStringLiteral("path (up to %1 characters) and choose it again.").arg(width)};
    }
    if (TrimSpaces(path) != path) {
        return {notUsable, QStringLiteral("The name of that picture file begins or ends") + CrLf +
                               QStringLiteral("with a space, which can't be kept with the record.") + CrLf +
                               CrLf + shown + CrLf + CrLf +
                               QStringLiteral("Please rename the file without it") + CrLf +
                               QStringLiteral("and choose the picture again.")};
    }
    return {};
}

} // namespace

void RecordPage::cmdPicAddEdit_Click() {
    // The data files are addressed relative to the working folder, which a file dialog may move.
    const QString workingFolder = QDir::currentPath();
    const QString path = m_ctx.prompts.GetOpenFileName(QString(), QString(), QString());
    QDir::setCurrent(workingFolder);
    if (path.isEmpty())
        return;

    if (const Refusal refusal = PathRefusal(path); !refusal.text.isEmpty()) {
        m_ctx.prompts.MsgBox(refusal.text, MsgButtons::OKOnly, MsgIcon::Exclamation, refusal.title);
        return;
    }

    // Tried before anything on the tab changes: a file that is not a picture leaves the tab and
    // the record as they were, including the picture the employee already has.
    QImageReader trial(path);
    if (!trial.canRead() || trial.read().isNull()) {
        m_ctx.prompts.MsgBox(QStringLiteral("There is some kind of problem") + CrLf +
                                 QStringLiteral("in trying to access that picture file..."),
                             MsgButtons::OKOnly, MsgIcon::None, QStringLiteral("File Access Error"));
        return;
    }

    if (m_adding) {
        m_ctx.personnel.Record().SetPictureFile(path);
    } else if (!RewriteShownRecord([&](PersonnelRecord& record) {
                   record.SetPictureFile(path);
                   record.SetDateModified(m_ctx.clock.NowOle());
               })) {
        return;
    }

    lblPicture->hide();
    imgPicture->hide();
    imgPicture->SetStretch(false);
    if (!imgPicture->LoadPicture(path)) {
        // Gone between the trial and now: show the empty frame; the next showing of the record
        // reports the path.
        ResetPicture();
        imgPicture->show();
        lblPicture->show();
        return;
    }
    LayOutPicture();
    imgPicture->SetPath(path);
    imgPicture->SetStretch(true);
    imgPicture->show();
    ShowPictureButtons(true);
}

void RecordPage::cmdPicDelete_Click() {
    QApplication::processEvents();
    bool removed = false;
    if (m_adding) {
        m_ctx.personnel.Record().SetPictureFile(QString());
        removed = true;
    } else {
        const MsgAnswer answer = m_ctx.prompts.MsgBox(
            QStringLiteral("Are you SURE that you want") + CrLf + QStringLiteral("to delete this picture?"),
            MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Confirm Picture Delete"),
            MsgDefault::Button2);
        if (answer == MsgAnswer::Yes)
            removed = RewriteShownRecord([](PersonnelRecord& record) { record.SetPictureFile(QString()); });
    }
    if (!removed)
        return;
    imgPicture->hide();
    QApplication::processEvents();
    ShowEmptyFrame();
}

void RecordPage::cmdPicPrint_Click() {
    ViewPicture(false);
}

void RecordPage::ViewPicture(bool printAtOnce) {
    const QString path = imgPicture->Path();
    QPointer<frmLargePic> view = new frmLargePic(m_ctx, printAtOnce, window());
    if (!view->LoadPicture(path)) {
        // The file went away (or changed) after the record was shown.
        delete view;
        ReportMissingPicture(path);
        return;
    }
    view->lblPicHeading->setText(m_heading);
    const bool fade = m_ctx.state.FadeEnabled;
    // The view opens while the window behind it is still dimming.
    if (fade && m_windowFade)
        m_windowFade->StartFade(255, 204, 1, false);
    view->exec();
    if (fade && m_windowFade)
        m_windowFade->StartFade(204, 255, 2, false);
}

void RecordPage::ReportMissingPicture(const QString& path) {
    m_ctx.prompts.MsgBox(QStringLiteral("Can't find the picture file") + CrLf +
                             QStringLiteral("at the indicated location--") + CrLf + CrLf +
                             QStringLiteral("(") + path + QStringLiteral(")"),
                         MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Error loading picture"));
}

void RecordPage::ShowEmptyFrame() {
    ResetPicture();
    imgPicture->SetStretch(true);
    imgPicture->show();
    ShowPictureButtons(false);
}

void RecordPage::ResetPicture() {
    imgPicture->hide();
    imgPicture->SetStretch(false);
    imgPicture->Clear();
    PlaceTwips(imgPicture, 120, 120, FrameWidth, FrameHeight);
    imgPicture->SetPath(QString());
}

void RecordPage::LayOutPicture() {
    const QSize natural = imgPicture->NaturalTwips();
    const QSize shown = FitPicture(natural, FrameWidth, FrameHeight);
    PlaceTwips(imgPicture, 120, 120, shown.width(), shown.height());
}

void RecordPage::ShowPictureButtons(bool hasPicture) {
    const int level = m_ctx.state.ReadOnly ? 0 : m_ctx.state.CurrentAccessLevel; // 0: may change nothing
    // Spoken by whose it is, as the boxes name the employee now.
    imgPicture->setAccessibleName(hasPicture ? QStringLiteral("Photo of ") + TrimSpaces(FieldText(1)) + u' ' +
                                                   TrimSpaces(FieldText(3))
                                             : QStringLiteral("No photo"));
    lblPicture->setVisible(!hasPicture);
    cmdPicAddEdit[1]->setVisible(!hasPicture);
    cmdPicAddEdit[1]->setEnabled(level >= 3);
    cmdPicAddEdit[2]->setVisible(hasPicture);
    cmdPicAddEdit[2]->setEnabled(level >= 2);
    cmdPicPrint->setVisible(hasPicture);
    cmdPicPrint->setEnabled(true);
    cmdPicDelete->setVisible(hasPicture);
    cmdPicDelete->setEnabled(level == 4);
}

bool RecordPage::RewriteShownRecord(const std::function<void(PersonnelRecord&)>& change) {
    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFileUncounted();
    if (status)
        status = file.ReadPersonnelRecord(m_recordNumber);
    if (status) {
        change(file.Record());
        status = file.WritePersonnelRecord(m_recordNumber);
    }
    file.ClosePersonnelFile();
    return ReportFileError(m_ctx.prompts, status);
}
