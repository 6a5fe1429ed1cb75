#pragma once

#include "data/datafilenames.h"
#include "data/onebased.h"

#include <QString>

// The program-wide state every window reads: file names, access level names, the signed-in
// user and whether fades run. Main makes one and hands it to the windows.
struct ProgramState {
    QString AppTitle = QStringLiteral("Rosterly");
    QString DataFileName = ::PersonnelFileName;
    QString UserListName = UserListFileName;
    QString UserLogName = UserLogFileName;
    QString ScratchFileName = ::ScratchFileName;
    QString RestoreJournalName = RestoreJournalFileName;
    OneBased<QString, 3> DataFileNames{DataFileName, UserListName, UserLogName};
    OneBased<QString, 4> AccessLevelNames{QStringLiteral("Read Only"), QStringLiteral("Read/Edit"),
                                          QStringLiteral("Read/Edit/Add"),
                                          QStringLiteral("Read/Edit/Add/Delete")};
    QString CurrentUserName;
    qint16 CurrentAccessLevel = 0;
    bool FadeEnabled = false;
    // Whether this desktop can make a window partly transparent (decided once at start-up).
    bool PlatformCanFade = false;
    // Natural size in twips of the last picture shown on the record page; the large picture
    // view lays its copy out from them.
    qint32 PictureWidth = 0;
    qint32 PictureHeight = 0;
    // The user has said the printer is ready once in this run.
    bool PrinterConfirmed = false;
    // The first wait before a sign-in or access-code try after two wrong ones in a row
    // (milliseconds); each further wrong try doubles it, up to 30 times this.
    int RetryWaitMs = 1000;
    // The help topic (menu index) the next help window opens on; callers set it first.
    qint16 RequestedHelpTopic = 0;
    // Set by the information report: the next large picture view prints its picture and closes.
    bool PrintPictureAtOnce = false;

    // The name of an access level, or empty for a level outside 1..4 (a damaged record must not
    // take a window down).
    QString AccessLevelName(qint16 level) const {
        return level >= 1 && level <= 4 ? AccessLevelNames[std::size_t(level)] : QString();
    }
    // The name of CurrentAccessLevel.
    QString AccessLevelName() const { return AccessLevelName(CurrentAccessLevel); }
};
