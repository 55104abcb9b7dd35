#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// A fresh copy of the empty template in a temporary folder of its own, removed afterwards.
// Without it no test can go on: a failure ends the test program at once (a QVERIFY here would
// only leave the constructor and let the test run on a database that is not there).
class TestDatabase {
public:
    TestDatabase() {
        if (!m_dir.isValid())
            qFatal("no temporary folder for the test database: %s",
                   qPrintable(m_dir.errorString()));
        if (!QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB), path()))
            qFatal("cannot copy the template %s (is it built?)", VENTREL_TEMPLATE_DB);
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }
    QString path() const { return m_dir.filePath(QStringLiteral("base.fdb")); }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
