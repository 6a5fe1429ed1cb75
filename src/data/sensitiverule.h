#pragma once

#include "data/clock.h"
#include "data/fileio.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// The rule of the sensitive fields, kept with the data ("Rosterly.Privacy", one line
// "SensitiveFieldsLevel=N" and CR LF, N the access level from which the Social Security number and
// the year of birth show in full), so that every computer and every account working on the folder
// applies the same rule, and only the administrator changes it. Every change is written to the
// user log, which is also how a folder tells that it once had a rule: a rule missing from such a
// folder, or one that cannot be read, is lost, and a lost rule masks for everyone below the
// highest level until the administrator sets it again.
struct SensitiveRule {
    enum class State {
        None, // the folder never had a rule: everyone sees everything
        Kept, // read from the folder
        Lost  // missing or unreadable in a folder that had one
    };
    State state = State::None;
    int level = 1;   // the level in force
    QString problem; // for a lost rule, why: a file error's message, naming the file
};

// The bytes of a rule for `level`.
QByteArray SensitiveRuleBytes(int level);

// The rule of the folder holding `ruleFile` (and `userLog`). Cheap: one small read, and the user
// log read only when the rule is missing.
SensitiveRule ReadSensitiveRule(FileIo& io, const QString& ruleFile, const QString& userLog);

// Writes the rule whole: under a scratch name, flushed, renamed over the old one, the folder
// flushed; owner-only. On failure the old rule is as it was.
IoStatus WriteSensitiveRule(FileIo& io, const QString& ruleFile, int level);

// Why the sensitive-fields level changed, as its user log line ends.
enum class SensitiveLevelChange {
    Set,       // in the admin window
    TakenOver, // from a settings value of an older version of the program, once
    Restored   // with the data files of a backup
};

// The user log line for a change of the level, without the line end, read like the sign-in
// lines: "mm/dd/yyyy at hh:nn:ss - <user> changed the sensitive-fields level from 1 to 3." and,
// taken over or restored, "..., taken over from this computer's settings." / "..., restored from
// a backup.". Control characters in the name show as '?'.
QString SensitiveLevelLogLine(const QString& userName, int from, int to, SensitiveLevelChange why,
                              const QDateTime& when);

// Appends that line and CR LF to the user log `logName` in one write.
IoStatus WriteSensitiveLevelLogEntry(FileIo& io, const QString& logName, const QString& userName, int from,
                                     int to, SensitiveLevelChange why, const Clock& clock);

// Whether the rest of a user log line after its "<date> at <time> - " stamp is a change of the
// level, "<user> changed the sensitive-fields level from N to M[, why]."
bool IsSensitiveLevelLogText(QStringView rest);

// Who runs the program on this computer: $USER, else the name of the process's user.
QString OsUserName();
