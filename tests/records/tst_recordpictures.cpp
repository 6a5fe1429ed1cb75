// Employee pictures on the "Photo" tab of the real main window, driven as a user drives them:
// how a picture is fitted into the frame, a stored path that leads nowhere, choosing, refusing,
// changing and removing a picture (for a listed employee and for one being added), and the large
// view of the picture.
#include "records/frmlargepic.h"
#include "records/picturebox.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QtEndian>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString DataFile = QStringLiteral("Rosterly.Data");

// Three employees, written so that list order and record order differ:
// row 1 "Adams, Bob" = record 2, row 2 "Baker, Cy" = record 3, row 3 "Cole, Dee" = record 1.
std::vector<StaffMember> Staff(const QString& adamsPicture = {}, const QString& bakerPicture = {},
                               const QString& colePicture = {}) {
    return {
        {u"Cole"_s, u"Dee"_s, {1999, 9, 9}, {2021, 1, 4}, {}, u"O"_s, u"F"_s, colePicture, 46100.25, 0},
        {u"Adams"_s,
         u"Bob"_s,
         {1970, 2, 2},
         {2000, 3, 15},
         {},
         u"B"_s,
         u"M"_s,
         adamsPicture,
         46001.5,
         46050.75},
        {u"Baker"_s, u"Cy"_s, {1960, 1, 1}, {1990, 6, 1}, {}, u"H"_s, u"M"_s, bakerPicture, 46002.5, 0},
    };
}

// The fixed clock's instant, 12/08/2026 17:05:09, as the data file stores it.
double ClockNow() {
    return DateToOle(QDate(2026, 12, 8)) + (17 * 3600 + 5 * 60 + 9) / 86400.0;
}

// The screen's logical DPI, by which picture pixels become twips.
double DpiX() {
    return QGuiApplication::primaryScreen()->logicalDotsPerInchX();
}
double DpiY() {
    return QGuiApplication::primaryScreen()->logicalDotsPerInchY();
}

// Writes a picture whose natural size at the screen's DPI is exactly `twips`.
void WritePicture(const QString& path, QSize twips) {
    const double px = twips.width() * DpiX() / 1440.0;
    const double py = twips.height() * DpiY() / 1440.0;
    QVERIFY2(px == std::floor(px) && py == std::floor(py),
             "these picture sizes need a DPI that divides 1440");
    QVERIFY(WriteImage(path, int(px), int(py)));
}

// Natural sizes in twips of the pictures the tests use.
const QSize Portrait(9000, 12000);
const QSize Landscape(12000, 9000);
const QSize Square(7500, 7500);
const QSize Wide(10500, 4500); // fitted sizes with a remainder dropped

// The data file with one field of record `n` replaced by `bytes`.
QByteArray WithField(QByteArray file, int n, PersonnelField field, const QByteArray& bytes) {
    const FieldLayout f = PersonnelRecord::FieldOf(field);
    if (bytes.size() != f.width)
        qFatal("field value of the wrong width");
    file.replace((n - 1) * PersonnelRecordLength + f.offset, f.width, bytes);
    return file;
}

QByteArray PictureFileOnDisk(int n) {
    const FieldLayout f = PersonnelRecord::FieldOf(PersonnelField::PictureFile);
    return ReadFileBytes(DataFile).mid((n - 1) * PersonnelRecordLength + f.offset, f.width);
}

void ShowPhotoTab(frmMain* w) {
    ClickTabOf(w->recordPage->tabNameInfo, 4);
}

// The controls of the "Photo" tab, found by name.
struct PhotoTab {
    explicit PhotoTab(const RecordPage* page)
        : img(FindControl<PictureBox>(page, u"imgPicture"_s)),
          frameLabel(FindControl<QLabel>(page, u"lblPicture"_s)),
          add(FindControl<OrvicButton>(page, u"cmdPicAddEdit(1)"_s)),
          edit(FindControl<OrvicButton>(page, u"cmdPicAddEdit(2)"_s)),
          print(FindControl<OrvicButton>(page, u"cmdPicPrint"_s)),
          remove(FindControl<OrvicButton>(page, u"cmdPicDelete"_s)) {}
    PictureBox* img;
    QLabel* frameLabel;
    OrvicButton* add;
    OrvicButton* edit;
    OrvicButton* print;
    OrvicButton* remove;
};

