#include <QCoreApplication>
#include <gtest/gtest.h>

#include "support/LoopbackOnly.h"

int main(int argc, char **argv)
{
    kaspen::test::keepModuleSearchOnLoopback();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
