#include "filter/datepresets.h"

#include "support/dates.h"

namespace filter {

namespace {

DateRange wholeYear(int year) {
    return {QDate(year, 1, 1), QDate(year, 12, 31)};
}

DateRange wholeMonth(QDate day) {
    const QDate first(day.year(), day.month(), 1);
    return {first, first.addDays(first.daysInMonth() - 1)};
}

} // namespace

DateRange presetRange(Preset preset, QDate today) {
    switch (preset) {
    case Preset::ThisYear:
        return wholeYear(today.year());
    case Preset::LastYear:
        return wholeYear(today.year() - 1);
    case Preset::ThisMonth:
        return wholeMonth(today);
    case Preset::LastMonth:
        return wholeMonth(QDate(today.year(), today.month(), 1).addMonths(-1));
    case Preset::Last12Months:
        return {dates::yearBack(today), today};
    case Preset::Last30Days:
        return {dates::monthBack(today), today};
    }
    return {today, today};
}

QString presetCaption(Preset preset, QDate today) {
    switch (preset) {
    case Preset::ThisYear:
        return QStringLiteral("Этот год (%1)").arg(today.year());
    case Preset::LastYear:
        return QStringLiteral("Прошлый год (%1)").arg(today.year() - 1);
    case Preset::ThisMonth:
        return QStringLiteral("Этот месяц");
    case Preset::LastMonth:
        return QStringLiteral("Прошлый месяц");
    case Preset::Last12Months:
        return QStringLiteral("Последние 12 месяцев");
    case Preset::Last30Days:
        return QStringLiteral("Последние 30 дней");
    }
    return QString();
}

} // namespace filter