QSize PixelSize(QSize twips, const QWidget* w) {
    return {TwipsToPixelsX(twips.width(), w), TwipsToPixelsY(twips.height(), w)};
}

// The tab shows no picture: the empty frame, its placeholder and "Add a Picture".
void CheckPlaceholder(const PhotoTab& t) {
    QVERIFY(t.img->isVisible());
    QVERIFY(!t.img->HasPicture());
    QCOMPARE(t.img->Path(), QString());
    QCOMPARE(t.img->toolTip(), QString());
    QCOMPARE(t.img->accessibleName(), u"No photo"_s);
    QCOMPARE(t.img->size(), PixelSize({3480, 2535}, t.img));
    QCOMPARE(t.img->pos(), t.frameLabel->pos());
    QVERIFY(t.frameLabel->isVisible());
    QVERIFY(t.add->isVisible());
    QVERIFY(!t.edit->isVisible());
    QVERIFY(!t.print->isVisible());
    QVERIFY(!t.remove->isVisible());
}

// The tab shows the picture at `path`, `shown` twips in size at the frame's corner, with the
// buttons for a picture.
void CheckPicture(const PhotoTab& t, const QString& path, QSize shown) {
    QVERIFY(t.img->isVisible());
    QVERIFY(t.img->HasPicture());
    QVERIFY(t.img->Stretch());
    QCOMPARE(t.img->Path(), path);
    QCOMPARE(t.img->toolTip(), path);
    QVERIFY(t.img->accessibleName().startsWith(u"Photo of "_s));
    QCOMPARE(t.img->size(), PixelSize(shown, t.img));
    QCOMPARE(t.img->pos(), t.frameLabel->pos());
    QVERIFY(!t.frameLabel->isVisible());
    QVERIFY(!t.add->isVisible());
    QVERIFY(t.edit->isVisible());
    QVERIFY(t.print->isVisible());
    QVERIFY(t.remove->isVisible());
}

