#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "support/LoopbackOnly.h"

int main(int argc, char **argv)
{
    kaspen::test::keepModuleSearchOnLoopback();
    QCoreApplication app(argc, argv);
    // Runs of the tests (and of the programs they start) keep their audit
    // trail out of the user's own.
    const QString audit = QDir::temp().filePath(QStringLiteral("kaspen-test-audit-%1.csv").arg(QCoreApplication::applicationPid()));
    qputenv("KASPEN_AUDIT_FILE", audit.toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QFile::remove(audit);
    return result;
}
