#include "data/history.h"

#include "data/ansitext.h"
#include "data/oledate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cerrno>
#include <fcntl.h>

namespace {

constexpr std::array<std::pair<HistoryAction, const char*>, 9> ActionNames{{
    {HistoryAction::Started, "history starts here"},
    {HistoryAction::Added, "added"},
    {HistoryAction::Edited, "edited"},
    {HistoryAction::MadePrevious, "made previous"},
    {HistoryAction::MadeCurrent, "made current"},
    {HistoryAction::PictureChanged, "picture changed"},
    {HistoryAction::Removed, "removed"},
    {HistoryAction::Imported, "imported"},
    {HistoryAction::Restored, "restored"},
}};

// The history is read whole; a larger file is not one the program wrote.
constexpr qsizetype MaxHistoryBytes = qsizetype(1) << 34;

} // namespace

QString HistoryActionName(HistoryAction action) {
    for (const auto& [a, name] : ActionNames) {
        if (a == action)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<HistoryAction> HistoryActionFrom(QStringView name) {
    for (const auto& [a, text] : ActionNames) {
        if (name == QLatin1StringView(text))
            return a;
    }
    return std::nullopt;
}

QByteArray HistoryLine(const HistoryEntry& entry) {
    QJsonArray changes;
    for (const HistoryChange& c : entry.changes)
        changes.append(QJsonObject{{QStringLiteral("field"), c.field},
                                   {QStringLiteral("before"), c.before},
                                   {QStringLiteral("after"), c.after}});
    const QDateTime time = entry.time.toOffsetFromUtc(entry.time.offsetFromUtc());
    const QJsonObject line{{QStringLiteral("entry"), entry.entry},
                           {QStringLiteral("time"), time.toString(Qt::ISODate)},
                           {QStringLiteral("user"), entry.user},
                           {QStringLiteral("level"), entry.level},
                           {QStringLiteral("employee"), entry.employee},
                           {QStringLiteral("record"), entry.record},
                           {QStringLiteral("action"), HistoryActionName(entry.action)},
                           {QStringLiteral("changes"), changes}};
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<HistoryEntry> ParseHistoryLine(QByteArrayView line) {
    if (line.endsWith('\n'))
        line.chop(1);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    const std::optional<HistoryAction> action =
        HistoryActionFrom(o.value(QStringLiteral("action")).toString());
    const QDateTime time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    if (!action || !time.isValid() || !o.value(QStringLiteral("employee")).isDouble())
        return std::nullopt;
    HistoryEntry entry;
    entry.entry = o.value(QStringLiteral("entry")).toInteger();
    entry.time = time;
    entry.user = o.value(QStringLiteral("user")).toString();
    entry.level = o.value(QStringLiteral("level")).toInt();
    entry.employee = o.value(QStringLiteral("employee")).toInteger();
    entry.record = o.value(QStringLiteral("record")).toInt();
    entry.action = *action;
    for (const QJsonValue& value : o.value(QStringLiteral("changes")).toArray()) {
        const QJsonObject c = value.toObject();
        entry.changes.append({c.value(QStringLiteral("field")).toString(),
                              c.value(QStringLiteral("before")).toString(),
                              c.value(QStringLiteral("after")).toString()});
    }
    return entry;
}

QString HistoryValue(const PersonnelRecord& record, PersonnelField field) {
    const FieldLayout& layout = PersonnelRecord::FieldOf(field);
    switch (layout.type) {
    case FieldType::Text:
        return TrimSpaces(record.Text(field));
    case FieldType::Int16:
        return QString::number(record.Int16(field));
    case FieldType::Date:
        break;
    }
    const double value = record.Date(field);
    if (value == 0)
        return {};
    const bool withTime = field == PersonnelField::DateCreated || field == PersonnelField::DateModified;
    return FormatDate(value, withTime ? u"yyyy-mm-dd hh:nn:ss" : u"yyyy-mm-dd");
}

QList<HistoryChange> RecordChanges(const PersonnelRecord& before, const PersonnelRecord& after) {
    QList<HistoryChange> changes;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = static_cast<PersonnelField>(i);
        if (field == PersonnelField::DateModified)
            continue;
        const QString was = HistoryValue(before, field);
        const QString is = HistoryValue(after, field);
        if (was != is)
            changes.append({QString::fromLatin1(PersonnelFields[i].name), was, is});
    }
    return changes;
}

QList<HistoryChange> WholeRecord(const PersonnelRecord& record) {
    QList<HistoryChange> changes;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = static_cast<PersonnelField>(i);
        const QString value = HistoryValue(record, field);
        if (!value.isEmpty())
            changes.append({QString::fromLatin1(PersonnelFields[i].name), QString(), value});
    }
    return changes;
}

namespace {

void Apply(const HistoryEntry& entry, QMap<QString, QString>& record) {
    if (entry.action == HistoryAction::Removed ||
        (entry.action == HistoryAction::Restored && entry.record == 0)) {
        record.clear();
        return;
    }
    for (const HistoryChange& change : entry.changes) {
        if (change.after.isEmpty())
            record.remove(change.field);
        else
            record.insert(change.field, change.after);
    }
}

} // namespace

QMap<QString, QString> RecordAsOf(const QList<HistoryEntry>& entries, const QDateTime& asOf,
                                  QStringList* changedSince) {
    QMap<QString, QString> then;
    qsizetype i = 0;
    for (; i < entries.size() && entries[i].time <= asOf; ++i)
        Apply(entries[i], then);
    if (changedSince) {
        QMap<QString, QString> now = then;
        for (qsizetype later = i; later < entries.size(); ++later)
            Apply(entries[later], now);
        changedSince->clear();
        for (const FieldLayout& field : PersonnelFields) {
            const QString name = QString::fromLatin1(field.name);
            if (then.value(name) != now.value(name))
                changedSince->append(name);
        }
    }
    return then;
}

IoStatus AppendHistory(FileIo& io, const QString& fileName, const QList<HistoryEntry>& entries) {
    QByteArray bytes;
    for (const HistoryEntry& entry : entries)
        bytes += HistoryLine(entry);
    return AppendWhole(io, fileName, bytes);
}

IoStatus ReadHistory(FileIo& io, const QString& fileName,
                     const std::function<void(const HistoryEntry&)>& visit) {
    if (!io.Exists(fileName))
        return {};
    const int fd = io.Open(fileName, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), fileName, errno);
    const off_t size = io.Size(fd);
    if (size < 0) {
        const int err = errno;
        io.Close(fd);
        return IoStatus::Failure(QStringLiteral("read"), fileName, err);
    }
    QByteArray bytes;
    const IoStatus read = ReadUpTo(io, fd, fileName, std::min<qsizetype>(size, MaxHistoryBytes), bytes);
    io.Close(fd);
    if (!read)
        return read;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break; // cut short: no entry yet
        if (const auto entry = ParseHistoryLine(QByteArrayView(bytes).sliced(start, end - start)))
            visit(*entry);
        start = end + 1;
    }
    return {};
}
