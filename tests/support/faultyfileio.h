#pragma once

#include "data/fileio.h"

// Fails one call: the Nth counted call (1-based) from the moment it is armed. Open, ReadAt,
// WriteAt, Append, Sync, Truncate, Rename, Link and Remove count; Size, Close, Exists and
// SyncFolderOf do not (the program cannot lose data through them).
class FaultyFileIo : public FileIo {
public:
    enum class Fault {
        Error,      // the call fails with EIO
        ShortWrite, // a write stores half its bytes and reports that count; other calls fail with EIO
        DiskFull,   // the call fails with ENOSPC (a write stores half its bytes first)
        Halt,       // this call and every later one fail with EIO, as when the program stops here
                    // (a write stores half its bytes first): nothing is cleaned up
        Kill,       // the process is killed with SIGKILL (a write stores half its bytes first)
    };

    void Arm(int failAtCall, Fault fault) {
        m_failAt = failAtCall;
        m_fault = fault;
        m_calls = 0;
        m_fired = false;
        m_halted = false;
    }
    void Disarm() { m_failAt = 0; }
    int Calls() const { return m_calls; } // counted calls since Arm()
    bool Fired() const { return m_fired; }

    int Open(const QString& path, int flags, mode_t mode) override;
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t offset) override;
    ssize_t Append(int fd, const void* buffer, size_t count) override;
    int Sync(int fd) override;
    int Truncate(int fd, off_t length) override;
    int Rename(const QString& from, const QString& to) override;
    int Link(const QString& existing, const QString& to) override;
    int Remove(const QString& path) override;

private:
    bool Hit(bool write = false); // counts a call; true when this one must fail
    ssize_t HalfWrite(ssize_t half);
    int m_failAt = 0;
    int m_calls = 0;
    bool m_fired = false;
    bool m_halted = false;
    Fault m_fault = Fault::Error;
};
