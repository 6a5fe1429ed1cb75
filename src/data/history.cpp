#include "data/history.h"

#include "data/ansitext.h"
#include "data/historyreplay.h"
#include "data/oledate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
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

} // namespace

bool TakesOut(const HistoryEntry& entry) {
    return entry.action == HistoryAction::Removed ||
           (entry.action == HistoryAction::Restored && entry.record == 0);
}

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
    QJsonObject line{{QStringLiteral("entry"), entry.entry},
                     {QStringLiteral("time"), time.toString(Qt::ISODate)},
                     {QStringLiteral("user"), entry.user},
                     {QStringLiteral("level"), entry.level},
                     {QStringLiteral("employee"), entry.employee},
                     {QStringLiteral("record"), entry.record},
                     {QStringLiteral("action"), HistoryActionName(entry.action)},
                     {QStringLiteral("changes"), changes}};
    if (!entry.note.isEmpty())
        line.insert(QStringLiteral("note"), entry.note);
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
    if (!action || !time.isValid() || !o.value(QStringLiteral("employee")).isDouble() ||
        o.value(QStringLiteral("employee")).toInteger() < 1 || o.value(QStringLiteral("record")).toInteger() < 0)
        return std::nullopt;
    HistoryEntry entry;
    entry.entry = o.value(QStringLiteral("entry")).toInteger();
    entry.time = time;
    entry.user = o.value(QStringLiteral("user")).toString();
    entry.level = o.value(QStringLiteral("level")).toInt();
    entry.employee = o.value(QStringLiteral("employee")).toInteger();
    entry.record = o.value(QStringLiteral("record")).toInt();
    entry.action = *action;
    entry.note = o.value(QStringLiteral("note")).toString();
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
        // The same bytes hold the same value: most fields of an edit or an import's row.
        const FieldLayout& layout = PersonnelFields[i];
        const auto at = std::size_t(layout.offset);
        if (field == PersonnelField::DateModified ||
            std::memcmp(before.data() + at, after.data() + at, std::size_t(layout.width)) == 0)
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
    if (TakesOut(entry)) {
        record.clear();
        return;
    }
    bool modified = false;
    for (const HistoryChange& change : entry.changes) {
        modified = modified || change.field == QLatin1StringView("DateModified");
        if (change.after.isEmpty())
            record.remove(change.field);
        else
            record.insert(change.field, change.after);
    }
    // An edit leaves DateModified out of its changes: the record was modified at the entry's time,
    // which the keeper takes from the record (as the writer's clock read it, in its own offset).
    const bool edit = entry.action == HistoryAction::Edited || entry.action == HistoryAction::MadePrevious ||
                      entry.action == HistoryAction::MadeCurrent ||
                      entry.action == HistoryAction::PictureChanged;
    if (edit && !modified && entry.time.isValid())
        record.insert(QStringLiteral("DateModified"), entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
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
        // Modified, and nothing else changed: no change anyone made to the record.
        if (*changedSince == QStringList{QStringLiteral("DateModified")})
            changedSince->clear();
    }
    return then;
}

QString FoldedName(QStringView name) {
    const QString decomposed = name.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    }
    return folded.toCaseFolded();
}

QString HistoryPerson::Name() const {
    return lastName.isEmpty() || firstName.isEmpty() ? lastName + firstName
                                                     : lastName + QStringLiteral(", ") + firstName;
}

IoStatus FindHistoryPeople(FileIo& io, const QString& fileName, const QString& text,
                           std::vector<HistoryPerson>* people,
                           const std::function<void(const HistoryEntry&)>& visit) {
    people->clear();
    const QString wanted = FoldedName(text);
    std::map<qint64, HistoryPerson> known;
    std::map<qint64, bool> matches;
    // Which record each one is in: a removal shifts the records after it without their entries.
    std::vector<qint64> roster;
    IoStatus s = ReadHistory(io, fileName, [&](const HistoryEntry& e) {
        if (visit)
            visit(e);
        const auto [at, isNew] = known.try_emplace(e.employee);
        PlaceInRoster(roster, e, !isNew);
        HistoryPerson& p = at->second;
        p.employee = e.employee;
        const QString before = p.Name();
        bool& hit = matches[e.employee];
        for (const HistoryChange& c : e.changes) {
            const bool last = c.field == QLatin1StringView("LastName");
            if (last || c.field == QLatin1StringView("FirstName")) {
                if (!TakesOut(e))
                    (last ? p.lastName : p.firstName) = c.after;
                hit = hit || wanted.isEmpty() || FoldedName(c.before).contains(wanted) ||
                      FoldedName(c.after).contains(wanted);
            } else if (c.field == QLatin1StringView("InactivationDate") && !TakesOut(e)) {
                p.previous = !c.after.isEmpty();
            }
        }
        if (const QString now = p.Name();
            !before.isEmpty() && !now.isEmpty() && before != now && !p.formerNames.contains(before))
            p.formerNames.append(before);
        p.removed = TakesOut(e) ? e.time : QDateTime();
        hit = hit || wanted.isEmpty();
    });
    if (!s)
        return s;
    for (std::size_t i = 0; i < roster.size(); ++i)
        known[roster[i]].record = qint32(i + 1);
    for (auto& [employee, person] : known) {
        if (matches[employee])
            people->push_back(std::move(person));
    }
    return {};
}

