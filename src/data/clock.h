#pragma once

#include <QDateTime>

// The program's one source of "now", so that tests can fix the instant.
class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time; the data files store it as it reads, without a time zone.
    virtual QDateTime Now() const = 0;

    double NowOle() const;   // OLE Automation date of Now()
    double TodayOle() const; // today's date, no time of day
};

class SystemClock final : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime now = {}) : m_now(std::move(now)) {}
    QDateTime Now() const override { return m_now; }
    void Set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};
