#pragma once
// The numbers of the Garmin device protocol, each with the name Garmin's
// interface specification gives it: packet ids of the link protocol, the USB
// packet types and ids, command numbers of the device command protocol, the
// application protocols (A100...) and the record formats (D100...). The
// program's code names them from here; tests keep the bare numbers, so that
// they check the wire rather than this header.

#include <cstdint>

// Packet ids of the link protocol (L000 and L001), the second byte of a frame.
constexpr uint8_t kPidAck = 0x06;                 // Pid_Ack_Byte
constexpr uint8_t kPidCommandData = 0x0A;         // Pid_Command_Data
constexpr uint8_t kPidTransferComplete = 0x0C;    // Pid_Xfer_Cmplt
constexpr uint8_t kPidDateTime = 0x0E;            // Pid_Date_Time_Data
constexpr uint8_t kPidPositionData = 0x11;        // Pid_Position_Data
constexpr uint8_t kPidProximityWaypoint = 0x13;   // Pid_Prx_Wpt_Data
constexpr uint8_t kPidNak = 0x15;                 // Pid_Nak_Byte
constexpr uint8_t kPidRequestsOff = 0x1C;         // turns off the unit's own requests
constexpr uint8_t kPidRecords = 0x1B;             // Pid_Records
constexpr uint8_t kPidRouteHeader = 0x1D;         // Pid_Rte_Hdr
constexpr uint8_t kPidRouteWaypoint = 0x1E;       // Pid_Rte_Wpt_Data
constexpr uint8_t kPidTrackPoint = 0x22;          // Pid_Trk_Data
constexpr uint8_t kPidBaudRequest = 0x30;         // Pid_Baud_Rqst_Data
constexpr uint8_t kPidBaudAccept = 0x31;          // Pid_Baud_Acpt_Data
constexpr uint8_t kPidPvtData = 0x33;             // Pid_Pvt_Data
constexpr uint8_t kPidWaypoint = 0x23;            // Pid_Wpt_Data
constexpr uint8_t kPidRouteLink = 0x62;           // Pid_Rte_Link_Data
constexpr uint8_t kPidTrackHeader = 0x63;         // Pid_Trk_Hdr
constexpr uint8_t kPidExtendedProductData = 0xF8; // Pid_Ext_Product_Data
constexpr uint8_t kPidProtocolArray = 0xFD;       // Pid_Protocol_Array
constexpr uint8_t kPidProductRequest = 0xFE;      // Pid_Product_Rqst
constexpr uint8_t kPidProductData = 0xFF;         // Pid_Product_Data

// USB packets: the packet type (byte 0) and the ids of the USB protocol layer.
constexpr uint8_t kUsbProtocolLayer = 0;     // USB Protocol Layer packet type
constexpr uint8_t kUsbApplicationLayer = 20; // Application Layer packet type
constexpr uint16_t kUsbDataAvailable = 2;    // Pid_Data_Available
constexpr uint16_t kUsbStartSession = 5;     // Pid_Start_Session
constexpr uint16_t kUsbSessionStarted = 6;   // Pid_Session_Started

// Command numbers of the device command protocol (A010), the data of a
// Pid_Command_Data packet and of the Pid_Xfer_Cmplt that ends a transfer.
constexpr uint16_t kCommandTransferPosition = 2;   // Cmnd_Transfer_Posn
constexpr uint16_t kCommandTransferProximity = 3;  // Cmnd_Transfer_Prx
constexpr uint16_t kCommandTransferRoutes = 4;     // Cmnd_Transfer_Rte
constexpr uint16_t kCommandTransferTime = 5;       // Cmnd_Transfer_Time
constexpr uint16_t kCommandTransferTracks = 6;     // Cmnd_Transfer_Trk
constexpr uint16_t kCommandTransferWaypoints = 7;  // Cmnd_Transfer_Wpt
constexpr uint16_t kCommandStartPositionData = 49; // Cmnd_Start_Pvt_Data
constexpr uint16_t kCommandStopPositionData = 50;  // Cmnd_Stop_Pvt_Data
// The ping that proves a new line speed works at both ends.
constexpr uint16_t kCommandSpeedPing = 0x3A;

// Application protocols of the capability array ("A" entries). 0 in a
// protocol selection means "not supported".
constexpr int kA010 = 10;  // Device Command Protocol 1
constexpr int kA011 = 11;  // Device Command Protocol 2
constexpr int kA100 = 100; // Waypoint Transfer Protocol
constexpr int kA200 = 200; // Route Transfer Protocol
constexpr int kA201 = 201; // Route Transfer Protocol, with route links
constexpr int kA300 = 300; // Track Log Transfer Protocol
constexpr int kA301 = 301; // Track Log Transfer Protocol, with track headers
constexpr int kA302 = 302; // Track Log Transfer Protocol, with track headers
constexpr int kA400 = 400; // Proximity Waypoint Transfer Protocol
constexpr int kA800 = 800; // PVT Protocol

