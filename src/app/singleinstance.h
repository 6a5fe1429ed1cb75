#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Only one copy of the program may run per user. The lock is a file in the user's runtime
// folder holding the owner's process id, so a copy that crashed leaves no lock that counts:
// a lock whose process is gone is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& appTitle);
    bool TryAcquire();
    QString LockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// The refusal shown by a second copy: text and title.
QString AlreadyRunningText(const QString& appTitle);
inline constexpr char AlreadyRunningTitle[] = "Terminating...";
