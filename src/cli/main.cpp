#include "cli/CliApp.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kaspen-setup")); // also names the per-user data directory
    QCoreApplication::setApplicationVersion(QStringLiteral(KASPEN_VERSION));
    if (app.arguments().contains(QLatin1String("--version"))) {
        std::printf("kaspen-cli %s\n", KASPEN_VERSION);
        return 0;
    }
    return kaspen::cli::run(app.arguments().mid(1));
}
