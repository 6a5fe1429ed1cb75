#pragma once

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

// rosterly-data: looks into the program's data files from a shell and makes test data.
//
//   rosterly-data dump [--users | --personnel] FILE
//   rosterly-data check [--users | --personnel] FILE   (and the history beside a personnel file)
//   rosterly-data seed N FILE [--seed S] [--force]
//   rosterly-data export FILE [--list L] [--status S] [--race R] [--sex X] [--look-for TEXT]
//                             [--notepad] [--level N | --show-sensitive] [--json]
//   rosterly-data import CSV FILE [--dry-run]
//   rosterly-data history FILE [--employee N | --name TEXT] [--since DATE] [--as-of DATE] [--json]
//
// dump and check only ever read FILE.

// Exit statuses.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;    // check found problems, or a file could not be read or written
inline constexpr int ExitUsage = 2;      // the command line was wrong
inline constexpr int ExitNotRegular = 2; // FILE is a pipe, a device or a folder: refused unread

// Runs one command line (`arguments` without the program name). Results go to `out`, messages
// (each starting with "rosterly-data: ") to `err`. Returns the exit status.
int RunDataTool(const QStringList& arguments, std::FILE* out, std::FILE* err);

// What the commands share.
void Put(std::FILE* stream, const QByteArray& bytes);
// "rosterly-data: <message>" on `err` (with a pointer to --help for a wrong command line);
// returns `status`.
int Complain(std::FILE* err, const QString& message, int status, bool usageHint = true);
QString Plural(qint64 n, const char* one, const char* many);
// "<path> is a link to <target>, which does not exist": a link a writer refuses to create through.
QString LeadsNowhereText(const QString& path);
// Completes or undoes a restore cut short in the folder of `file`, as the program does once it
// holds the folder's lock; empty when the folder is settled, else why it is not.
QString FinishRestoreBeside(const QString& file);
// Empty when the folder of the data file `file` (as RealDataFilePath names it) may be written, as
// the program would write it; else why not: a file of it the commands write is a link, or one name
// of a file with several, through which the write would pass the lock of another folder.
QString LinkedFolderText(const QString& file);
// The file `name` beside the data file `path`, in the folder that really holds that file (where
// the program keeps its journals and history); empty for a link that leads to no file.
QString BesideDataFile(const QString& path, const QString& name);

// The command lines are read with QCommandLineParser, one set of options per command. Only a word
// starting with "--" is an option; "--name VALUE" and "--name=VALUE" give a value.
// An option of a command: a flag, or, with `needs`, one that takes a value; `needs` finishes the
// message for a missing value ("--seed needs a number").
QCommandLineOption Option(const char* name, const char* needs = nullptr);
// Empty when there are `wanted` operands, else what is wrong: `missing` when there are fewer.
QString OperandProblem(const QStringList& operands, qsizetype wanted, const QString& missing);

// export and import (exchange.cpp): their options, and each command on a line read with them.
QList<QCommandLineOption> ExportLineOptions();
int RunExport(const QCommandLineParser& line, std::FILE* out, std::FILE* err);
QList<QCommandLineOption> ImportLineOptions();
int RunImport(const QCommandLineParser& line, std::FILE* out, std::FILE* err);

// history (history.cpp): the change history beside a personnel file.
QList<QCommandLineOption> HistoryLineOptions();
int RunHistory(const QCommandLineParser& line, std::FILE* out, std::FILE* err);

// check's comparison of a personnel file with the history beside it (history.cpp): each record
// against the last state the history knows of the employee in it, the employees placed by the
// record numbers of the entries. It only reads.
class HistoryCheck {
public:
    // Reads the history beside the personnel file `file`, if there is one.
    explicit HistoryCheck(const QString& file);
    ~HistoryCheck();
    HistoryCheck(const HistoryCheck&) = delete;
    HistoryCheck& operator=(const HistoryCheck&) = delete;

    // A history, or an index that says one was kept.
    bool Present() const;
    // Why the history could not be read; empty when it could.
    QString Error() const;
    // What the program's next open will do with the history before anything else (a last line
    // cut short), one line each; said first.
    QByteArray Note() const;
    // Where record n (its bytes `record`) differs from the history, one line each.
    QByteArray Compare(qint64 n, const char* record);
    // After the file's last record, `records`: the employees the history places past it, the
    // lines of the history that are no entry, and what of the index disagrees with the history.
    QByteArray Finish(qint64 records);
    // "history of FILE: N employees, M entries, in step".
    QByteArray Summary() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
