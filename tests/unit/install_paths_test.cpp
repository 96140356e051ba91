#include "base/InstallPaths.h"
#include "records/PhoneBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;

namespace {

struct Layout {
    const char *name;
    QStringList files;     // created below the scratch root
    const char *exeDir;    // the executable's directory, below the root
    const char *expected;  // where ORVEL-A.cfg is found, below the root ("" none)
};

class ScratchRoot {
public:
    explicit ScratchRoot(const QStringList &files)
    {
        for (const QString &f : files) {
            const QString path = dir.filePath(f);
            QDir().mkpath(QFileInfo(path).path());
            QFile out(path);
            EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(path);
        }
    }
    QString path(const char *relative) const { return QDir::cleanPath(dir.filePath(QString::fromUtf8(relative))); }
    QTemporaryDir dir;
};

// Sets an environment variable for a test's time.
class Env {
public:
    Env(const char *name, const QString &value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~Env()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

TEST(InstallPaths, ShippedFilesBesideTheProgramThenInTheInstallThenInTheSystemsDataDirectories)
{
    const Layout layouts[] = {
        {"build tree", {"build/bin/ORVEL-A.cfg"}, "build/bin", "build/bin/ORVEL-A.cfg"},
        {"install", {"usr/bin/kaspen-setup", "usr/share/kaspen-setup/ORVEL-A.cfg"}, "usr/bin", "usr/share/kaspen-setup/ORVEL-A.cfg"},
        {"beside wins", {"opt/bin/ORVEL-A.cfg", "opt/share/kaspen-setup/ORVEL-A.cfg"}, "opt/bin", "opt/bin/ORVEL-A.cfg"},
        {"install without it", {"usr/share/kaspen-setup/ORVEL-B.cfg", "xdg/kaspen-setup/ORVEL-A.cfg"}, "usr/bin",
         "xdg/kaspen-setup/ORVEL-A.cfg"},
        {"system data directory", {"xdg/kaspen-setup/ORVEL-A.cfg"}, "somewhere/bin", "xdg/kaspen-setup/ORVEL-A.cfg"},
        {"nowhere", {"usr/share/kaspen-setup/ORVEL-B.cfg"}, "usr/bin", ""},
    };
    for (const Layout &l : layouts) {
        SCOPED_TRACE(l.name);
        ScratchRoot root(l.files);
        QDir().mkpath(root.path(l.exeDir));
        const Env dataDirs("XDG_DATA_DIRS", root.path("xdg"));
        const Env dataHome("XDG_DATA_HOME", root.path("home/.local/share"));
        const QString expected = *l.expected ? root.path(l.expected) : QString();
        EXPECT_EQ(findShippedFile(QStringLiteral("ORVEL-A.cfg"), root.path(l.exeDir)), expected);
    }
}

TEST(InstallPaths, AnInstalledProgramKeepsThePhoneBooksInTheUsersDataDirectoryEvenWhenItsDirectoryIsWritable)
{
    ScratchRoot root({"build/bin/kaspen-setup", "usr/bin/kaspen-setup", "usr/share/kaspen-setup/ORVEL-A.cfg"});
    EXPECT_FALSE(isInstalled(root.path("build/bin")));
    EXPECT_TRUE(isInstalled(root.path("usr/bin")));
    EXPECT_EQ(installDataDirectory(root.path("usr/bin")), root.path("usr/share/kaspen-setup"));

    QStandardPaths::setTestModeEnabled(true);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_EQ(PhoneBook::defaultDirectory(root.path("build/bin")), root.path("build/bin"));
    EXPECT_EQ(PhoneBook::defaultDirectory(root.path("usr/bin")), data);
    QStandardPaths::setTestModeEnabled(false);
}