// Record formats ("D" entries). 0 in a protocol selection means "none".
constexpr int kD100 = 100; // D100_Wpt_Type
constexpr int kD101 = 101; // D101_Wpt_Type
constexpr int kD102 = 102; // D102_Wpt_Type
constexpr int kD103 = 103; // D103_Wpt_Type
constexpr int kD104 = 104; // D104_Wpt_Type
constexpr int kD107 = 107; // D107_Wpt_Type
constexpr int kD108 = 108; // D108_Wpt_Type
constexpr int kD109 = 109; // D109_Wpt_Type
constexpr int kD110 = 110; // D110_Wpt_Type
constexpr int kD150 = 150; // D150_Wpt_Type
constexpr int kD151 = 151; // D151_Wpt_Type
constexpr int kD152 = 152; // D152_Wpt_Type
constexpr int kD154 = 154; // D154_Wpt_Type
constexpr int kD155 = 155; // D155_Wpt_Type
constexpr int kD200 = 200; // D200_Rte_Hdr_Type
constexpr int kD201 = 201; // D201_Rte_Hdr_Type
constexpr int kD202 = 202; // D202_Rte_Hdr_Type
constexpr int kD210 = 210; // D210_Rte_Link_Type
constexpr int kD300 = 300; // D300_Trk_Point_Type
constexpr int kD301 = 301; // D301_Trk_Point_Type
constexpr int kD302 = 302; // D302_Trk_Point_Type
constexpr int kD303 = 303; // D303_Trk_Point_Type
constexpr int kD304 = 304; // D304_Trk_Point_Type
constexpr int kD310 = 310; // D310_Trk_Hdr_Type
constexpr int kD311 = 311; // D311_Trk_Hdr_Type
constexpr int kD312 = 312; // D312_Trk_Hdr_Type
constexpr int kD400 = 400; // D400_Prx_Wpt_Type
constexpr int kD403 = 403; // D403_Prx_Wpt_Type
constexpr int kD800 = 800; // D800_Pvt_Data_Type

// The families the program tests in more than one place; 1 or 0.

// A300, A301, A302: the track log transfer protocols.
constexpr int iIsTrackProtocol(int iProtocol) {
    return iProtocol == kA300 || iProtocol == kA301 || iProtocol == kA302 ? 1 : 0;
}
// A301, A302: track logs whose segments start with a track header record.
constexpr int iIsTrackProtocolWithHeader(int iProtocol) {
    return iProtocol == kA301 || iProtocol == kA302 ? 1 : 0;
}
// A200, A201: the route transfer protocols.
constexpr int iIsRouteProtocol(int iProtocol) {
    return iProtocol == kA200 || iProtocol == kA201 ? 1 : 0;
}
// D300, D301, D302: track points with position, time and the new-segment flag.
constexpr int iIsTrackPointFormat(int iFormat) {
    return iFormat == kD300 || iFormat == kD301 || iFormat == kD302 ? 1 : 0;
}
// D303, D304: the fitness units' track points, with heart rate (and in D304
// distance, cadence and the sensor flag) but no new-segment flag.
constexpr int iIsFitnessTrackPointFormat(int iFormat) {
    return iFormat == kD303 || iFormat == kD304 ? 1 : 0;
}
// Every track point format the program reads.
constexpr int iIsAnyTrackPointFormat(int iFormat) {
    return iIsTrackPointFormat(iFormat) || iIsFitnessTrackPointFormat(iFormat) ? 1 : 0;
}
// D310, D312: track headers with display flag, colour and name.
constexpr int iIsTrackHeaderFormat(int iFormat) {
    return iFormat == kD310 || iFormat == kD312 ? 1 : 0;
}
// D200, D201: route headers with a route number.
constexpr int iIsRouteHeaderFormat(int iFormat) {
    return iFormat == kD200 || iFormat == kD201 ? 1 : 0;
}
// D200, D201, D202: every route header format the program reads.
constexpr int iIsAnyRouteHeaderFormat(int iFormat) {
    return iIsRouteHeaderFormat(iFormat) || iFormat == kD202 ? 1 : 0;
}
// D150, D151, D152, D154, D155: the aviation waypoints with facility, city
// and state fields and a 16-bit altitude.
constexpr int iIsD150FamilyFormat(int iFormat) {
    return iFormat == kD150 || iFormat == kD151 || iFormat == kD152 || iFormat == kD154 ||
                   iFormat == kD155
               ? 1
               : 0;
}
// D108, D109, D110: waypoints of variable length, whose name and comment
// are zero-terminated strings after a fixed part.
constexpr int iIsVariableWaypointFormat(int iFormat) {
    return iFormat == kD108 || iFormat == kD109 || iFormat == kD110 ? 1 : 0;
}
