#pragma once

// What the record-page tests share: a staff file written through the data layer (recordsfile.h),
// the main window signed in at an access level, and finding controls by their object names.

#include "app/frmmain.h"
#include "records/frmlargepic.h"
#include "records/recordeditor.h"
#include "records/recordpage.h"
#include "support/recordsfile.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "support/useractions.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/tabcontrol.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

// Appends `record` as it stands to the personnel file of the working folder.
inline void AppendRecord(const PersonnelRecord& record) {
    AppendRecords({record});
}

// Record n of the personnel file in the working folder, read afresh.
inline PersonnelRecord ReadRecordFromDisk(qint32 n) {
    PersonnelFileOnDisk file;
    PersonnelRecord r;
    if (!file.OpenPersonnelFile() || !file.ReadPersonnelRecord(n))
        qFatal("cannot read record %d", n);
    r = file.Record();
    file.ClosePersonnelFile();
    return r;
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

// Clicks "View/Print this Picture" on the "Photo" tab; once the large view is up (modal), runs
// `inspect` on it and clicks its Return button. Returns whether a view came up; a view that will
// not close is closed here after failing the test, so that a fault cannot hang the run.
inline bool ViewLargePicture(frmMain* w, const std::function<void(frmLargePic*)>& inspect) {
    bool seen = false;
    int ticksAfterReturn = -1;
    QPointer<frmLargePic> view;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (view.isNull() && !seen) {
            view = qobject_cast<frmLargePic*>(QApplication::activeModalWidget());
            if (view.isNull() || !view->isVisible())
                return;
            seen = true;
            inspect(view);
            if (!view.isNull()) {
                QTest::mouseClick(FindControl<OrvicButton>(view, QStringLiteral("cmdReturn")),
                                  Qt::LeftButton);
                ticksAfterReturn = 0;
            }
            return;
        }
        if (!view.isNull() && ticksAfterReturn >= 0 && ++ticksAfterReturn > 300) {
            QTest::qFail("the large view stayed open after Return", __FILE__, __LINE__);
            view->close();
        }
    });
    poll.start();
    ClickTabOf(w->recordPage->tabNameInfo, 4);
    Click(w->recordPage, QStringLiteral("cmdPicPrint"));
    poll.stop();
    return seen;
}
