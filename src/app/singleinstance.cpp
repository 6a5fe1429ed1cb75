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
    m_lock = std::make_unique<DataFolderLock>(folder);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::TryAcquire() {
    return m_lock->TryAcquire();
}

QString SingleInstance::LockPath() const {
    return m_lock->LockPath();
}

QString AlreadyRunningText(const QString& appTitle) {
    return appTitle + QStringLiteral(" is already loaded") + QStringLiteral("\r\n") +
           QStringLiteral("and running on your computer!");
}
