#include "reports/reportchart.h"

#include "reports/reportsql.h"
#include "widgets/fontgrowth.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <QFont>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

// Diagnoses' names can be long: the axis shows their beginning, in a smaller face.
constexpr int kLabelLength = 48;
constexpr int kLabelPoints = 8;
// The height of a diagnosis' line on the axis, and of the rest of the chart, in screen pixels.
constexpr double kDiagnosisLine = 22;
constexpr double kChartFrame = 70;

QString shortLabel(const QString &text) {
    return text.size() <= kLabelLength ? text : text.left(kLabelLength - 1) + u'…';
}

QChart *newChart(bool dark) {
    auto *chart = new QChart;
    // Set first, so that the series and axes added take its colours.
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

// A round step for an axis of counts up to `top`, and the axis' end.
double niceTop(double top) {
    if (top <= 5)
        return 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(top)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (top <= step * magnitude)
            return step * magnitude;
    }
    return 10 * magnitude;
}

QValueAxis *countAxis(double top) {
    auto *axis = new QValueAxis;
    axis->setRange(0, niceTop(top));
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTickCount(6);
    return axis;
}

QChart *visitsChart(const Table &table, bool dark) {
    QChart *chart = newChart(dark);
    auto *series = new QStackedBarSeries;
    const qsizetype firstColumn = 1, lastColumn = table.columns.size() - 2; // without "Всего"
    QStringList categories;
    for (qsizetype c = firstColumn; c <= lastColumn; ++c)
        categories << table.columns[c].title;
    // Months of one year need not name it under every column: "янв 2024" reads "янв".
    const QString year =
        categories.isEmpty() ? QString() : categories.constFirst().section(u' ', 1);
    if (!year.isEmpty() &&
        std::all_of(categories.cbegin(), categories.cend(),
                    [&](const QString &title) { return title.section(u' ', 1) == year; })) {
        for (QString &title : categories)
            title = title.section(u' ', 0, 0);
    }
    double top = 0;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (table.isTotal(r)) {
            for (qsizetype c = firstColumn; c <= lastColumn; ++c)
                top = std::max(top, table.rows[r][c].toDouble());
            continue;
        }
        auto *set = new QBarSet(table.rows[r][0].toString());
        for (qsizetype c = firstColumn; c <= lastColumn; ++c)
            set->append(table.rows[r][c].toDouble());
        series->append(set);
    }
    chart->addSeries(series);
    auto *days = new QBarCategoryAxis;
    days->append(categories);
    if (categories.size() > 12)
        days->setLabelsAngle(-90);
    chart->addAxis(days, Qt::AlignBottom);
    series->attachAxis(days);
    QValueAxis *visits = countAxis(top);
    chart->addAxis(visits, Qt::AlignLeft);
    series->attachAxis(visits);
    return chart;
}

QChart *diagnosesChart(const Table &table, bool dark) {
    QChart *chart = newChart(dark);
    chart->legend()->hide();
    auto *series = new QHorizontalBarSeries;
    auto *set = new QBarSet(table.columns.value(1).title);
    QStringList categories;
    // The axis runs from the bottom up: the most frequent diagnosis comes last, on top.
    const qsizetype shown = std::min<qsizetype>(table.rows.size(), kChartDiagnoses);
    double top = 0;
    for (qsizetype r = shown - 1; r >= 0; --r) {
        categories << shortLabel(table.rows[r][0].toString());
        set->append(table.rows[r][1].toDouble());
        top = std::max(top, table.rows[r][1].toDouble());
    }
    series->append(set);
    series->setLabelsVisible(true);
    chart->addSeries(series);
    auto *names = new QBarCategoryAxis;
    names->append(categories);
    names->setLabelsFont(fontgrowth::designPointFont(names->labelsFont(), kLabelPoints));
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    QValueAxis *visits = countAxis(top);
    chart->addAxis(visits, Qt::AlignBottom);
    series->attachAxis(visits);
    return chart;
}

QChart *pyramidChart(const Table &table, bool dark) {
    QChart *chart = newChart(dark);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *series = new QHorizontalStackedBarSeries;
    auto *men = new QBarSet(QStringLiteral("Мужчины"));
    auto *women = new QBarSet(QStringLiteral("Женщины"));
    QStringList groups;
    double top = 0;
    // The youngest at the bottom; patients of unknown age have no place in a pyramid.
    for (int group = sql::Child; group <= sql::Elderly && group < table.rows.size(); ++group) {
        const QVariantList &row = table.rows[group];
        groups << row[0].toString();
        men->append(-row[2].toDouble());
        women->append(row[3].toDouble());
        top = std::max({top, row[2].toDouble(), row[3].toDouble()});
    }
    series->append(men);
    series->append(women);
    series->setBarWidth(0.9);
    chart->addSeries(series);
    auto *ages = new QBarCategoryAxis;
    ages->append(groups);
    chart->addAxis(ages, Qt::AlignLeft);
    series->attachAxis(ages);
    // Counts read as numbers of people on both sides: the left half's labels lose their sign.
    // Labels of a category axis must differ, so the left ones carry a thin space.
    const double end = niceTop(top);
    auto *counts = new QCategoryAxis;
    counts->setRange(-end, end);
    counts->setStartValue(-end);
    counts->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (int step = -4; step <= 4; ++step) {
        const double at = end * step / 4;
        const QString label = QString::number(std::lround(std::fabs(at)));
        counts->append(step < 0 ? label + QChar(0x2009) : label, at);
    }
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);
    return chart;
}

} // namespace

double chartMinimumHeight(Kind kind, const Table &table) {
    if (kind != Kind::Diagnoses)
        return 0;
    const qsizetype shown = std::min<qsizetype>(table.rows.size(), kChartDiagnoses);
    return kChartFrame + kDiagnosisLine * double(shown + 1);
}

QChart *makeChart(Kind kind, const Table &table, bool dark) {
    switch (kind) {
    case Kind::VisitsByDoctor:
        return visitsChart(table, dark);
    case Kind::Diagnoses:
        return diagnosesChart(table, dark);
    case Kind::Patients:
        return pyramidChart(table, dark);
    case Kind::Journal:
        break;
    }
    return nullptr;
}

} // namespace reports
