#include "data/sensitiverule.h"

#include "data/ansitext.h"
#include "data/journal.h"
#include "data/oledate.h"
#include "data/restorejournal.h"
#include "data/sensitive.h"
#include "data/util.h"

#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString LevelKey = QStringLiteral("SensitiveFieldsLevel=");
const QString ChangedWords = QStringLiteral(" changed the sensitive-fields level from ");
const QString TakenOverWords = QStringLiteral(", taken over from this computer's settings");
const QString RestoredWords = QStringLiteral(", restored from a backup");

// The level a rule's bytes hold, or 0 when they are not a rule.
int LevelOf(const QByteArray& bytes) {
    QByteArray line = bytes;
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    if (line.size() != LevelKey.size() + 1 || !line.startsWith(LevelKey.toLatin1()))
        return 0;
    const char digit = line.back();
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

// Whether the user log `logName` records a change of the level.
bool LogHasLevelChange(FileIo& io, const QString& logName) {
    const int fd = io.Open(logName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const off_t size = io.Size(fd);
    bool found = false;
    if (size > 0) {
        if (const char* at = io.Map(fd, size)) {
            found = QByteArrayView(at, size).contains(QByteArrayView(ChangedWords.toLatin1()));
            io.Unmap(at, size);
        }
    }
    io.Close(fd);
    return found;
}

} // namespace

QByteArray SensitiveRuleBytes(int level) {
    return LevelKey.toLatin1() + QByteArray::number(level) + "\r\n";
}

SensitiveRule ReadSensitiveRule(FileIo& io, const QString& ruleFile, const QString& userLog) {
    SensitiveRule rule;
    const auto lost = [&](const QString& problem) {
        rule.state = SensitiveRule::State::Lost;
        rule.level = 4;
        rule.problem = problem;
        return rule;
    };
    const int fd = io.Open(ruleFile, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) {
        if (errno != ENOENT)
            return lost(IoStatus::Failure(QStringLiteral("read"), ruleFile, errno).Message());
        if (LogHasLevelChange(io, userLog))
            return lost(
                IoStatus::Refusal(QStringLiteral("read"), ruleFile,
                                  QStringLiteral("It is missing, though the user log records that the "
                                                 "sensitive-fields level was set"))
                    .Message());
        return rule;
    }
    QByteArray bytes;
    const IoStatus read = ReadUpTo(io, fd, ruleFile, 64, bytes);
    io.Close(fd);
    if (!read)
        return lost(read.Message());
    const int level = LevelOf(bytes);
    if (level == 0)
        return lost(IoStatus::Refusal(QStringLiteral("read"), ruleFile,
                                      QStringLiteral("It does not hold a sensitive-fields level from 1 to 4"))
                        .Message());
    rule.state = SensitiveRule::State::Kept;
    rule.level = level;
    return rule;
}

IoStatus WriteSensitiveRule(FileIo& io, const QString& ruleFile, int level) {
    return WriteWholeFile(io, ruleFile, SensitiveRuleBytes(level), PartialCopyName(ruleFile),
                          QStringLiteral("write"));
}

QString SensitiveLevelLogLine(const QString& userName, int from, int to, SensitiveLevelChange why,
                              const QDateTime& when) {
    const double at = DateTimeToOle(when);
    QString line = FormatDate(at, u"mm/dd/yyyy") + QStringLiteral(" at ") + FormatDate(at, u"hh:nn:ss") +
                   QStringLiteral(" - ") + WithoutControlCharacters(userName) + ChangedWords +
                   QString::number(from) + QStringLiteral(" to ") + QString::number(to);
    if (why == SensitiveLevelChange::TakenOver)
        line += TakenOverWords;
    else if (why == SensitiveLevelChange::Restored)
        line += RestoredWords;
    return line + u'.';
}

IoStatus WriteSensitiveLevelLogEntry(FileIo& io, const QString& logName, const QString& userName, int from,
                                     int to, SensitiveLevelChange why, const Clock& clock) {
    return AppendWhole(io, logName,
                       ToAnsi(SensitiveLevelLogLine(userName, from, to, why, clock.Now())) + "\r\n");
}

bool IsSensitiveLevelLogText(QStringView rest) {
    static const QRegularExpression change(
        QStringLiteral("^[1-4] to [1-4](%1|%2)?\\.$")
            .arg(QRegularExpression::escape(TakenOverWords), QRegularExpression::escape(RestoredWords)));
    const qsizetype at = rest.indexOf(ChangedWords);
    return at > 0 && change.match(rest.mid(at + ChangedWords.size())).hasMatch();
}

QString OsUserName() {
    if (const QString user = QString::fromLocal8Bit(qgetenv("USER")); !user.isEmpty())
        return user;
    if (const passwd* pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("user %1").arg(::getuid());
}
