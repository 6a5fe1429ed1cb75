#include "datatool/cli.h"

#include "data/ansitext.h"
#include "data/fileio.h"
#include "data/folderlock.h"
#include "data/restorejournal.h"

#include <QDir>
#include <QFileInfo>

QCommandLineOption Option(const char* name, const char* needs) {
    return needs ? QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(needs))
                 : QCommandLineOption(QString::fromLatin1(name));
}

QString OperandProblem(const QStringList& operands, qsizetype wanted, const QString& missing) {
    if (operands.size() < wanted)
        return missing;
    if (operands.size() > wanted)
        return QStringLiteral("unexpected argument '%1'").arg(operands[wanted]);
    return {};
}

void Put(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int Complain(std::FILE* err, const QString& message, int status, bool usageHint) {
    Put(err, QByteArrayLiteral("rosterly-data: ") + message.toUtf8() + '\n');
    if (status == ExitUsage && usageHint)
        Put(err, QByteArrayLiteral("Try 'rosterly-data --help'.\n"));
    return status;
}

QString LeadsNowhereText(const QString& path) {
    return QStringLiteral("%1 is a link to %2, which does not exist")
        .arg(path, QFileInfo(path).symLinkTarget());
}

QString Plural(qint64 n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

QString FinishRestoreBeside(const QString& file) {
    FileIo io;
    const IoStatus s = FinishInterruptedRestore(io, QFileInfo(file).path());
    if (s)
        return {};
    return QString(s.Message()).replace(CrLf, QStringLiteral(" ")) +
           QStringLiteral(" A restore in that folder was cut short and is not settled; nothing was done.");
}

QString LinkedFolderText(const QString& file) {
    const QFileInfo real(file);
    const QString reason = LinkedDataFileText(real.absolutePath(), WrittenDataFileNames(real.fileName()));
    if (reason.isEmpty())
        return {};
    return QStringLiteral("the folder %1 cannot be written: %2")
        .arg(QDir::toNativeSeparators(real.absolutePath()), reason);
}

QString BesideDataFile(const QString& path, const QString& name) {
    const QString real = RealDataFilePath(path);
    return real.isEmpty() ? QString() : QFileInfo(real).dir().filePath(name);
}

