#pragma once

#include "data/clock.h"
#include "data/datafilenames.h"
#include "data/fileio.h"
#include "data/fixedrecordfile.h"
#include "data/records.h"

#include <QString>

// "User.List": one 500-byte record per user, numbered from 1, no header, no gaps. Opened and
// closed within one command, like the personnel file, and written through journals of its own as
// that is: an added user through the append journal, a changed one through the write journal.
class UserList {
public:
    explicit UserList(FileIo& io, QString fileName = UserListFileName,
                      QString scratchFileName = ScratchFileName,
                      QString appendJournalName = UserAppendJournalFileName,
                      QString writeJournalName = UserWriteJournalFileName);

    // Opens (creating an empty file when there is none) and sets UserCount. An interrupted append
    // is cut off, a record an interrupted write tore gets its old bytes back, and an interrupted
    // removal is completed.
    IoStatus OpenUserList();
    void CloseUserList();
    bool IsOpen() const { return m_file.IsOpen(); }
    qint16 UserCount() const { return static_cast<qint16>(m_file.RecordCount()); }

    IoStatus ReadUserRecord(qint16 n);  // into the buffer; past the end reads as blank
    IoStatus WriteUserRecord(qint16 n); // in place, or UserCount + 1 to append

    // Marks user n removed and squeezes it out through the scratch file; with no user left, no
    // "User.List" remains. The list is closed afterwards. On failure the file is as it was.
    IoStatus RemoveUser(qint16 n);

    UserRecord& Record() { return m_record; }
    const UserRecord& Record() const { return m_record; }
    const QString& FileName() const { return m_file.FileName(); }

private:
    FixedRecordFile m_file;
    QString m_scratchFileName;
    QString m_appendJournalName;
    QString m_writeJournalName;
    UserRecord m_record;
    UserRecord m_blank;
};

// 4 to 8 characters, each a digit or an ASCII letter, after surrounding spaces are removed;
// `text` holds the trimmed text afterwards.
bool IsValidPassword(QString& text);

// The stored form: a random letter or digit before each character of the (trimmed) password.
QString ScramblePassword(QString& password);
// The characters at the even positions of the (trimmed) stored form.
QString UnscramblePassword(QString& stored);

enum class UserLogEvent { SignIn = 1, SignOut = 2 };

// The name of an access level ("Read Only" to "Read/Edit/Add/Delete"), or empty for a level
// outside 1..4 (a damaged record must not take a window down).
QString AccessLevelName(qint16 level);

// The user log line for an event of user `userName` at access level `accessLevel` at `when`,
// without the line end:
// "mm/dd/yyyy at hh:nn:ss - <user> logged in w/ <level> privileges." or "... logged out."
QString UserLogLine(const QString& userName, qint16 accessLevel, int event, const QDateTime& when);

// Appends the line for `event` (1 = sign-in, anything else = sign-out) and CR LF to the user log.
IoStatus WriteUserLogEntry(FileIo& io, const QString& userName, qint16 accessLevel, int event,
                           const Clock& clock);

// What took full Social Security numbers or years of birth out of the program, while a
// SensitiveFieldsLevel above 1 was in force: the user log records each such view as one line.
enum class FullView { ListExport, Copy, ListPrintout, Report, UpdateForms, HistoryPrintout, HistoryExport };

// "list export", "copy", "list printout", "report", "update forms", "history printout", "history export".
QString FullViewName(FullView what);

// The user log line for a full view, without the line end, read like the sign-in lines:
// "mm/dd/yyyy at hh:nn:ss - <user> took out full SSN/birth years: <what>, <n> employee(s)."
// and, for a file, "..., <n> employees, to '<file>'." Control characters in the user's name and
// the file's name show as '?', so neither can forge a line.
QString FullViewLogLine(const QString& userName, FullView what, qint64 employees, const QString& fileName,
                        const QDateTime& when);

// Appends that line and CR LF to the user log (`logName`) in one write, as the sign-in lines are.
IoStatus WriteFullViewLogEntry(FileIo& io, const QString& userName, FullView what, qint64 employees,
                               const QString& fileName, const Clock& clock,
                               const QString& logName = UserLogFileName);

// Whether `line` (without its line end) is a line the program writes to the user log: a sign-in,
// a sign-out, a full view or a change of the sensitive-fields level, with a real date and time. `fullView` is set when it is a full view.
bool IsUserLogLine(QStringView line, bool* fullView = nullptr);
