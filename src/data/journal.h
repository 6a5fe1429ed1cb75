#pragma once

#include "data/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// The two ways the data layer writes a file so that a crash or a power cut never leaves it half
// written: a journal, noted in place before the change it describes, and a file written whole
// under a scratch name and renamed into place. Both go through FileIo, so that the fault tests
// reach every call.

// How a journal is made: `Exclusive` refuses one left behind (a change not yet settled),
// `Replacing` writes over it.
enum class JournalCreate { Exclusive, Replacing };

// Writes the journal `name` with `bytes`: made owner-only as `how` says, written, flushed and
// closed, then its folder flushed, so that its name is on the disk before the change it notes
// touches any file. On failure it is removed.
IoStatus WriteJournalFile(FileIo& io, const QString& name, QByteArrayView bytes, JournalCreate how);

// Reads the journal `name` from its start: up to `limit` bytes, fewer where it ends first.
// `*found` is false, and `*bytes` empty, when there is none.
IoStatus ReadJournalFile(FileIo& io, const QString& name, qint64 limit, QByteArray* bytes, bool* found);

// Removes the journal `name` once its change is settled (one already gone has done its work), then
// flushes the folder; false (errno set) when it could not be removed.
bool RemoveJournalFile(FileIo& io, const QString& name);

// A file written whole or not at all, its bytes handed over a piece at a time: written through a
// buffer under a scratch name in the same folder (owner-only), flushed, renamed over `path` and
// the folder flushed by Commit(). The scratch file is made on the first bytes (or the commit), so
// a writer whose bytes never come touches nothing. On a failure before the rename, or when the
// writer goes without a Commit(), neither the scratch file nor a new file is left, and a file that
// was there is as it was. Once renamed the new file stays: a folder that cannot be flushed is
// reported, the file kept, since removing it could not be made to last either and would lose the
// file it replaced.
class WholeFileWriter {
public:
    // `scratch` is the name written under: empty for a name of its own beside `path` (a file the
    // user names); a scratch file of that name left behind is removed first. `renameAction` names
    // the failure of the rename ("Could not replace the file ...").
    explicit WholeFileWriter(FileIo& io, QString path, QString scratch = {},
                             QString renameAction = QStringLiteral("replace"));
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;
    IoStatus Append(QByteArrayView bytes);
    IoStatus Commit();
    // The bytes handed over so far.
    qint64 Written() const { return m_written + m_buffer.size(); }

private:
    bool Opened();
    IoStatus Flush();
    FileIo& m_io;
    QString m_path;
    QString m_scratch;
    QString m_renameAction;
    int m_fd = -1;
    qint64 m_written = 0;
    QByteArray m_buffer;
    IoStatus m_status;
};

// Writes `bytes` as the file `path` whole or not at all, through a WholeFileWriter.
IoStatus WriteWholeFile(FileIo& io, const QString& path, QByteArrayView bytes, const QString& scratch = {},
                        const QString& renameAction = QStringLiteral("replace"));

// Writes `head`, then the blocks `next` fills until it returns false, as the data file `name`
// through a WholeFileWriter under its PartialCopyName (which the next open removes when a crash
// leaves it); `*written` receives its length.
IoStatus ReplaceFileWhole(FileIo& io, const QString& name, const QByteArray& head,
                          const std::function<bool(QByteArray& block)>& next, qint64* written);
