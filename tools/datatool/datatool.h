#pragma once

#include "datatool/cli.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

// rosterly-data: looks into the program's data files from a shell and makes test data. The
// commands and their options are those of `rosterly-data --help` (the usage text in datatool.cpp,
// and the manual page dist/rosterly-data.1.in): dump, check, seed, export, import, history.
//
// dump and check only ever read FILE.

// Runs one command line (`arguments` without the program name). Results go to `out`, messages
// (each starting with "rosterly-data: ") to `err`. Returns the exit status.
int RunDataTool(const QStringList& arguments, std::FILE* out, std::FILE* err);

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
