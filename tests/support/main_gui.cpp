#include <QApplication>
#include <gtest/gtest.h>

#include "support/LoopbackOnly.h"

int main(int argc, char **argv)
{
    kaspen::test::keepModuleSearchOnLoopback();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
