#include "ui/spreadsheetname.h"

#include "ui/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() || !QDir(documents).exists() ? QDir::homePath() : documents;
}

QString ChosenSpreadsheet(Prompts& prompts, const QString& title, const QString& name, bool* csv) {
    QString path = prompts.GetSaveFileName(title, QDir(DocumentsFolder()).filePath(name),
                                           QStringLiteral("Excel workbook (*.xlsx);;CSV files (*.csv)"));
    *csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (!path.isEmpty() && !*csv && !path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) &&
        !QFileInfo(path).exists())
        path += QStringLiteral(".xlsx");
    return path;
}
