#include "support/dates.h"

#include <cmath>

namespace dates {

namespace {
Clock &clockSlot() {
    static Clock clock;
    return clock;
}
} // namespace

QDateTime now() {
    const Clock &clock = clockSlot();
    return clock ? clock() : QDateTime::currentDateTime();
}

QDate today() {
    return now().date();
}

void setClock(Clock clock) {
    clockSlot() = std::move(clock);
}

QDate monthBack(QDate day) {
    int year = day.year();
    int month = day.month() - 1;
    if (month == 0) {
        month = 12;
        --year;
    }
    const int lastDay = QDate(year, month, 1).daysInMonth();
    return QDate(year, month, std::min(day.day(), lastDay));
}

QDate yearBack(QDate day) {
    const int dayOfMonth = (day.month() == 2 && day.day() == 29) ? 28 : day.day();
    return QDate(day.year() - 1, day.month(), dayOfMonth);
}

int ageInYears(QDate birth, const QDateTime &moment) {
    // Calendar days plus the fraction of the day: a clock change in between does not count.
    const double days =
        double(birth.daysTo(moment.date())) + moment.time().msecsSinceStartOfDay() / 86'400'000.0;
    return int(std::fabs(days) / 365.25);
}

int ageInYears(QDate birth) {
    return ageInYears(birth, now());
}

int ageSinceBirth(QDate birth, const QDateTime &moment) {
    if (!birth.isValid() || birth > moment.date())
        return 0;
    return ageInYears(birth, moment);
}

int ageSinceBirth(QDate birth) {
    return ageSinceBirth(birth, now());
}

QString toText(QDate day) {
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

QString toSqlLiteral(QDate day) {
    return QLatin1Char('\'') + toText(day) + QLatin1Char('\'');
}

} // namespace dates
