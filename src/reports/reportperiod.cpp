#include "reports/reportperiod.h"

#include "filter/datepresets.h"
#include "support/dates.h"

namespace reports {

namespace {

QDate quarterStart(QDate day) {
    return QDate(day.year(), (day.month() - 1) / 3 * 3 + 1, 1);
}

Period wholeQuarter(QDate first) {
    return {first, first.addMonths(3).addDays(-1)};
}

QString quarterName(QDate first) {
    static const char *const kRoman[] = {"I", "II", "III", "IV"};
    return QStringLiteral("%1 %2")
        .arg(QLatin1String(kRoman[(first.month() - 1) / 3]))
        .arg(first.year());
}

Period fromFilter(filter::Preset preset, QDate today) {
    const filter::DateRange range = filter::presetRange(preset, today);
    return {range.first, range.second};
}

} // namespace

QList<Preset> presets() {
    return {Preset::Today,       Preset::ThisMonth, Preset::LastMonth, Preset::ThisQuarter,
            Preset::LastQuarter, Preset::ThisYear,  Preset::LastYear};
}

Period presetRange(Preset preset, QDate today) {
    switch (preset) {
    case Preset::Today:
        return {today, today};
    case Preset::ThisMonth:
        return fromFilter(filter::Preset::ThisMonth, today);
    case Preset::LastMonth:
        return fromFilter(filter::Preset::LastMonth, today);
    case Preset::ThisQuarter:
        return wholeQuarter(quarterStart(today));
    case Preset::LastQuarter:
        return wholeQuarter(quarterStart(today).addMonths(-3));
    case Preset::ThisYear:
        return fromFilter(filter::Preset::ThisYear, today);
    case Preset::LastYear:
        return fromFilter(filter::Preset::LastYear, today);
    }
    return {today, today};
}

QString presetCaption(Preset preset, QDate today) {
    switch (preset) {
    case Preset::Today:
        return QStringLiteral("Сегодня");
    case Preset::ThisMonth:
        return filter::presetCaption(filter::Preset::ThisMonth, today);
    case Preset::LastMonth:
        return filter::presetCaption(filter::Preset::LastMonth, today);
    case Preset::ThisQuarter:
        return QStringLiteral("Этот квартал (%1)").arg(quarterName(quarterStart(today)));
    case Preset::LastQuarter:
        return QStringLiteral("Прошлый квартал (%1)")
            .arg(quarterName(quarterStart(today).addMonths(-3)));
    case Preset::ThisYear:
        return filter::presetCaption(filter::Preset::ThisYear, today);
    case Preset::LastYear:
        return filter::presetCaption(filter::Preset::LastYear, today);
    }
    return QString();
}

QString periodText(QDate first, QDate last) {
    if (first == last)
        return dates::toText(first);
    return dates::toText(first) + QStringLiteral(" – ") + dates::toText(last);
}

QString fileStem(const Parameters &parameters) {
    QString stem = config(parameters.kind).caption + u' ' + dates::toText(parameters.first);
    if (parameters.last != parameters.first)
        stem += u'-' + dates::toText(parameters.last);
    return stem;
}

bool countsByDay(QDate first, QDate last) {
    return last < first.addMonths(1);
}

QList<QDate> columnDays(QDate first, QDate last) {
    QList<QDate> days;
    if (countsByDay(first, last)) {
        for (QDate day = first; day <= last; day = day.addDays(1))
            days << day;
    } else {
        for (QDate month(first.year(), first.month(), 1); month <= last; month = month.addMonths(1))
            days << month;
    }
    return days;
}

QString columnTitle(QDate day, bool byDay) {
    if (byDay)
        return day.toString(QStringLiteral("dd.MM"));
    // Three letters each, so that the columns are alike.
    static const char16_t *const kMonths[] = {u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                                              u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
    return QString::fromUtf16(kMonths[day.month() - 1]) + u' ' + QString::number(day.year());
}

} // namespace reports
