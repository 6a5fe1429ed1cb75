#pragma once

#include <QString>

#include <memory>

class DataFolderLock;

// Only one copy of the program may run per user. The lock is a file in the user's runtime
// folder made as the data folder's lock is (data/folderlock.h), holding the owner's process id, so
// a copy that crashed leaves no lock that counts: a lock whose process is gone is taken over, and
// so is one left empty.
class SingleInstance {
public:
    explicit SingleInstance(const QString& appTitle);
    ~SingleInstance();
    bool TryAcquire();
    QString LockPath() const;

private:
    std::unique_ptr<DataFolderLock> m_lock;
};

// The refusal shown by a second copy: text and title.
QString AlreadyRunningText(const QString& appTitle);
inline constexpr char AlreadyRunningTitle[] = "Terminating...";