#define CHECK_PLACEHOLDER(t)                                                                                 \
    do {                                                                                                     \
        CheckPlaceholder(t);                                                                                 \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

#define CHECK_PICTURE(t, path, shown)                                                                        \
    do {                                                                                                     \
        CheckPicture(t, path, shown);                                                                        \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

void CheckMessage(const Prompt& asked, const QString& text, const QString& title, MsgIcon icon) {
    QCOMPARE(asked.kind, Prompt::Kind::Message);
    QCOMPARE(asked.text, text);
    QCOMPARE(asked.title, title);
    QCOMPARE(asked.icon, icon);
    QCOMPARE(asked.buttons, MsgButtons::OKOnly);
}

QString MissingPictureText(const QString& path) {
    return u"Can't find the picture file\r\nat the indicated location--\r\n\r\n("_s + path + u")"_s;
}

const QString NotAPictureText =
    u"There is some kind of problem\r\nin trying to access that picture file..."_s;

} // namespace

class TestRecordPictures : public ProgramTest {
    Q_OBJECT

private slots:
    // The frame is 3480 x 2535 twips: a landscape picture takes its width, anything else (a
    // square too) its height, the other side in proportion with the remainder dropped.
    void picturesAreFittedIntoTheFrame_data() {
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("portrait") << Portrait << QSize(1901, 2535);
        QTest::newRow("landscape") << Landscape << QSize(3480, 2610);
        QTest::newRow("square") << Square << QSize(2535, 2535);
        QTest::newRow("wide") << Wide << QSize(3480, 1491);
    }
    void picturesAreFittedIntoTheFrame() {
        QFETCH(QSize, natural);
        QFETCH(QSize, shown);
        QVERIFY(QDir().mkdir(u"pics"_s));
        const QString path = folder->FilePath(u"pics/staff photo.png"_s);
        WritePicture(path, natural);
        WriteStaff(Staff(path));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(w->grid->Row(), 1);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PICTURE(t, path, shown);
        QCOMPARE(QSize(PixelsToTwipsX(t.img->Pixmap().width(), t.img),
                       PixelsToTwipsY(t.img->Pixmap().height(), t.img)),
                 natural);
        QCOMPARE(t.img->NaturalTwips(), natural);

        // The next employee has none: the frame is emptied and back to its full size.
        ClickRow(w->grid, 2);
        CHECK_PLACEHOLDER(t);
        ClickRow(w->grid, 1);
        CHECK_PICTURE(t, path, shown);
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    // Which picture commands are offered and usable, by picture presence and access level.
    void pictureCommandsFollowTheAccessLevel_data() {
        QTest::addColumn<int>("level");
        for (int level = 1; level <= 4; ++level)
            QTest::addRow("level %d", level) << level;
    }
    void pictureCommandsFollowTheAccessLevel() {
        QFETCH(int, level);
        const QString path = folder->FilePath(u"adams.png"_s);
        WritePicture(path, Portrait);
        WriteStaff(Staff(path));
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PICTURE(t, path, QSize(1901, 2535));
        QCOMPARE(t.edit->isEnabled(), level >= 2);
        QVERIFY(t.print->isEnabled());
        QCOMPARE(t.remove->isEnabled(), level == 4);
        QCOMPARE(t.edit->Caption(), u"Edit this Picture"_s);
        QCOMPARE(t.print->Caption(), u"View/Print this Picture"_s);
        QCOMPARE(t.remove->Caption(), u"Delete this Picture"_s);

        ClickRow(w->grid, 2);
        CHECK_PLACEHOLDER(t);
        QCOMPARE(t.add->isEnabled(), level >= 3);
        QCOMPARE(t.add->Caption(), u"Add a Picture"_s);
        QCOMPARE(t.frameLabel->text(), u"Picture Frame"_s);
    }

    // A stored path that leads nowhere is reported once, when the record is shown, and removed
    // from the record; nothing else in the file changes.
    void missingPictureIsReportedOnceAndForgotten() {
        const QString gone = folder->FilePath(u"pics/gone.jpg"_s);
        const QString other = folder->FilePath(u"cole.png"_s);
        WritePicture(other, Landscape);
        WriteStaff(Staff(gone, {}, other));
        const QByteArray before = ReadFileBytes(DataFile);
        QCOMPARE(before.size(), 3 * PersonnelRecordLength);

        p->prompts.Answer(MsgAnswer::OK);
        frmMain* w = OpenMainWindow(*p, 1);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 1);
        CheckMessage(p->prompts.Asked()[0], MissingPictureText(gone), u"Error loading picture"_s,
                     MsgIcon::Critical);
        QCOMPARE(ReadFileBytes(DataFile),
                 WithField(before, 2, PersonnelField::PictureFile, Padded({}, PersonnelField::PictureFile)));

        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PLACEHOLDER(t);

        // Showing the employee again asks nothing.
        ClickRow(w->grid, 3);
        CHECK_PICTURE(t, other, QSize(3480, 2610));
        ClickRow(w->grid, 1);
        CHECK_PLACEHOLDER(t);
        QCOMPARE(p->prompts.Asked().size(), 1);

        // A file that is there but holds no picture counts as missing too.
        QFile broken(other);
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("not a picture");
        broken.close();
        const QByteArray second = ReadFileBytes(DataFile);
        p->prompts.Answer(MsgAnswer::OK);
        ClickRow(w->grid, 3);
        QCOMPARE(p->prompts.Asked().size(), 2);
        CheckMessage(p->prompts.Asked()[1], MissingPictureText(other), u"Error loading picture"_s,
                     MsgIcon::Critical);
        QCOMPARE(ReadFileBytes(DataFile),
                 WithField(second, 1, PersonnelField::PictureFile, Padded({}, PersonnelField::PictureFile)));
        CHECK_PLACEHOLDER(t);
    }

    // Choosing a picture for a listed employee stores its path and the time of the change at once;
    // choosing another replaces it; cancelling the dialog changes nothing.
    void choosingAPictureStoresItsPath() {
        QVERIFY(QDir().mkdir(u"pics"_s));
        const QString wide = folder->FilePath(u"pics/wide.png"_s);
        const QString portrait = folder->FilePath(u"pics/portrait.bmp"_s);
        WritePicture(wide, Wide);
        WritePicture(portrait, Portrait);
        WriteStaff(Staff());
        const QString workingFolder = QDir::currentPath();
        const QByteArray before = ReadFileBytes(DataFile);

        frmMain* w = OpenMainWindow(*p, 3);
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PLACEHOLDER(t);

        p->prompts.AnswerFile(wide);
        Click(w->recordPage, u"cmdPicAddEdit(1)"_s);
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt dialog = p->prompts.Asked()[0];
        QCOMPARE(dialog.kind, Prompt::Kind::OpenFile);
        QCOMPARE(dialog.filter, QString()); // any file may be chosen
        QCOMPARE(QDir::currentPath(), workingFolder);

        QByteArray expected = WithField(before, 2, PersonnelField::PictureFile,
                                        Padded(wide.toLatin1(), PersonnelField::PictureFile));
        expected = WithField(expected, 2, PersonnelField::DateModified, DateBytes(ClockNow()));
        QCOMPARE(ReadFileBytes(DataFile), expected);
        CHECK_PICTURE(t, wide, QSize(3480, 1491));
        QCOMPARE(t.img->NaturalTwips(), Wide);
        // The buttons keep the enabling of the access level: no removal below level 4.
        QVERIFY(t.edit->isEnabled());
        QVERIFY(!t.remove->isEnabled());

        // The data file is still found after the dialog: the list and the page read it again.
        ClickRow(w->grid, 2);
        CHECK_PLACEHOLDER(t);
        ClickRow(w->grid, 1);
        CHECK_PICTURE(t, wide, QSize(3480, 1491));

        // Another picture replaces it, with a new time of change.
        p->clock.Set(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 0)));
        p->prompts.AnswerFile(portrait);
        Click(w->recordPage, u"cmdPicAddEdit(2)"_s);
        expected = WithField(before, 2, PersonnelField::PictureFile,
                             Padded(portrait.toLatin1(), PersonnelField::PictureFile));
        expected = WithField(expected, 2, PersonnelField::DateModified,
                             DateBytes(DateToOle(QDate(2026, 12, 9)) + 8.0 / 24));
        QCOMPARE(ReadFileBytes(DataFile), expected);
        CHECK_PICTURE(t, portrait, QSize(1901, 2535));
        QCOMPARE(QDir::currentPath(), workingFolder);

        // Cancelling the dialog leaves the record and the tab alone.
        p->clock.Set(QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)));
        p->prompts.AnswerFile(QString());
        Click(w->recordPage, u"cmdPicAddEdit(2)"_s);
        QCOMPARE(ReadFileBytes(DataFile), expected);
        CHECK_PICTURE(t, portrait, QSize(1901, 2535));

        // ... also for an employee without a picture.
        ClickRow(w->grid, 3);
        const QByteArray now = ReadFileBytes(DataFile);
        p->prompts.AnswerFile(QString());
        Click(w->recordPage, u"cmdPicAddEdit(1)"_s);
        QCOMPARE(ReadFileBytes(DataFile), now);
        CHECK_PLACEHOLDER(t);
        QCOMPARE(p->prompts.Asked().size(), 4);
        QCOMPARE(p->prompts.Pending(), 0);
    }

    // A chosen file that is not a picture is refused; the tab and the record stay exactly as they
    // were, an existing picture included.
    void fileThatIsNotAPictureIsRefused() {
        const QString fake = folder->FilePath(u"notes.png"_s);
        QFile text(fake);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Shift notes for Monday\r\n");
        text.close();
        const QString photo = folder->FilePath(u"baker.png"_s);
        WritePicture(photo, Square);
        WriteStaff(Staff({}, photo));
        const QByteArray before = ReadFileBytes(DataFile);

        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);

        p->prompts.AnswerFile(fake).Answer(MsgAnswer::OK);
        Click(w->recordPage, u"cmdPicAddEdit(1)"_s);
        QCOMPARE(p->prompts.Asked().size(), 2);
        CheckMessage(p->prompts.Asked()[1], NotAPictureText, u"File Access Error"_s, MsgIcon::None);
        QCOMPARE(ReadFileBytes(DataFile), before);
        CHECK_PLACEHOLDER(t);

        ClickRow(w->grid, 2);
        CHECK_PICTURE(t, photo, QSize(2535, 2535));
        p->prompts.AnswerFile(fake).Answer(MsgAnswer::OK);
        Click(w->recordPage, u"cmdPicAddEdit(2)"_s);
        QCOMPARE(p->prompts.Asked().size(), 4);
        CheckMessage(p->prompts.Asked()[3], NotAPictureText, u"File Access Error"_s, MsgIcon::None);
        QCOMPARE(ReadFileBytes(DataFile), before);
        CHECK_PICTURE(t, photo, QSize(2535, 2535));
        QCOMPARE(t.img->NaturalTwips().width(), Square.width());
    }

    // The record keeps the path in 100 single-byte characters: a path that does not fit as it
    // stands would never lead back to the picture, so it is refused and nothing changes.
    void pathsTheRecordCannotHoldAreRefused_data() {
        QTest::addColumn<int>("length"); // in characters, the suffix included
        QTest::addColumn<QString>("special");
        QTest::addColumn<QString>("title"); // of the refusal; empty when the path is kept
        QTest::addColumn<QString>("named"); // the line of the refusal that names what is wrong
        const QString tooLong = u"Picture Path Too Long"_s;
        const QString notUsable = u"Picture Path Not Usable"_s;
        const QString longLine = u"are too long to be kept with the record."_s;
        QTest::newRow("100 characters") << 100 << QString() << QString() << QString();
        QTest::newRow("101 characters") << 101 << QString() << tooLong << longLine;
        QTest::newRow("100 with a code-page letter") << 100 << u"\u00e9"_s << QString() << QString();
        QTest::newRow("101 with a code-page letter") << 101 << u"\u00e9"_s << tooLong << longLine;
        // Characters the code page has no place for are named, each once, whatever the length.
        QTest::newRow("a letter outside the code page")
            << 90 << u"\u0142\u0142"_s << notUsable << u"\u0142"_s;
        QTest::newRow("two, one beyond the 16 bits")
            << 90 << u"\u0142\U0001F600"_s << notUsable << u"\u0142  \U0001F600"_s;
        QTest::newRow("outside the code page and too long") << 120 << u"\u0142"_s << notUsable << u"\u0142"_s;
    }
    void pathsTheRecordCannotHoldAreRefused() {
        QFETCH(int, length);
        QFETCH(QString, special);
        QFETCH(QString, title);
        QFETCH(QString, named);
        const bool accepted = title.isEmpty();
        QString path = folder->Path() + u"/"_s + special;
        QVERIFY2(path.size() + 4 < length, "the temporary folder's path is too long for this test");
        path += QString(length - path.size() - 4, u'p') + u".png"_s;
        QCOMPARE(path.size(), length);
        WritePicture(path, Landscape);
        QVERIFY(QFile::exists(path));
        WriteStaff(Staff());
        const QByteArray before = ReadFileBytes(DataFile);

        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        p->prompts.AnswerFile(path);
        if (!accepted)
            p->prompts.Answer(MsgAnswer::OK);
        Click(w->recordPage, u"cmdPicAddEdit(1)"_s);
        QCOMPARE(p->prompts.Pending(), 0);

        if (accepted) {
            QCOMPARE(p->prompts.Asked().size(), 1);
            QCOMPARE(PictureFileOnDisk(2), path.toLatin1()); // one byte per character, E9 for é
            CHECK_PICTURE(t, path, QSize(3480, 2610));
            ClickRow(w->grid, 2);
            ClickRow(w->grid, 1);
            CHECK_PICTURE(t, path, QSize(3480, 2610));
            QCOMPARE(p->prompts.Asked().size(), 1);
        } else {
            QCOMPARE(p->prompts.Asked().size(), 2);
            const Prompt refusal = p->prompts.Asked()[1];
            QCOMPARE(refusal.kind, Prompt::Kind::Message);
            QCOMPARE(refusal.title, title);
            QCOMPARE(refusal.icon, MsgIcon::Exclamation);
            QCOMPARE(refusal.buttons, MsgButtons::OKOnly);
            const QStringList lines = refusal.text.split(u"\r\n"_s);
            QVERIFY2(lines.contains(named), qPrintable(refusal.text));
            QVERIFY2(lines.contains(u"("_s + path + u")"_s), qPrintable(refusal.text));
            QCOMPARE(ReadFileBytes(DataFile), before);
            CHECK_PLACEHOLDER(t);
        }
    }

    // Removing asks first; No keeps everything, Yes blanks the stored path (the time of the last
    // change stays) and empties the frame.
    void removingAPictureAsksFirst() {
        const QString photo = folder->FilePath(u"adams.png"_s);
        WritePicture(photo, Portrait);
        WriteStaff(Staff(photo));
        const QByteArray before = ReadFileBytes(DataFile);

        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PICTURE(t, photo, QSize(1901, 2535));

        p->prompts.Answer(MsgAnswer::No);
        Click(w->recordPage, u"cmdPicDelete"_s);
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt asked = p->prompts.Asked()[0];
        QCOMPARE(asked.kind, Prompt::Kind::Message);
        QCOMPARE(asked.text, u"Are you SURE that you want\r\nto delete this picture?"_s);
        QCOMPARE(asked.title, u"Confirm Picture Delete"_s);
        QCOMPARE(asked.icon, MsgIcon::Question);
        QCOMPARE(asked.buttons, MsgButtons::YesNo);
        QCOMPARE(asked.defaultButton, MsgDefault::Button2);
        QCOMPARE(ReadFileBytes(DataFile), before);
        CHECK_PICTURE(t, photo, QSize(1901, 2535));

        p->prompts.Answer(MsgAnswer::Yes);
        Click(w->recordPage, u"cmdPicDelete"_s);
        QCOMPARE(p->prompts.Asked().size(), 2);
        QCOMPARE(p->prompts.Asked()[1].text, asked.text);
        QCOMPARE(ReadFileBytes(DataFile),
                 WithField(before, 2, PersonnelField::PictureFile, Padded({}, PersonnelField::PictureFile)));
        CHECK_PLACEHOLDER(t);
        QVERIFY(QFile::exists(photo)); // the file itself is never touched

        ClickRow(w->grid, 2);
        ClickRow(w->grid, 1);
        CHECK_PLACEHOLDER(t);
        QCOMPARE(p->prompts.Asked().size(), 2);
    }

    // While a new employee is entered the picture lives with the entry: choosing and removing it
    // write nothing and ask nothing, and Save stores what the tab holds.
    void newEmployeeKeepsThePictureUntilSaved_data() {
        QTest::addColumn<bool>("removeAgain");
        QTest::newRow("chosen") << false;
        QTest::newRow("chosen and removed") << true;
    }
    void newEmployeeKeepsThePictureUntilSaved() {
        QFETCH(bool, removeAgain);
        QVERIFY(QDir().mkdir(u"pics"_s));
        const QString photo = folder->FilePath(u"pics/new hire.png"_s);
        WritePicture(photo, Landscape);
        const QString adams = folder->FilePath(u"adams.png"_s);
        WritePicture(adams, Portrait);
        WriteStaff(Staff(adams));
        const QByteArray before = ReadFileBytes(DataFile);

        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        Click(w, u"cmdAddEmployee"_s);
        QVERIFY(w->Editor().IsAdding());
        RecordPage* page = w->recordPage;
        const std::pair<int, QString> entry[] = {{1, u"Eve"_s}, {3, u"Ford"_s},       {5, u"w"_s},
                                                 {6, u"f"_s},   {7, u"04/05/1991"_s}, {19, u"06/07/2020"_s}};
        for (const auto& [box, text] : entry)
            QTest::keyClicks(FindControl<QLineEdit>(page, u"txtField(%1)"_s.arg(box)), text);
        ShowPhotoTab(w);
        const PhotoTab t(page);
        CHECK_PLACEHOLDER(t); // the picture of the employee shown before is gone

        p->prompts.AnswerFile(photo);
        Click(page, u"cmdPicAddEdit(1)"_s);
        QCOMPARE(ReadFileBytes(DataFile), before);
        CHECK_PICTURE(t, photo, QSize(3480, 2610));
        if (removeAgain) {
            Click(page, u"cmdPicDelete"_s);
            QCOMPARE(ReadFileBytes(DataFile), before);
            CHECK_PLACEHOLDER(t);
        }
        QCOMPARE(p->prompts.Asked().size(), 1); // the file dialog only

        QVERIFY(FindControl<OrvicButton>(w, u"cmdAddEditSave"_s)->isEnabled());
        Click(w, u"cmdAddEditSave"_s);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(ReadFileBytes(DataFile).size(), 4 * PersonnelRecordLength);
        QCOMPARE(ReadFileBytes(DataFile).left(3 * PersonnelRecordLength), before);
        const PersonnelRecord added = ReadRecordFromDisk(4);
        QCOMPARE(added.LastName(), u"Ford"_s);
        QCOMPARE(PictureFileOnDisk(4),
                 Padded(removeAgain ? QByteArray() : photo.toLatin1(), PersonnelField::PictureFile));

        // The new employee is listed, highlighted and shown with what was saved.
        QVERIFY(!w->Editor().IsAdding());
        QCOMPARE(w->grid->TextMatrix(w->grid->Row(), 3), u"4"_s);
        ShowPhotoTab(w);
        if (removeAgain)
            CHECK_PLACEHOLDER(t);
        else
            CHECK_PICTURE(t, photo, QSize(3480, 2610));
        QCOMPARE(p->prompts.Asked().size(), 1);
    }

    // "View/Print this Picture" opens the large view over the main window: the employee's name as
    // the list shows it, the picture fitted to 8000 twips wide (landscape) or 6000 high.
    void largeViewShowsThePictureWithTheName_data() {
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("landscape") << Landscape << QSize(8000, 6000);
        QTest::newRow("wide") << Wide << QSize(8000, 3428);
        QTest::newRow("portrait") << Portrait << QSize(4500, 6000);
        QTest::newRow("square") << Square << QSize(6000, 6000);
    }
    void largeViewShowsThePictureWithTheName() {
        QFETCH(QSize, natural);
        QFETCH(QSize, shown);
        const QString photo = folder->FilePath(u"baker.png"_s);
        WritePicture(photo, natural);
        WriteStaff(Staff({}, photo));

        frmMain* w = OpenMainWindow(*p, 1);
        QVERIFY(w);
        ClickRow(w->grid, 2);
        ShowPhotoTab(w);

        const bool seen = ViewLargePicture(w, [&](frmLargePic* view) {
            QVERIFY(view->isModal());
            QCOMPARE(view->parentWidget(), static_cast<QWidget*>(w));
            QCOMPARE(view->windowTitle(), u"Picture:  Baker, Cy"_s);
            QCOMPARE(FindControl<QLabel>(view, u"lblPicHeading"_s)->text(), u"Baker, Cy"_s);
            auto* img = FindControl<PictureBox>(view, u"imgPicture"_s);
            QVERIFY(img->isVisible());
            QVERIFY(img->HasPicture());
            QVERIFY(img->Stretch());
            QCOMPARE(img->size(), PixelSize(shown, img));
            QCOMPARE(img->toolTip(), photo);
            QCOMPARE(img->NaturalTwips(), natural);
            QCOMPARE(FindControl<OrvicButton>(view, u"cmdPrintPic"_s)->toolTip(), u" Print this Picture "_s);
            QCOMPARE(FindControl<OrvicButton>(view, u"cmdReturn"_s)->toolTip(), u" Close this Window "_s);
        });
        QVERIFY(seen);
        QTRY_VERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(p->prompts.Asked().size(), 0);

        // Each opening is a fresh view.
        int opened = 0;
        QVERIFY(ViewLargePicture(w, [&](frmLargePic* view) {
            ++opened;
            QCOMPARE(view->windowTitle(), u"Picture:  Baker, Cy"_s);
        }));
        QCOMPARE(opened, 1);
        QTRY_VERIFY(w->findChild<frmLargePic*>() == nullptr);
    }

    // With fades on, the view opens while the main window is still dimming (the dim is not waited
    // for), and the window comes back to full opacity after it.
    void largeViewOpensWhileTheWindowDims() {
        const QString photo = folder->FilePath(u"adams.png"_s);
        WritePicture(photo, Portrait);
        WriteStaff(Staff(photo));
        p->SetFades(true);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QTRY_VERIFY(!w->Fade()->IsFading());

        bool dimmingAtShow = false;
        const ShowWatch<frmLargePic> watch([&](frmLargePic*) { dimmingAtShow = w->Fade()->IsFading(); });
        QVERIFY(ViewLargePicture(w, [&](frmLargePic* view) { QTRY_VERIFY(!view->Fade()->IsFading()); }));
        QVERIFY(dimmingAtShow);
        QTRY_VERIFY(!w->Fade()->IsFading());
        QCOMPARE(w->windowOpacity(), 1.0);
    }

    // The information report prints the photograph through the large view, which then closes the
    // way Return closes it: faded out when fades are on.
    void reportPrintsThePictureAndTheViewFadesOut() {
        const QString photo = folder->FilePath(u"adams.png"_s);
        WritePicture(photo, Portrait);
        WriteStaff(Staff(photo));
        p->SetFades(true);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QTRY_VERIFY(!w->Fade()->IsFading());

        QList<int> alphas;
        const ShowWatch<frmLargePic> watch([&](frmLargePic* view) {
            QObject::connect(view->Fade(), &WindowFade::AlphaApplied, view, [&](int a) { alphas << a; });
        });
        // Printer ready, and the photograph too.
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::Yes);
        QTest::mouseClick(w->cmdPrintEntry, Qt::LeftButton);
        QTRY_VERIFY(w->findChild<frmLargePic*>() == nullptr);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().last().text, u"Print the photograph?"_s);
        QCOMPARE(p->printer.Documents(), 2);
        QVERIFY2(alphas.size() > 2 && alphas.first() > alphas.last() && alphas.last() == 0,
                 qPrintable(u"alphas: %1"_s.arg(alphas.size())));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // A picture that went away after the record was shown is reported instead of opening an empty
    // view.
    void largeViewOfAVanishedPictureIsReported() {
        const QString photo = folder->FilePath(u"adams.png"_s);
        WritePicture(photo, Portrait);
        WriteStaff(Staff(photo));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ShowPhotoTab(w);
        const PhotoTab t(w->recordPage);
        CHECK_PICTURE(t, photo, QSize(1901, 2535));
        QVERIFY(QFile::remove(photo));

        p->prompts.Answer(MsgAnswer::OK);
        const bool seen = ViewLargePicture(w, [](frmLargePic*) {});
        QVERIFY(!seen);
        QCOMPARE(p->prompts.Asked().size(), 1);
        CheckMessage(p->prompts.Asked()[0], MissingPictureText(photo), u"Error loading picture"_s,
                     MsgIcon::Critical);
        QVERIFY(w->findChild<frmLargePic*>() == nullptr);
        QVERIFY(w->isVisible());
        QVERIFY(w->isEnabled());
    }
};

QTEST_MAIN(TestRecordPictures)
#include "tst_recordpictures.moc"
