#pragma once

// Finding a window's controls by their object names, and the clicks a user makes on them.

#include "ui/grid.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

#include <functional>

// The control named `name` of `parent`; a missing control ends the run, naming it.
template <typename T> T* FindControl(const QObject* parent, const QString& name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr)
        qFatal("no control %s", qPrintable(name));
    return child;
}

inline void Click(const QObject* parent, const QString& name) {
    QTest::mouseClick(FindControl<QWidget>(parent, name), Qt::LeftButton);
}

// Clicks a data row of a list (1-based, as the windows count them); `twice` double-clicks it.
inline void ClickRow(Grid* grid, int row, bool twice = false) {
    const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
    QVERIFY(cell.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    if (twice) {
        // As the system delivers one: the second press comes as the double click.
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
}

// A click on the box of a check box or an option button, where a user aims: the middle of the
// control may lie past the end of its caption.
// The data rows of the grid, each as its cells joined by "|".
inline QStringList GridRows(const Grid* g) {
    QStringList rows;
    for (int r = 1; r < g->Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < g->Cols(); ++c)
            cells << g->TextMatrix(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

inline void ClickBox(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

inline void ClickOption(const QObject* parent, const QString& name) {
    ClickBox(FindControl<QRadioButton>(parent, name));
}

// Whether `window` is usable: enabled, and no busy pointer over it.
inline bool NotBusy(const QWidget* window) {
    return window->isEnabled() && QGuiApplication::overrideCursor() == nullptr;
}

// A pop-up menu as the user saw it: its object name and its items as "object name|caption|on"
// (or "off"), a separator as "name|-|on".
struct MenuSeen {
    QString name;
    QStringList items;
};

// Does `open` (a click or a key that pops a menu up), notes the menu once it is up and clicks its
// item named `item`; an empty `item` dismisses the menu with Escape.
inline MenuSeen ChooseFromPopupMenu(QObject* context, const std::function<void()>& open,
                                    const QString& item) {
    MenuSeen seen;
    QTimer::singleShot(0, context, [&] {
        QPointer<QMenu> menu;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        const auto closeLeftOver = qScopeGuard([&menu] {
            if (menu && menu->isVisible())
                menu->close();
        });
        seen.name = menu->objectName();
        for (QAction* a : menu->actions())
            seen.items << a->objectName() + u'|' + (a->isSeparator() ? QStringLiteral("-") : a->text()) +
                              u'|' + (a->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"));
        if (item.isEmpty()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        QAction* chosen = menu->findChild<QAction*>(item);
        QVERIFY(chosen != nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    });
    open();
    return seen;
}
