#include "support/golden.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

namespace {

// The two files' differences as `diff -u` shows them, cut after 80 lines.
QString Differences(const QString& golden, const QByteArray& actual) {
    QTemporaryFile file;
    if (!file.open() || file.write(actual) != actual.size() || !file.flush())
        return QStringLiteral("(no diff: the output could not be written to a temporary file)");
    QProcess diff;
    diff.start(QStringLiteral("diff"),
               {QStringLiteral("-u"), QStringLiteral("--label"), QStringLiteral("golden"),
                QStringLiteral("--label"), QStringLiteral("actual"), golden, file.fileName()});
    if (!diff.waitForFinished(30000))
        return QStringLiteral("(no diff: diff did not run)");
    QStringList lines = QString::fromUtf8(diff.readAllStandardOutput()).split(u'\n');
    if (lines.size() > 80) {
        const qsizetype more = lines.size() - 80;
        lines.resize(80);
        lines << QStringLiteral("... %1 more lines").arg(more);
    }
    return lines.join(u'\n');
}

} // namespace

QString RowGoldenName(const QString& folder, const QString& ending) {
    QString name;
    for (const QChar c : QString::fromUtf8(QTest::currentDataTag()).toLower()) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            name += c;
        else if (!name.isEmpty() && !name.endsWith(u'-'))
            name += u'-';
    }
    if (name.endsWith(u'-'))
        name.chop(1);
    return folder + u'/' + name + ending;
}

void CompareGolden(const QByteArray& actual, const QString& name, const char* goldenFolder) {
    const QString path = QDir(QString::fromUtf8(goldenFolder)).filePath(name);
    if (qEnvironmentVariable("ROSTERLY_UPDATE_GOLDEN") == QLatin1String("1")) {
        QVERIFY2(QDir().mkpath(QFileInfo(path).path()), qPrintable(path));
        WriteFileBytes(path, actual);
        return;
    }
    QVERIFY2(QFileInfo::exists(path),
             qPrintable(QStringLiteral("%1 is missing (ROSTERLY_UPDATE_GOLDEN=1 writes it)").arg(path)));
    const QByteArray golden = ReadFileBytes(path);
    if (golden == actual)
        return;
    QFAIL(qPrintable(QStringLiteral("the output differs from %1 (ROSTERLY_UPDATE_GOLDEN=1 rewrites it):\n%2")
                         .arg(path, Differences(path, actual))));
}
