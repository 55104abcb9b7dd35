#pragma once

// Programs outside the build that tests read the program's files back with: LibreOffice and
// poppler's tools, which tools/setup.sh installs.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtDebug>

// The tool's standard output; an empty text, with the tool's complaint logged, when it did not
// run well.
inline QByteArray run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(180'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning().noquote() << program << arguments << process.readAllStandardError();
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

inline bool hasTool(const char *tool) {
    return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty();
}
