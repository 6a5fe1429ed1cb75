#include "data/clock.h"

#include "data/oledate.h"

double Clock::NowOle() const {
    return DateTimeToOle(Now());
}

double Clock::TodayOle() const {
    return DateToOle(Now().date());
}
