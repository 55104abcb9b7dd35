#include "reports/reportprint.h"

#include "reports/csvexport.h"
#include "reports/reportchart.h"
#include "support/programinfo.h"

#include <QBuffer>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <memory>
#include <numeric>

namespace reports {

namespace {

// The body's point sizes tried, largest first, until the table's width fits the page.
constexpr int kBodySizes[] = {9, 8, 7, 6};
constexpr int kTitleSize = 12;
constexpr double kPaddingPoints = 2;
constexpr double kGapPoints = 8;
// The chart's size on the screen it is drawn for; the page scales it.
constexpr double kChartWidth = 1000;

// Where everything goes on the pages, in the device's pixels.
struct Layout {
    double pixelsPerPoint = 1;
    QFont body, bold, title;
    double width = 0, height = 0; // the page's printable area
    double padding = 0;
    double headingHeight = 0; // the heading of every page, its gap included
    double titleHeight = 0;
    QList<double> widths;
    double headerHeight = 0;
    QList<double> rowHeights;
    struct Page {
        qsizetype firstRow = 0, endRow = 0;
        double chartTop = -1; // where the chart goes on this page; none when negative
        double chartHeight = 0;
    };
    QList<Page> pages;
};

Qt::Alignment alignmentOf(CellKind kind) {
    switch (kind) {
    case CellKind::Integer:
    case CellKind::Decimal:
        return Qt::AlignRight | Qt::AlignTop;
    case CellKind::Date:
        return Qt::AlignHCenter | Qt::AlignTop;
    case CellKind::Text:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QString textOf(const Table &table, qsizetype row, qsizetype column) {
    return cellText(table.rows[row].value(column), table.columns[column].kind);
}

double widestWord(const QFontMetricsF &metrics, const QString &text) {
    double widest = 0;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word));
    return widest;
}

// Column widths for the body font: numbers and dates as wide as their widest cell, texts as wide
// as the page allows (at least a few words' room). Returns false when even that is too wide.
bool fitColumns(const Table &table, Layout &layout) {
    const QFontMetricsF body(layout.body), bold(layout.bold);
    const qsizetype columns = table.columns.size();
    QList<double> natural(columns), least(columns);
    const double room = 2 * layout.padding;
    for (qsizetype c = 0; c < columns; ++c) {
        const bool text = table.columns[c].kind == CellKind::Text;
        double widest = 0;
        for (qsizetype r = 0; r < table.rows.size(); ++r) {
            const QFontMetricsF &metrics = table.isTotal(r) ? bold : body;
            widest = std::max(widest, metrics.horizontalAdvance(textOf(table, r, c)));
        }
        const double title = widestWord(bold, table.columns[c].title);
        // A little room more than measured: the printer may set a text a shade wider.
        natural[c] = std::max(widest, title) + room + layout.padding;
        least[c] =
            text ? std::max(title, body.horizontalAdvance(QStringLiteral("Иванова Мария"))) + room
                 : natural[c];
        least[c] = std::min(least[c], natural[c]);
    }
    const double wanted = std::accumulate(natural.begin(), natural.end(), 0.0);
    const double leastTotal = std::accumulate(least.begin(), least.end(), 0.0);
    layout.widths = natural;
    if (leastTotal > layout.width)
        return false;
    // Texts share the room beyond their least widths as they want more of it.
    double wants = 0;
    for (qsizetype c = 0; c < columns; ++c) {
        if (table.columns[c].kind == CellKind::Text)
            wants += natural[c] - least[c];
    }
    // A table narrower than the page keeps its natural widths.
    if (wanted <= layout.width)
        return true;
    for (qsizetype c = 0; c < columns; ++c) {
        if (table.columns[c].kind == CellKind::Text)
            layout.widths[c] =
                least[c] + (natural[c] - least[c]) * (layout.width - leastTotal) / wants;
    }
    return true;
}

double textHeight(const QFontMetricsF &metrics, const QString &text, double width) {
    // Most cells hold one line: only a text wider than its cell is wrapped to be measured.
    if (!text.contains(u'\n') && metrics.horizontalAdvance(text) <= width)
        return metrics.height();
    return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height();
}

Layout layOut(Kind kind, const Table &table, QPagedPaintDevice &device) {
    Layout layout;
    layout.pixelsPerPoint = device.logicalDpiY() / 72.0;
    layout.width = device.width();
    layout.height = device.height();
    layout.padding = kPaddingPoints * layout.pixelsPerPoint;

    const auto font = [&](int points, bool bold) {
        QFont font(QStringLiteral("Arial"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    };
    for (const int points : kBodySizes) {
        layout.body = QFont(font(points, false), &device);
        layout.bold = QFont(font(points, true), &device);
        if (fitColumns(table, layout))
            break;
    }
    // Too many columns for the least size: every column shrinks alike.
    const double total = std::accumulate(layout.widths.begin(), layout.widths.end(), 0.0);
    if (total > layout.width) {
        for (double &width : layout.widths)
            width *= layout.width / total;
    }

    layout.title = QFont(font(kTitleSize, true), &device);
    const QFontMetricsF body(layout.body), bold(layout.bold);
    layout.titleHeight = QFontMetricsF(layout.title).height();
    // The title, and the parameters in one line below it.
    layout.headingHeight = layout.titleHeight + (table.parameters.isEmpty() ? 0 : body.height()) +
                           kGapPoints * layout.pixelsPerPoint;

    const double room = 2 * layout.padding;
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        layout.headerHeight = std::max(
            layout.headerHeight, textHeight(bold, table.columns[c].title, layout.widths[c] - room));
    }
    layout.headerHeight += room;
    layout.rowHeights.reserve(table.rows.size());
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const QFontMetricsF &metrics = table.isTotal(r) ? bold : body;
        double height = metrics.height();
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            if (table.columns[c].kind == CellKind::Text)
                height = std::max(
                    height, textHeight(metrics, textOf(table, r, c), layout.widths[c] - room));
        }
        layout.rowHeights << height + room;
    }

