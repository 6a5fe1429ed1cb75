# The headers the QtCore-only layers' files include most, precompiled (cmake/precompiled.cmake;
# tests/fuzz precompiles them for its own build of the data and exchange layers).
set(rosterly_pch_core
    <QByteArray> <QDate> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject>
    <QString> <QStringList> <QStringView> <QtGlobal> <algorithm> <array> <cstring> <functional>
    <memory> <optional> <utility> <vector>)
