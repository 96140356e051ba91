// kaspen-setup --help and --version answer on standard output and exit,
// without opening any window.

#include <QProcess>
#include <gtest/gtest.h>

namespace {
struct SetupRun {
    int exitCode = -1;
    bool finished = false;
    QString out;
};
SetupRun runSetup(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A window would wait for a choice here: the run would not end.
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KASPEN_BIN_DIR "/kaspen-setup"), args);
    SetupRun r;
    r.finished = p.waitForFinished(15000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return r;
}
} // namespace

TEST(SetupOptions, VersionAndHelpPrintAndExit)
{
    const SetupRun version = runSetup({"--version"});
    ASSERT_TRUE(version.finished);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "KASPEN Setup 1.0.4\n");
    EXPECT_EQ(runSetup({"-v"}).out, "KASPEN Setup 1.0.4\n");

    for (const char *opt : {"--help", "-h"}) {
        const SetupRun help = runSetup({opt});
        ASSERT_TRUE(help.finished) << opt;
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: kaspen-setup")) << help.out.toStdString();
        for (const char *word : {"--version", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "XDG_CONFIG_HOME", "TMPDIR"})
            EXPECT_TRUE(help.out.contains(word)) << word;
    }
}
