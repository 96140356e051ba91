#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's remembered choices go to a scratch directory, never to
    // the user's own configuration.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetChoices);
    return RUN_ALL_TESTS();
}
