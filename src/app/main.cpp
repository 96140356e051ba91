// KASPEN Setup: model selection, then the main window.

#include "gui/MainWindow.h"
#include "gui/ModelSelectDialog.h"
#include "session/Session.h"
#include "gui/common/QtMessageSink.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kaspen-setup")); // also names the per-user data directory
    QApplication::setApplicationVersion(QStringLiteral("1.0.4"));

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
