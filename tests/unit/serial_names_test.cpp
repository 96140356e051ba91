#include "links/PortRecord.h"

#include <gtest/gtest.h>

using namespace kaspen;

TEST(SerialPortNames, ComNumberRule)
{
    EXPECT_EQ(comPortNumber("COM1"), 1);
    EXPECT_EQ(comPortNumber("COM9"), 9);
    EXPECT_EQ(comPortNumber("COM10"), 10);
    EXPECT_EQ(comPortNumber("COM16"), 16);
}

TEST(SerialPortNames, BaudRates)
{
    for (int b : {1200, 2400, 4800, 9600})
        EXPECT_EQ(normalizedBaudRate(b), b);
    for (int b : {0, 300, 19200, 115200, -1})
        EXPECT_EQ(normalizedBaudRate(b), 9600);
}

TEST(SerialPortNames, WriteOnAClosedPortFails)
{
    PortRecord port;
    EXPECT_EQ(port.write("x"), 0);
    EXPECT_EQ(port.open(), 0); // not prepared
    EXPECT_EQ(port.release(), 0);
    port.prepare("/dev/does-not-exist-kaspen", 19200);
    EXPECT_EQ(port.baudRate(), 9600);
    EXPECT_EQ(port.open(), 0);
    EXPECT_EQ(port.write("x"), 0);
    EXPECT_EQ(port.release(), 1);
}
