#pragma once

#include <QStringList>

#include <cstdio>

// rosterly-data: looks into the program's data files from a shell and makes test data.
//
//   rosterly-data dump [--users | --personnel] FILE
//   rosterly-data check [--users | --personnel] FILE
//   rosterly-data seed N FILE [--seed S] [--force]
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
