#include "cli/CliApp.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kaspen-setup")); // also names the per-user data directory
    return kaspen::cli::run(app.arguments().mid(1));
}
