// The batch list's description of each recorded command: every marker of the
// description table, in one table of (code, text) -> (Object, Parameters).

#include "records/CommandDescription.h"

#include <gtest/gtest.h>

using namespace kaspen;

namespace {

struct DescriptionCase {
    int code;
    const char *text; // without the six-character password
    const char *object;
    const char *parameters;
};

const DescriptionCase kCases[] = {
    {11002, "#ST:000041#", "Station ID", "000041"},
    {20050, "#PS:111111,222222#", "Password", "111111   ,   222222"},
    {11004, "#TM:2403051407#", "Date / Time", "2403051407"},
    {11005, "#SA:0#", "Data Logging Interval", "No Upload"},
    {11005, "#SA:1#", "Data Logging Interval", "05 Minute"},
    {11005, "#SA:2#", "Data Logging Interval", "15 Minute"},
    {11005, "#SA:3#", "Data Logging Interval", "30 Minute"},
    {11005, "#SA:4#", "Data Logging Interval", "60 Minute"},
    {11005, "#SA:5#", "Data Logging Interval", "5"}, // "01 Minute" has no label
    {11006, "#SD:00,0,1#", "GPRS Upload Setup", "No Upload   ,    Live Data    ,    Record Count: 1"},
    {11006, "#SD:01,0,1#", "GPRS Upload Setup", "30 Second   ,    Live Data    ,    Record Count: 1"},
    {11006, "#SD:04,0,1#", "GPRS Upload Setup", "05 Minute   ,    Live Data    ,    Record Count: 1"},
    {11006, "#SD:05,0,1#", "GPRS Upload Setup", "15 Minute   ,    Live Data    ,    Record Count: 1"},
    {11006, "#SD:11,0,1#", "GPRS Upload Setup", "24 Hour   ,    Live Data    ,    Record Count: 1"},
    {11006, "#SD:12,1,1#", "GPRS Upload Setup", "12   ,    Packet Data   ,     Record Count: 1"},
    {11006, "#SD:07,0,10#", "GPRS Upload Setup", "01 Hour   ,    Live Data    ,    Record Count: 10"},
    {11007, "#CP:0123456789!,2#", "SMS Upload Setup", "Centre Number:0123456789   ,    Upload Interval: 05 Minute"},
    {11007, "#CP:!,0#", "SMS Upload Setup", "Centre Number:   ,    Upload Interval: No Upload"},
    {11007, "#CP:!,9#", "SMS Upload Setup", "Centre Number:   ,    Upload Interval: 24 Hour"},
    {20031, "#AP1:0123456789!#", "Alarm Phone1", "0123456789!"},
    {20038, "#AP8:!#", "Alarm Phone8", "!"},
    {12002, "#AD00:100.0,0.000,0.000,1,80.00,20.00#", "Humidity Sensor",
     "100.0   ,   0.000   ,   0.000   ,   1   ,   80.00   ,   20.00"},
    {12003, "#AD13:2,35.00,-5.00#", "Temperature Sensor_1", "2   ,   35.00   ,   -5.00"},
    {12004, "#AD14:0,50.00,-10.0#", "Temperature Sensor_2", "0   ,   50.00   ,   -10.0"},
    {12207, "#AD07:1.000,0.000,1.000,2,30.00,10.00#", "Temperature Sensor_3",
     "1.000   ,   0.000   ,   1.000   ,   2   ,   30.00   ,   10.00"},
    {12212, "#AD12:1.000,0.000,1.000,0,50.00,-10.0#", "Temperature Sensor_8",
     "1.000   ,   0.000   ,   1.000   ,   0   ,   50.00   ,   -10.0"},
    {12009, "#AD04:20.00,4.000,4.000,1,18.00,5.000#", "Analog Channel 04",
     "20.00   ,   4.000   ,   4.000   ,   1   ,   18.00   ,   5.000"},
    {20020, "#AD05:tunnel#", "AD05", "tunnel"},
    {13001, "#PA:41300000000#", "Digital / Pulse Channel", "41300000000"},
    {13003, "#LP2:00000123#", "Pulse 2 Start Zero", "00000123"},
    {11008, "#PL:0#", "GSM Band Selection", "850"},
    {11008, "#PL:3#", "GSM Band Selection", "1900"},
    {11008, "#PL:4#", "GSM Band Selection", "850/1900"},
    {11008, "#PL:6#", "GSM Band Selection", "900/1900"},
    {14012, "#OT1:0030#", "Relay1 Time Lapse ( Seconds )", "0030"},
    {14013, "#OC1:10200000000000001000000000#", "Relay1 Associated Alarms", "10200000000000001000000000"},
    {14011, "#O1:1#", "Relay1", "On"},
    {14021, "#O2:0#", "Relay2", "Off"},
    {19041, "#O1:1#", "O1", "1"},
    {19015, "#O3:0#", "O3", "0"},
    {19001, "#DR:01#", "MODBUS Address", "01"},
    {19002, "#ID:CMNET!#", "Access Point", "CMNET"},
    {19003, "#IP:192.168.1.10!#", "GPRS Server IP", "192.168.1.10"},
    {19004, "#IY:www.example.com!#", "Domain Name", "www.example.com"},
    {19005, "#IH:5000#", "Server Port", "5000"},
    {19006, "#IU:1#", "Protocol", "UDP"},
    {19006, "#IU:0#", "Protocol", "TCP"},
    {19007, "#IT:60#", "Acknowledge Interval", "60"},
    {19008, "#IR:30#", "Reconnect Interval", "30"},
    {19010, "#MUS1:1#", "Analog Channel 7", "1"},
    {19013, "#MUS4:1#", "Analog Channel 10", "1"},
    {19014, "#MUS5:0#", "Puls Channel 3", "0"},
    {19017, "#MUS8:0#", "Puls Channel 6", "0"},
    {19020, "#BT:8,1#", "RS485-COM Bytesize and StopBits", "8   ,   1"},
    {19021, "#DY:100#", "RS485-COM Delay", "100"},
    {20001, "#TD1:0015#", "TD1", "0015"},            // no marker: unchanged
    {10006, "#RESET#", "", "RESET"},                  // no ":": all Parameters
};

class DescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionTest, ObjectAndParameters)
{
    const DescriptionCase &c = GetParam();
    const CommandDescription d = describeCommand(c.code, c.text);
    EXPECT_EQ(d.object.toStdString(), c.object) << c.text;
    EXPECT_EQ(d.parameters.toStdString(), c.parameters) << c.text;
}

INSTANTIATE_TEST_SUITE_P(EveryMarker, DescriptionTest, ::testing::ValuesIn(kCases));

} // namespace
