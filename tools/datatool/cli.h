#pragma once

#include <QByteArray>
#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <cstdio>

// What every command of rosterly-data shares: exit statuses, output, messages, the files beside a
// data file and the reading of its command line. The commands (datatool.cpp, exchange.cpp,
// history.cpp) call these and not each other; datatool.cpp dispatches to them.

// Exit statuses.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;    // check found problems, or a file could not be read or written
inline constexpr int ExitUsage = 2;      // the command line was wrong
inline constexpr int ExitNotRegular = 2; // FILE is a pipe, a device or a folder: refused unread

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