    // Rows onto pages, below the heading and the column titles; a row never breaks.
    const double top = layout.headingHeight + layout.headerHeight;
    Layout::Page page;
    double y = top;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (y + layout.rowHeights[r] > layout.height && r > page.firstRow) {
            page.endRow = r;
            layout.pages << page;
            page = Layout::Page{r, r, -1};
            y = top;
        }
        y += layout.rowHeights[r];
    }
    page.endRow = table.rows.size();
    layout.pages << page;

    // The chart below the table when enough of it fits there, else on a page of its own.
    if (config(kind).chart) {
        const double gap = kGapPoints * layout.pixelsPerPoint;
        const double wanted = std::min(layout.height - layout.headingHeight, layout.width * 0.5);
        const double room = layout.height - y - gap;
        if (room >= wanted * 0.6) {
            layout.pages.last().chartTop = y + gap;
            layout.pages.last().chartHeight = std::min(room, wanted);
        } else {
            layout.pages << Layout::Page{table.rows.size(), table.rows.size(), layout.headingHeight,
                                         wanted};
        }
    }
    return layout;
}

void paintHeading(QPainter &painter, const Table &table, const Layout &layout, int page) {
    painter.setFont(layout.title);
    painter.drawText(QRectF(0, 0, layout.width, layout.titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, table.title);
    painter.setFont(layout.body);
    painter.drawText(QRectF(0, 0, layout.width, layout.titleHeight),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Страница %1 из %2").arg(page + 1).arg(layout.pages.size()));
    if (!table.parameters.isEmpty()) {
        painter.drawText(
            QRectF(0, layout.titleHeight, layout.width, QFontMetricsF(layout.body).height()),
            Qt::AlignLeft | Qt::AlignVCenter, table.parameters.join(QStringLiteral("; ")));
    }
}

void paintRow(QPainter &painter, const Table &table, const Layout &layout, double y, double height,
              const QStringList &texts, bool header, bool bold) {
    const double room = layout.padding;
    double x = 0;
    painter.setFont(bold || header ? layout.bold : layout.body);
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        const QRectF cell(x, y, layout.widths[c], height);
        if (header)
            painter.fillRect(cell, QColor(230, 230, 230));
        painter.drawRect(cell);
        const Qt::Alignment alignment =
            header ? Qt::AlignHCenter | Qt::AlignTop : alignmentOf(table.columns[c].kind);
        painter.drawText(cell.adjusted(room, room, -room, -room), int(alignment) | Qt::TextWordWrap,
                         texts[c]);
        x += layout.widths[c];
    }
}

void paintChart(QPainter &painter, Kind kind, const Table &table, const Layout &layout,
                const Layout::Page &page) {
    QGraphicsScene scene;
    QChart *chart = makeChart(kind, table);
    if (!chart)
        return;
    scene.addItem(chart); // the scene owns it now
    // The chart is drawn as on a screen of this size and scaled onto the page; a chart that
    // needs more height for its labels is drawn larger and scaled down more.
    const double aspect = page.chartHeight / layout.width;
    const double width = std::max(kChartWidth, chartMinimumHeight(kind, table) / aspect);
    const QSizeF size(width, width * aspect);
    chart->resize(size);
    // Laid out now: no event loop need run before the chart is painted (the command line has
    // none), and the axes take the room their labels want.
    if (QGraphicsLayout *layout = chart->layout())
        layout->activate();
    scene.setSceneRect(QRectF(QPointF(0, 0), size));
    scene.render(&painter, QRectF(0, page.chartTop, layout.width, page.chartHeight),
                 QRectF(QPointF(0, 0), size));
}

} // namespace

