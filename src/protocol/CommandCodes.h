#pragma once
// Command codes: the integer under which a command is submitted, its reply
// dispatched and its text kept in the batch command table. Never sent.

namespace kaspen::codes {

inline constexpr int None = -1;

// Main window
inline constexpr int ConnectStatus = 10000; // connect-time "%s#STATUS#"
inline constexpr int Version = 10001;       // "Ver", "M test", "M ver"
inline constexpr int ReadBlock1 = 10002;    // "#1"
inline constexpr int ReadBlock2 = 10003;    // "#2"
inline constexpr int ReadBlock3 = 10004;    // "#3"
inline constexpr int Status = 10005;        // "  Status"
inline constexpr int Reset = 10006;         // Ctrl+I
inline constexpr int SaveAndExit = 20039;   // "%s#SE:1#"
inline constexpr int EthernetSetup = 20040; // "%s#SE:0#" after an Ethernet connection is verified

// Device Setup family
inline constexpr int StationId = 11002;
inline constexpr int GsmBand = 11008;
inline constexpr int Passwords = 20050;

// Batch runner
inline constexpr int Batch = 16001;
inline constexpr int Tunneling = 20020;

// Data Record page
inline constexpr int DataRecord = 15001;

// Analog Channel page
inline constexpr int Calibration = 12000;
inline constexpr int CalibrationRead = 12001;
inline constexpr int ReadBlock4 = 20009;

} // namespace kaspen::codes
