#pragma once

// What the record-page tests share: a staff file written through the data layer, the main window
// signed in at an access level, and finding controls by their object names.

#include "frmmain.h"
#include "grid.h"
#include "oledate.h"
#include "personnelfile.h"
#include "recordpage.h"
#include "tabcontrol.h"
#include "testprogram.h"
#include "testsupport.h"

#include <QImage>
#include <QTabBar>
#include <QtTest>

#include <vector>

struct StaffMember {
    QString last, first;
    QDate born, hired;
    QDate inactivated = {}; // null: a current employee
    QString race = QStringLiteral("W");
    QString sex = QStringLiteral("F");
    QString picture = {};
    double created = 46000.5;
    double modified = 0;
};

// Appends the staff to the personnel file of the working folder, in the order given.
inline void WriteStaff(const std::vector<StaffMember>& staff) {
    FileIo io;
    PersonnelFile file(io);
    QVERIFY(file.OpenPersonnelFile());
    for (const StaffMember& e : staff) {
        PersonnelRecord& r = file.Record();
        r.Clear();
        r.SetLastName(e.last);
        r.SetFirstName(e.first);
        r.SetRace(e.race);
        r.SetSex(e.sex);
        r.SetDateOfBirth(DateToOle(e.born));
        r.SetDateOfEmployment(DateToOle(e.hired));
        r.SetInactivationDate(e.inactivated.isNull() ? 0.0 : DateToOle(e.inactivated));
        r.SetPictureFile(e.picture);
        r.SetDateCreated(e.created);
        r.SetDateModified(e.modified);
        QVERIFY(file.AppendPersonnelRecord());
    }
    file.ClosePersonnelFile();
}

// Record n of the personnel file in the working folder, read afresh.
inline PersonnelRecord ReadRecordFromDisk(qint32 n) {
    FileIo io;
    PersonnelFile file(io);
    PersonnelRecord r;
    if (!file.OpenPersonnelFile() || !file.ReadPersonnelRecord(n))
        qFatal("cannot read record %d", n);
    r = file.Record();
    file.ClosePersonnelFile();
    return r;
}

// Signs in at `level` and waits until the list has been built.
inline frmMain* OpenMainWindow(TestProgram& p, qint16 level = 4) {
    p.state.CurrentUserName = QStringLiteral("Ann Lee");
    p.state.CurrentAccessLevel = level;
    p.windows.ShowMainWindow();
    frmMain* w = p.windows.MainWindow();
    if (!QTest::qWaitForWindowExposed(w) || !QTest::qWaitFor([w] { return w->IsActivated(); }))
        return nullptr;
    return w;
}

template <typename T> T* FindControl(const QObject* parent, const QString& name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr)
        qFatal("no control %s", qPrintable(name));
    return child;
}

// A click on a tab of a tab control, as the user makes it.
inline void ClickTabOf(TabControl* tabs, int page) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
}

// Writes a picture of `width` x `height` pixels (PNG, or the format the suffix names).
inline bool WriteImage(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    return image.save(path);
}