void setReportPageLayout(QPagedPaintDevice &device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

int reportPageCount(Kind kind, const Table &table, QPagedPaintDevice &device) {
    return int(layOut(kind, table, device).pages.size());
}

QString paintReport(Kind kind, const Table &table, QPagedPaintDevice &device) {
    const Layout layout = layOut(kind, table, device);
    QPainter painter;
    if (!painter.begin(&device))
        return QStringLiteral("Печать не началась.");
    QPen grid(Qt::black);
    grid.setWidthF(0.5 * layout.pixelsPerPoint);
    QStringList titles;
    for (const Column &column : table.columns)
        titles << column.title;
    for (int p = 0; p < layout.pages.size(); ++p) {
        if (p > 0 && !device.newPage())
            return QStringLiteral("Не удалось начать страницу %1.").arg(p + 1);
        const Layout::Page &page = layout.pages[p];
        painter.setPen(grid);
        paintHeading(painter, table, layout, p);
        double y = layout.headingHeight;
        if (page.endRow > page.firstRow || table.rows.isEmpty()) {
            paintRow(painter, table, layout, y, layout.headerHeight, titles, true, true);
            y += layout.headerHeight;
        }
        for (qsizetype r = page.firstRow; r < page.endRow; ++r) {
            QStringList texts;
            for (qsizetype c = 0; c < table.columns.size(); ++c)
                texts << textOf(table, r, c);
            paintRow(painter, table, layout, y, layout.rowHeights[r], texts, false,
                     table.isTotal(r));
            y += layout.rowHeights[r];
        }
        if (page.chartTop >= 0) {
            painter.save();
            paintChart(painter, kind, table, layout, page);
            painter.restore();
        }
    }
    if (!painter.end())
        return QStringLiteral("Задание печати не завершено.");
    return QString();
}

QString writeReportPdf(Kind kind, const Table &table, const QString &path, Existing existing) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(table.title);
        writer.setCreator(program::kProductName);
        setReportPageLayout(writer);
        const QString error = paintReport(kind, table, writer);
        if (!error.isEmpty())
            return error;
    }
    return writeWhole(path, existing,
                      [&](const QString &temporary) { return writeBytes(temporary, pdf.data()); });
}

} // namespace reports
