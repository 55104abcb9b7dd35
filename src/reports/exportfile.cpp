#include "reports/exportfile.h"

#include "reports/csvexport.h"
#include "reports/xlsxexport.h"
#include "support/privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace reports {

namespace {

bool syncToDisk(const QString &path) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && synced;
}

} // namespace

QString writeWhole(const QString &path, Existing existing,
                   const std::function<QString(const QString &temporary)> &write) {
    const QFileInfo target(path);
    if (existing == Existing::Keep && (target.exists() || target.isSymLink()))
        return QStringLiteral("Файл уже существует, он не заменён.");
    QByteArray name = QFile::encodeName(
        QDir(target.absolutePath()).filePath(u'.' + target.fileName() + QStringLiteral(".XXXXXX")));
    const int descriptor = ::mkstemp(name.data()); // new, mode 0600
    if (descriptor < 0)
        return qt_error_string(errno);
    ::close(descriptor);
    const QString temporary = QFile::decodeName(name);
    QString failure = write(temporary);
    if (failure.isEmpty() && !syncToDisk(temporary))
        failure = qt_error_string(errno);
    if (failure.isEmpty()) {
        const bool named =
            existing == Existing::Keep
                ? renameWithoutReplacing(temporary, target.absoluteFilePath())
                : ::rename(name.constData(), QFile::encodeName(target.absoluteFilePath())) == 0;
        if (!named)
            failure = errno == EEXIST ? QStringLiteral("Файл уже существует, он не заменён.")
                                      : qt_error_string(errno);
    }
    if (!failure.isEmpty())
        QFile::remove(temporary);
    return failure;
}

QString writeBytes(const QString &temporary, const QByteArray &bytes) {
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        return file.errorString();
    }
    file.close();
    return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

QString extensionOf(Format format) {
    switch (format) {
    case Format::Pdf:
        return QStringLiteral("pdf");
    case Format::Xlsx:
        return QStringLiteral("xlsx");
    case Format::Csv:
        break;
    }
    return QStringLiteral("csv");
}

QString writeTable(const Table &table, Format format, const QString &path, Existing existing) {
    if (format == Format::Xlsx) {
        return writeWhole(path, existing,
                          [&](const QString &temporary) { return writeXlsx(table, temporary); });
    }
    if (format == Format::Csv) {
        return writeWhole(path, existing, [&](const QString &temporary) {
            return writeBytes(temporary, toCsv(table));
        });
    }
    return QStringLiteral("Таблицу нельзя записать в PDF.");
}

} // namespace reports