IoStatus AppendHistory(FileIo& io, const QString& fileName, const QList<HistoryEntry>& entries) {
    QByteArray bytes;
    for (const HistoryEntry& entry : entries)
        bytes += HistoryLine(entry);
    return AppendWhole(io, fileName, bytes);
}

namespace {

QString LineFaultReason(QByteArrayView line) {
    if (!line.isValidUtf8())
        return QStringLiteral("is not UTF-8 text");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QStringLiteral("is not a JSON object");
    return QStringLiteral("is not a change (no known action, time or employee number)");
}

} // namespace

IoStatus ReadHistory(FileIo& io, const QString& fileName,
                     const std::function<void(const HistoryEntry&)>& visit,
                     const std::function<void(const HistoryLineFault&)>& fault) {
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
    // A block at a time, the line it ends in carried over: memory stays within a block and the
    // longest line kept, whatever the file holds.
    constexpr qint64 BlockBytes = 4 << 20;
    QByteArray block(std::min<qint64>(size, BlockBytes), Qt::Uninitialized);
    QByteArray carried;     // the start of a line the last block ended in
    qint64 lineStart = 0;   // where the line in hand starts in the file
    qint64 lineLength = 0;  // its length so far, when it is too long to keep
    bool overlong = false;
    qint64 number = 0;
    const auto tell = [&](qint64 bytes, const QString& reason, bool cutShort = false) {
        if (fault)
            fault({number, lineStart, bytes, reason, cutShort});
    };
    const auto take = [&](QByteArrayView line) {
        ++number;
        if (overlong)
            tell(lineLength, QStringLiteral("is longer than %1 bytes").arg(MaxHistoryLineBytes));
        else if (const auto entry = ParseHistoryLine(line))
            visit(*entry);
        else if (fault)
            tell(line.size(), LineFaultReason(line));
    };
    IoStatus result;
    for (qint64 at = 0; at < size;) {
        const qint64 want = std::min<qint64>(size - at, block.size());
        if (IoStatus s = ReadFullyAt(io, fd, block.data(), want, at, fileName); !s) {
            result = s;
            break;
        }
        const QByteArrayView part(block.constData(), want);
        qsizetype start = 0;
        for (;;) {
            const qsizetype end = part.indexOf('\n', start);
            const qsizetype stop = end < 0 ? part.size() : end;
            if (!overlong) {
                if (carried.size() + (stop - start) > MaxHistoryLineBytes) {
                    overlong = true;
                    lineLength = carried.size();
                    carried.clear();
                } else if (end < 0 || !carried.isEmpty()) {
                    carried.append(part.sliced(start, stop - start));
                }
            }
            if (overlong)
                lineLength += stop - start;
            if (end < 0)
                break;
            if (overlong)
                take({});
            else if (carried.isEmpty())
                take(part.sliced(start, end - start));
            else
                take(carried);
            carried.clear();
            overlong = false;
            lineStart = at + end + 1;
            start = end + 1;
        }
        at += want;
    }
    io.Close(fd);
    if (result && (overlong || !carried.isEmpty())) {
        ++number;
        tell(overlong ? lineLength : carried.size(),
             QStringLiteral("is cut short (no line end); the program's next open cuts it off"), true);
    }
    return result;
}

IoStatus LastLineEnd(FileIo& io, int fd, qint64 size, const QString& fileName, qint64* end) {
    *end = 0;
    // Back from the end, a block at a time, to the last line end.
    constexpr qint64 BlockBytes = 65536;
    QByteArray block(std::min<qint64>(size, BlockBytes), Qt::Uninitialized);
    for (qint64 to = size; to > 0;) {
        const qint64 from = std::max<qint64>(0, to - BlockBytes);
        if (IoStatus s = ReadFullyAt(io, fd, block.data(), to - from, from, fileName); !s)
            return s;
        const qsizetype at = QByteArrayView(block.constData(), to - from).lastIndexOf('\n');
        if (at >= 0) {
            *end = from + at + 1;
            return {};
        }
        to = from;
    }
    return {};
}
