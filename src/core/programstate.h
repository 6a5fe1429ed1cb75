#pragma once

#include "data/datafilenames.h"
#include "data/onebased.h"
#include "data/userlist.h"

#include <QString>

// The program-wide state every window reads: the data files' names, the signed-in user, and what
// this run has settled for its windows (fades, the printer's readiness, the wait after wrong
// passwords). Main makes one and hands it to the windows.
struct ProgramState {
    QString AppTitle = QStringLiteral("Rosterly");
    QString DataFileName = ::PersonnelFileName;
    QString UserListName = UserListFileName;
    QString UserLogName = UserLogFileName;
    QString ScratchFileName = ::ScratchFileName;
    QString RestoreJournalName = RestoreJournalFileName;
    OneBased<QString, 3> DataFileNames{DataFileName, UserListName, UserLogName};
    QString CurrentUserName;
    qint16 CurrentAccessLevel = 0;
    bool FadeEnabled = false;
    // Whether this desktop can make a window partly transparent (decided once at start-up).
    bool PlatformCanFade = false;
    // The user has said the printer is ready once in this run.
    bool PrinterConfirmed = false;
    // The first wait before a sign-in or access-code try after two wrong ones in a row
    // (milliseconds); each further wrong try doubles it, up to 30 times this.
    int RetryWaitMs = 1000;
    // Another copy holds the data folder's lock: this one reads the files and writes none (but its
    // sign-in and sign-out lines in the user log). WriterName names the holder ("ann on frontdesk").
    bool ReadOnly = false;
    QString WriterName;
    // The name of CurrentAccessLevel.
    QString AccessLevelName() const { return ::AccessLevelName(CurrentAccessLevel); }
};
