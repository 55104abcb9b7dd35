#include "reports/xlsxexport.h"

#include <QDate>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>

namespace reports {

namespace {

// Column widths in characters: as wide as the longest cell, between these.
constexpr double kNarrowest = 6;
constexpr double kWidest = 60;

double widthOf(const QString &text) {
    // The longest line of the cell, and a little room.
    qsizetype longest = 0;
    for (const QStringView line : QStringView(text).split(u'\n'))
        longest = std::max(longest, line.size());
    return double(longest) + 2;
}

QString cellWidthText(const QVariant &value, CellKind kind) {
    switch (kind) {
    case CellKind::Date:
        return QStringLiteral("00.00.0000");
    case CellKind::Decimal:
        return QStringLiteral("0000,00");
    case CellKind::Integer:
        return QString::number(value.toLongLong());
    case CellKind::Text:
        break;
    }
    return value.toString();
}

class Workbook {
public:
    explicit Workbook(const QString &path) {
        lxw_workbook_options options{};
        // Rows go to the file as they are written: a list of 100 000 patients is not kept.
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    }
    ~Workbook() {
        if (m_book)
            workbook_close(m_book); // only after a failure: the file is thrown away then
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    lxw_workbook *get() const { return m_book; }
    lxw_error close() { return workbook_close(std::exchange(m_book, nullptr)); }

private:
    lxw_workbook *m_book = nullptr;
};

} // namespace

QString writeXlsx(const Table &table, const QString &path) {
    Workbook book(path);
    if (!book.get())
        return QStringLiteral("Не удалось начать книгу Excel.");
    // A sheet's name has 31 characters at most.
    lxw_worksheet *sheet =
        workbook_add_worksheet(book.get(), table.title.left(31).toUtf8().constData());

    lxw_format *title = workbook_add_format(book.get());
    format_set_bold(title);
    format_set_font_size(title, 14);
    lxw_format *header = workbook_add_format(book.get());
    format_set_bold(header);
    format_set_text_wrap(header);
    format_set_align(header, LXW_ALIGN_VERTICAL_TOP);
    format_set_bottom(header, LXW_BORDER_THIN);
    // One format for each kind of cell, plain and bold (the total rows), and one for long texts.
    lxw_format *formats[2][4] = {};
    for (int bold = 0; bold < 2; ++bold) {
        for (int kind = 0; kind < 4; ++kind) {
            lxw_format *format = workbook_add_format(book.get());
            format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
            if (bold)
                format_set_bold(format);
            if (CellKind(kind) == CellKind::Date)
                format_set_num_format(format, "dd.mm.yyyy");
            else if (CellKind(kind) == CellKind::Decimal)
                format_set_num_format(format, "0.00");
            else if (CellKind(kind) == CellKind::Text)
                format_set_text_wrap(format);
            formats[bold][kind] = format;
        }
    }

    // Widths come first: in a workbook written row by row they cannot come after the rows.
    const qsizetype columns = table.columns.size();
    for (qsizetype c = 0; c < columns; ++c) {
        const CellKind kind = table.columns[c].kind;
        double width = std::min(widthOf(table.columns[c].title), 20.0);
        for (const QVariantList &row : table.rows)
            width = std::max(width, widthOf(cellWidthText(row.value(c), kind)));
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                             std::clamp(width, kNarrowest, kWidest), nullptr);
    }

    lxw_row_t at = 0;
    worksheet_write_string(sheet, at++, 0, table.title.toUtf8().constData(), title);
    for (const QString &line : table.parameters)
        worksheet_write_string(sheet, at++, 0, line.toUtf8().constData(), nullptr);
    ++at;
    const lxw_row_t headerRow = at++;
    worksheet_freeze_panes(sheet, headerRow + 1, 0);
    for (qsizetype c = 0; c < columns; ++c) {
        worksheet_write_string(sheet, headerRow, lxw_col_t(c),
                               table.columns[c].title.toUtf8().constData(), header);
    }
    lxw_error error = LXW_NO_ERROR;
    for (qsizetype r = 0; r < table.rows.size() && error == LXW_NO_ERROR; ++r, ++at) {
        const QVariantList &row = table.rows[r];
        const int bold = table.isTotal(r) ? 1 : 0;
        for (qsizetype c = 0; c < columns && error == LXW_NO_ERROR; ++c) {
            const QVariant value = row.value(c);
            const CellKind kind = table.columns[c].kind;
            lxw_format *format = formats[bold][int(kind)];
            const auto column = lxw_col_t(c);
            if (!value.isValid() || value.isNull() ||
                (kind == CellKind::Text && value.toString().isEmpty())) {
                if (bold)
                    error = worksheet_write_blank(sheet, at, column, format);
                continue;
            }
            switch (kind) {
            case CellKind::Integer:
            case CellKind::Decimal:
                error = worksheet_write_number(sheet, at, column, value.toDouble(), format);
                break;
            case CellKind::Date: {
                const QDate day = value.toDate();
                lxw_datetime moment{day.year(), day.month(), day.day(), 0, 0, 0.0};
                error = worksheet_write_datetime(sheet, at, column, &moment, format);
                break;
            }
            case CellKind::Text:
                error = worksheet_write_string(sheet, at, column,
                                               value.toString().toUtf8().constData(), format);
                break;
            }
        }
    }
    if (error == LXW_NO_ERROR)
        error = book.close();
    if (error != LXW_NO_ERROR)
        return QStringLiteral("Книга Excel не записана: %1.")
            .arg(QString::fromUtf8(lxw_strerror(error)));
    return QString();
}

} // namespace reports
