// KASPEN Setup: model selection, then the main window.

#include "gui/MainWindow.h"
#include "gui/ModelSelectDialog.h"
#include "session/Session.h"
#include "gui/common/QtMessageSink.h"
#include "gui/common/Accessibility.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

#ifndef KASPEN_VERSION
#define KASPEN_VERSION "0.0.0"
#endif

namespace {

const char kUsage[] =
    "Usage: kaspen-setup [--help] [--version] [Qt options]\n"
    "\n"
    "Keeps the phone book of ORVEL data loggers and reads and changes their\n"
    "settings over an RS232 cable, a GSM modem or Ethernet. The program starts\n"
    "with the model choice; the port \"Demo logger (simulated)\" talks to a\n"
    "simulated logger.\n"
    "\n"
    "Options:\n"
    "  -h, --help       print this text and exit\n"
    "  -v, --version    print the version and exit\n"
    "  Qt's own options (-platform, -style, ...) are passed on to Qt.\n"
    "\n"
    "Environment:\n"
    "  QT_QPA_PLATFORM  the window system plug-in (\"offscreen\" runs without a display)\n"
    "  QT_SCALE_FACTOR  scales the whole window (2 for 200 %)\n"
    "  XDG_CONFIG_HOME  where the last choices are kept (kaspen-setup/kaspen-setup.ini)\n"
    "  XDG_DATA_HOME    where the phone books live when the program's own\n"
    "                   directory is not writable (kaspen-setup/)\n"
    "  TMPDIR           where the setup log is written\n"
    "  KASPEN_AUDIT_FILE  the audit trail of batch runs and Init, in place of\n"
    "                   audit.csv in the per-user data directory\n";

// --help and --version are answered before any window system is touched.
// Returns -1 when the program should start normally.
int answerInfoOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h") || !std::strcmp(a, "-?")) {
            std::fputs(kUsage, stdout);
            std::fflush(stdout);
            return 0;
        }
        if (!std::strcmp(a, "--version") || !std::strcmp(a, "-v")) {
            std::fputs("KASPEN Setup " KASPEN_VERSION "\n", stdout);
            std::fflush(stdout);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = answerInfoOption(argc, argv); rc >= 0)
        return rc;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kaspen-setup")); // also names the per-user data directory
    QApplication::setApplicationVersion(QStringLiteral(KASPEN_VERSION));
    kaspen::ui::installAccessibility();

    kaspen::ui::QtMessageSink sink;
    kaspen::setMessageSink(&sink);
    // Ties the windows to the desktop entry (its name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("kaspen-setup"));

    int model = 0;
    {
        kaspen::ModelSelectDialog select;
        if (select.exec() != QDialog::Accepted)
            return 0;
        model = select.modelCode();
    }
    if (model != kaspen::ModelOrvelA && model != kaspen::ModelOrvelB) {
        kaspen::startCompanionProgram();
        return 0;
    }
    kaspen::MainWindow window(model);
    sink.setParent(&window);
    window.show();
    const int rc = window.exec();
    kaspen::setMessageSink(nullptr);
    return rc == QDialog::Accepted || rc == QDialog::Rejected ? 0 : rc;
}
