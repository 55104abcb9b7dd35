#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QString>

// The most resident memory this process has had so far, in KiB (-1 where it cannot be read).
inline long peakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(status.readAll());
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)")).match(text);
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}
