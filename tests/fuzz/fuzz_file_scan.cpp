// Any bytes as the personnel file and as the user list: opened (counted, an interrupted removal
// finished), their records read, closed.
#include "data/fileio.h"
#include "data/personnelfile.h"
#include "data/userlist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char* name : {"Rosterly.Data", "User.List"}) {
        const QString path = QDir(folder.path()).filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
        f.close();
    }
    FileIo io;
    PersonnelFile personnel(io, QDir(folder.path()).filePath(QStringLiteral("Rosterly.Data")),
                            QDir(folder.path()).filePath(QStringLiteral("TempFile.$$$")));
    if (personnel.OpenPersonnelFile()) {
        for (qint32 n = 1; n <= std::min(personnel.RecordCount(), 3); ++n)
            if (personnel.ReadPersonnelRecord(n))
                (void)personnel.Record().LastName();
        personnel.ClosePersonnelFile();
    }
    UserList users(io, QDir(folder.path()).filePath(QStringLiteral("User.List")),
                   QDir(folder.path()).filePath(QStringLiteral("TempFile.$$$")));
    if (users.OpenUserList()) {
        for (qint16 n = 1; n <= std::min<qint16>(users.UserCount(), 3); ++n)
            if (users.ReadUserRecord(n))
                (void)users.Record().FirstName();
        users.CloseUserList();
    }
    return 0;
}
