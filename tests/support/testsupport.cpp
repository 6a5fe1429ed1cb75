#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

TempDataFolder::TempDataFolder() : m_previous(QDir::currentPath()) {
    if (m_dir.isValid())
        QDir::setCurrent(m_dir.path());
}

TempDataFolder::~TempDataFolder() {
    // Leave the folder before it is removed.
    QDir::setCurrent(m_previous);
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
