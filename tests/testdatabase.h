#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A fresh copy of the empty template in a temporary folder of its own, removed afterwards.
class TestDatabase {
public:
    TestDatabase() {
        QVERIFY2(m_dir.isValid(), "no temporary folder");
        QVERIFY2(QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB), path()),
                 "the template Base0.fdb is missing from the build folder");
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }
    QString path() const { return m_dir.filePath(QStringLiteral("base.fdb")); }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
