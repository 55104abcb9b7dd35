#pragma once

// Ends of the run that only a process of its own can play (a signal, exit()): the test program
// starts itself again as a child with some variables set, which then plays the program, and the
// test reads what the child left.

#include "app/startup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTest>

// Runs this test program as a child, its windows offscreen, with the variables set, and checks
// that it ended by itself with `exitCode`.
inline void runChild(const QMap<QString, QString> &variables, int exitCode) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto variable = variables.begin(); variable != variables.end(); ++variable)
        environment.insert(variable.key(), variable.value());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), exitCode);
}

// A run's start-up state on the register `database` with the settings file `settings`, its
// program and data folders the settings file's.
inline StartupState startupStateFor(const QString &database, const QString &settings) {
    StartupState state;
    state.databaseFile = database;
    state.settingsFile = settings;
    state.databaseFolder = QFileInfo(database).absolutePath() + u'/';
    state.dataFolder = state.programFolder = QFileInfo(settings).absolutePath() + u'/';
    return state;
}
