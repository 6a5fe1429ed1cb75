#pragma once

// Finding a window's controls by their object names, and the clicks a user makes on them.

#include "ui/grid.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QtTest>

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

// Whether `window` is usable: enabled, and no busy pointer over it.
inline bool NotBusy(const QWidget* window) {
    return window->isEnabled() && QGuiApplication::overrideCursor() == nullptr;
}
