#pragma once

#include "fileio.h"

#include <QString>

// Copies the file `from` to `to` so that `to` is never seen half-written: the bytes go to a
// hidden partial file beside `to`, which is flushed and then renamed over `to`; the folder is
// flushed after. The copy is readable and writable by its owner only. On failure the partial
// file is removed and `to` is as it was.
IoStatus CopyDataFile(FileIo& io, const QString& from, const QString& to);

// The name a copy to `to` is written under until it is complete.
QString PartialCopyName(const QString& to);

// What a look into a folder found.
struct FolderContents {
    bool readable = false;   // the folder could be listed
    bool holdsFiles = false; // it holds at least one ordinary file that is not hidden
};
FolderContents LookIntoFolder(const QString& folder);

// Whether `folder` is `dataFolder` once links, "." and ".." and separators are resolved.
// Capitals are ignored, so that a spelling that differs only in case is refused as well.
bool IsSameFolder(const QString& folder, const QString& dataFolder);
