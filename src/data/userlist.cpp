#include "data/userlist.h"
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/util.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

UserList::UserList(FileIo& io, QString fileName, QString scratchFileName, QString appendJournalName,
                   QString writeJournalName)
    : m_file(io, std::move(fileName), UserRecordLength), m_scratchFileName(std::move(scratchFileName)),
      m_appendJournalName(std::move(appendJournalName)), m_writeJournalName(std::move(writeJournalName)) {}

namespace {
bool KeptUser(const char* bytes) {
    return !IsMarkedRemoved(FieldCodec::RawBytes(bytes, UserRecord::FieldOf(UserField::FirstName)));
}
} // namespace

IoStatus UserList::OpenUserList() {
    m_file.RemoveStaleScratch(m_scratchFileName);
    if (IoStatus s = m_file.Open(); !s)
        return s;
    IoStatus settled = m_file.RollBackAppend(m_appendJournalName);
    if (settled)
        settled = m_file.SettleWrite(m_writeJournalName);
    if (!settled) {
        m_file.Close();
        return settled;
    }
    bool marked = false;
    if (IoStatus s = m_file.Scan(
            [&marked](qint64, const char* bytes) { marked = marked || !KeptUser(bytes); }, m_blank.data());
        !s) {
        m_file.Close();
        return s;
    }
    if (!marked)
        return {};
    // A removal was interrupted after its mark: finish it, as the personnel file does.
    if (IoStatus s = m_file.Compact(m_scratchFileName, KeptUser, m_blank.data()); !s)
        return s;
    return m_file.Open();
}

void UserList::CloseUserList() {
    m_file.Close();
}

IoStatus UserList::ReadUserRecord(qint16 n) {
    return m_file.Read(n, m_record.data(), m_blank.data());
}

IoStatus UserList::WriteUserRecord(qint16 n) {
    if (m_file.IsOpen() && n == UserCount() + 1) {
        const char* record = m_record.data();
        return m_file.AppendRecords(
            1, [record](qint64, char* bytes) { std::memcpy(bytes, record, UserRecordLength); },
            m_appendJournalName);
    }
    return m_file.Write(n, m_record.data(), m_writeJournalName);
}

IoStatus UserList::RemoveUser(qint16 n) {
    if (!m_file.IsOpen()) {
        if (IoStatus s = OpenUserList(); !s)
            return s;
    }
    if (n < 1 || n > UserCount())
        return IoStatus::Failure(QStringLiteral("remove a user from"), FileName(), EINVAL);
    if (IoStatus s = ReadUserRecord(n); !s)
        return s;
    const UserRecord original = m_record;
    m_record.SetFirstName(QString::fromLatin1(RemovedMarker));
    if (IoStatus s = WriteUserRecord(n); !s)
        return s;
    IoStatus s = m_file.Compact(m_scratchFileName, KeptUser, m_blank.data());
    if (!s) {
        // Take the mark back; the compaction left "User.List" itself untouched.
        if (m_file.Open()) {
            m_file.Write(n, original.data(), m_writeJournalName);
            m_file.Close();
        }
    }
    m_record = original;
    CloseUserList();
    return s;
}

namespace {
bool IsPasswordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}
} // namespace

bool IsValidPassword(QString& text) {
    text = TrimSpaces(text);
    if (text.size() < 4 || text.size() > 8)
        return false;
    for (QChar c : std::as_const(text))
        if (!IsPasswordChar(c))
            return false;
    return true;
}

QString ScramblePassword(QString& password) {
    password = TrimSpaces(password);
    QString stored;
    stored.reserve(password.size() * 2);
    for (QChar c : std::as_const(password)) {
        QChar filler;
        do {
            filler = QChar(RandomInRange(48, 122));
        } while (!IsPasswordChar(filler));
        stored.append(filler);
        stored.append(c);
    }
    return stored;
}

QString UnscramblePassword(QString& stored) {
    stored = TrimSpaces(stored);
    QString password;
    for (qsizetype i = 1; i < stored.size(); i += 2)
        password.append(stored[i]);
    return password;
}

QString AccessLevelName(qint16 level) {
    switch (level) {
    case 1:
        return QStringLiteral("Read Only");
    case 2:
        return QStringLiteral("Read/Edit");
    case 3:
        return QStringLiteral("Read/Edit/Add");
    case 4:
        return QStringLiteral("Read/Edit/Add/Delete");
    default:
        return {};
    }
}

QString UserLogLine(const QString& userName, qint16 accessLevel, int event, const QDateTime& when) {
    const double at = DateTimeToOle(when);
    QString line = FormatDate(at, u"mm/dd/yyyy") + QStringLiteral(" at ") + FormatDate(at, u"hh:nn:ss") +
                   QStringLiteral(" - ") + WithoutControlCharacters(userName);
    if (event == static_cast<int>(UserLogEvent::SignIn))
        line +=
            QStringLiteral(" logged in w/ ") + AccessLevelName(accessLevel) + QStringLiteral(" privileges.");
    else
        line += QStringLiteral(" logged out.");
    return line;
}

IoStatus WriteUserLogEntry(FileIo& io, const QString& userName, qint16 accessLevel, int event,
                           const Clock& clock) {
    return AppendWhole(io, UserLogFileName,
                       ToAnsi(UserLogLine(userName, accessLevel, event, clock.Now())) + "\r\n");
}
