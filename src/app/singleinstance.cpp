#include "app/singleinstance.h"

#include "data/folderlock.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

SingleInstance::SingleInstance(const QString& appTitle) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath() + QStringLiteral("/%1-%2").arg(appTitle).arg(::getuid());
    MakeOwnerOnlyFolder(folder);
    m_path = folder + QLatin1Char('/') + appTitle + QStringLiteral(".lock");
}

bool SingleInstance::TryAcquire() {
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // never stale by age: only a dead owner frees it
    return m_lock->tryLock(0);
}

QString AlreadyRunningText(const QString& appTitle) {
    return appTitle + QStringLiteral(" is already loaded") + QStringLiteral("\r\n") +
           QStringLiteral("and running on your computer!");
}
