#include "reports/exportdialog.h"

#include "data/dberror.h"
#include "reports/reportreader.h"
#include "support/dates.h"
#include "widgets/messagebox.h"
#include "widgets/waitcursor.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace reports {

namespace {

QString filterOf(Format format) {
    switch (format) {
    case Format::Pdf:
        return QStringLiteral("PDF (*.pdf)");
    case Format::Xlsx:
        return QStringLiteral("Excel (*.xlsx)");
    case Format::Csv:
        break;
    }
    return QStringLiteral("CSV (*.csv)");
}

// The folder the last file of this run went to; the user's documents, or the home folder, at
// first.
QString &lastFolder() {
    static QString folder = [] {
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
    }();
    return folder;
}

// A name may not carry the folder separator: the period's dates do not, a list's caption may.
QString fileNameOf(const QString &stem) {
    return QString(stem).replace(u'/', u'-');
}

} // namespace

std::optional<SaveTarget> askWhereToSave(QWidget *parent, const QString &caption,
                                         const QString &stem, const QList<Format> &formats) {
    QFileDialog dialog(parent, caption);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const Format format : formats)
        filters << filterOf(format);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(extensionOf(formats.constFirst()));
    // The name follows the format chosen in the dialog.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        const Format format = formats.value(filters.indexOf(filter), formats.constFirst());
        dialog.setDefaultSuffix(extensionOf(format));
    });
    dialog.setDirectory(lastFolder());
    dialog.selectFile(fileNameOf(stem) + u'.' + extensionOf(formats.constFirst()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    Format format =
        formats.value(filters.indexOf(dialog.selectedNameFilter()), formats.constFirst());
    // A name typed with another format's extension is written in that format.
    for (const Format offered : formats) {
        if (QFileInfo(path).suffix().compare(extensionOf(offered), Qt::CaseInsensitive) == 0)
            format = offered;
    }
    lastFolder() = QFileInfo(path).absolutePath();
    return SaveTarget{path, format};
}

void tellNotSaved(QWidget *parent, const QString &path, const QString &failure) {
    MessageBox::error(
        parent,
        QStringLiteral("Файл «%1» не записан:\n%2").arg(QDir::toNativeSeparators(path), failure));
}

void exportPatientList(QWidget *parent, Connection &connection, const QString &listSql,
                       const QString &caption) {
    const std::optional<SaveTarget> target =
        askWhereToSave(parent, QStringLiteral("Экспорт списка пациентов"),
                       QStringLiteral("Список пациентов ") + dates::toText(dates::today()),
                       {Format::Xlsx, Format::Csv});
    if (!target)
        return;
    QString failure;
    try {
        const WaitCursor wait;
        const Table table = readPatientList(connection, listSql, caption, dates::now());
        failure = writeTable(table, target->format, target->path, Existing::Replace);
    } catch (const DbError &error) {
        MessageBox::dbError(parent, error);
        return;
    }
    if (!failure.isEmpty())
        tellNotSaved(parent, target->path, failure);
}

} // namespace reports
