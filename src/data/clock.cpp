#include "clock.h"

#include "oledate.h"

double Clock::NowOle() const {
    return DateTimeToOle(Now());
}

double Clock::TodayOle() const {
    return DateToOle(Now().date());
}
