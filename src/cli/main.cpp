#include "cli/CliApp.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KASPEN_Setup"));
    QCoreApplication::setOrganizationName(QStringLiteral("KASPEN"));
    return kaspen::cli::run(app.arguments().mid(1));
}
