#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/LoopbackOnly.h"

namespace {
// Every test starts as a first start of the program: no remembered choices.
class ForgetChoices : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kaspen-setup"),
                  QStringLiteral("kaspen-setup"))
            .clear();
    }
};
} // namespace

int main(int argc, char **argv)
{
    kaspen::test::keepModuleSearchOnLoopback();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Runs of the tests (and of the programs they start) keep their audit
    // trail out of the user's own, and the program's remembered choices go
    // to a scratch directory, never to the user's own configuration.
    const QString audit = QDir::temp().filePath(QStringLiteral("kaspen-test-audit-%1.csv").arg(QCoreApplication::applicationPid()));
    qputenv("KASPEN_AUDIT_FILE", audit.toLocal8Bit());
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetChoices);
    const int result = RUN_ALL_TESTS();
    QFile::remove(audit);
    return result;
}
