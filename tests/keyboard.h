#pragma once

#include <QString>
#include <QTest>

// Types text as a person does, one key event per character (QTest::keyClicks asserts on Cyrillic
// text in Qt 6.4).
inline void typeText(QWidget *widget, const QString &text) {
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}
