#pragma once

#include "data/records.h"

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <random>

// Synthetic employees for trying the program out on realistic amounts of data. Everything is
// drawn from std::mt19937, whose sequence the C++ standard fixes, through our own bounded draws
// (the standard distributions differ between library implementations) and relative to a fixed
// "today", so one seed gives the same bytes on any machine and any day.

// The day the generated data treats as today.
QDate SeedReferenceDate();

class EmployeeGenerator {
public:
    explicit EmployeeGenerator(quint32 seed);

    // Fills `record` with employee `number` (from 1; it makes the employee number). Nobody has a
    // picture.
    void Generate(qint64 number, PersonnelRecord& record);

private:
    quint32 Below(quint32 bound);   // uniform in 0..bound-1
    int Between(int low, int high); // uniform in low..high
    bool Chance(int percent);       // true in `percent` of the draws
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<quint32>(N))];
    }
    QDate DayBetween(QDate first, QDate last); // uniform, both ends included
    QString Phone(int areaCode);
    QString Notepad(bool previous, QDate inactivation);

    std::mt19937 m_random;
};

// Writes `count` generated employees as a new personnel file at `realPath` (no links on the way:
// a replaced file is renamed over), owner read/write only. An existing file is refused unless
// `replace` is set; then the new file takes its place only once complete. Returns an empty text
// on success, otherwise what went wrong, naming the file as `shownAs` when it is given.
QString WriteSeedFile(const QString& realPath, qint64 count, quint32 seed, bool replace,
                      const QString& shownAs = {});
