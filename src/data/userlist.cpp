#include "data/userlist.h"

#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/sensitiverule.h"
#include "data/util.h"

#include <QRegularExpression>

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

QString FullViewName(FullView what) {
    switch (what) {
    case FullView::ListExport:
        return QStringLiteral("list export");
    case FullView::Copy:
        return QStringLiteral("copy");
    case FullView::ListPrintout:
        return QStringLiteral("list printout");
    case FullView::Report:
        return QStringLiteral("report");
    case FullView::UpdateForms:
        return QStringLiteral("update forms");
    case FullView::HistoryPrintout:
        return QStringLiteral("history printout");
    case FullView::HistoryExport:
        return QStringLiteral("history export");
    }
    return {};
}

namespace {
const QString FullViewWords = QStringLiteral(" took out full SSN/birth years: ");
} // namespace

QString FullViewLogLine(const QString& userName, FullView what, qint64 employees, const QString& fileName,
                        const QDateTime& when) {
    const double at = DateTimeToOle(when);
    QString line = FormatDate(at, u"mm/dd/yyyy") + QStringLiteral(" at ") + FormatDate(at, u"hh:nn:ss") +
                   QStringLiteral(" - ") + WithoutControlCharacters(userName) + FullViewWords +
                   FullViewName(what) + QStringLiteral(", ") + QString::number(employees) +
                   (employees == 1 ? QStringLiteral(" employee") : QStringLiteral(" employees"));
    if (!fileName.isEmpty())
        line += QStringLiteral(", to '") + WithoutControlCharacters(fileName) + u'\'';
    return line + u'.';
}

IoStatus WriteFullViewLogEntry(FileIo& io, const QString& userName, FullView what, qint64 employees,
                               const QString& fileName, const Clock& clock, const QString& logName) {
    return AppendWhole(io, logName,
                       ToAnsi(FullViewLogLine(userName, what, employees, fileName, clock.Now())) + "\r\n");
}

bool IsUserLogLine(QStringView line, bool* fullView) {
    static const QRegularExpression stamp(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4}) at (\\d\\d):(\\d\\d):(\\d\\d) - "));
    static const QRegularExpression signIn(QStringLiteral(" logged in w/ (.*) privileges\\.$"));
    static const QRegularExpression view(
        QStringLiteral("^(list export|copy|list printout|report|update forms|history printout|history export), "
                       "(0|[1-9]\\d*) (employees?)(, to '.*')?\\.$"));
    if (fullView)
        *fullView = false;
    const QRegularExpressionMatch when = stamp.match(line);
    if (!when.hasMatch() || line.contains(u'\r') || line.contains(u'\n'))
        return false;
    const auto number = [&](int n) { return when.capturedView(n).toInt(); };
    if (!QDate(number(3), number(1), number(2)).isValid() || !QTime(number(4), number(5), number(6)).isValid())
        return false;
    const QStringView rest = line.mid(when.capturedLength());
    if (const qsizetype at = rest.indexOf(FullViewWords); at > 0) {
        const QRegularExpressionMatch what = view.match(rest.mid(at + FullViewWords.size()));
        if (!what.hasMatch())
            return false;
        const bool one = what.capturedView(2) == u"1";
        if (one != (what.capturedView(3) == u"employee"))
            return false;
        if (fullView)
            *fullView = true;
        return true;
    }
    if (IsSensitiveLevelLogText(rest))
        return true;
    if (rest.endsWith(u" logged out.") && rest.size() > 12)
        return true;
    const QRegularExpressionMatch in = signIn.match(rest);
    if (!in.hasMatch() || in.capturedStart() == 0)
        return false;
    for (qint16 level = 1; level <= 4; ++level)
        if (in.capturedView(1) == AccessLevelName(level))
            return true;
    return false;
}
