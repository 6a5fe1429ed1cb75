#pragma once

#include <QProcessEnvironment>
#include <QString>

class DataFolderLock;
class Prompts;
class ReadOnlyFileIo;
struct ProgramState;

// The program keeps its data files in its working folder, and the working folder is the data
// folder: $ROSTERLY_DATA_DIR when it is set (a relative one is taken from the folder the program
// started in), else "Rosterly" in the user's XDG data folder. Started from a desktop launcher, whose
// working folder is nobody's choice, the files still land where scripts/run keeps them.
QString ChosenDataFolder(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// Makes `folder` when it is missing, owner-only (and the parents it makes too) since it will hold
// the access log and the staff's Social Security numbers, and makes it the working folder. An
// existing folder keeps its rights: one shared on purpose stays shared. Returns an empty text, or
// why the folder cannot be used.
QString EnterDataFolder(const QString& folder);

// The refusal shown when the data folder cannot be made or entered: text and title.
QString DataFolderRefusedText(const QString& appTitle, const QString& folder, const QString& reason);
inline constexpr char DataFolderRefusedTitle[] = "Data Folder";

// Takes the data folder's lock for this copy, nothing written before. When another copy holds it,
// offers to open the files read-only or to exit: read-only chosen, `io` refuses every change and
// `state` says so and who writes. False when the copy must end: the lock cannot be made (said in
// a message) or Exit was chosen.
bool TakeDataFolder(DataFolderLock& lock, ReadOnlyFileIo& io, ProgramState& state, Prompts& prompts);
