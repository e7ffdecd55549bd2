#pragma once
// The extension section of the data file: what a version 1.2 file cannot
// hold (tracks with their names, colours and boundaries, routes past 30
// points and their own places, route-only marks, the code page, original
// texts, sensor data). It follows the track-point section, where 1.2 readers
// stop reading, so they still get everything the 1.2 sections hold.
//
// Layout, little-endian: "OrvX", a 16-bit version (1), the 32-bit length of
// what follows, then records of a
// 16-bit kind, a 32-bit length and that many bytes; a reader skips kinds it
// does not know. A store that fits version 1.2 is written without it.

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "store/data_store.h"
#include "store/little_endian.h"

struct RoutePlaceNames;

constexpr uint8_t kaExtensionMagic[4] = {'O', 'r', 'v', 'X'};
constexpr uint16_t kExtensionVersion = 1;

enum ExtensionKind : uint16_t {
    kExtensionTracks = 1,      // every track: name, colour, flags, point count
    kExtensionRoute = 2,       // one route whole: its points, their own places
    kExtensionRouteOnly = 3,   // names of the waypoints that are route points only
    kExtensionCodePage = 4,    // the code page of every 8-bit text
    kExtensionTexts = 5,       // original texts (UTF-8) of fields that cannot hold them
    kExtensionTrackSensor = 6, // heart rate, cadence, distance of one track's points
};

struct ExtensionTrack {
    std::string sName;
    uint8_t bColor = 255;
    bool fByTime = false;
    int32_t fFirstSegment = 0; // the first point's own segment mark
    uint32_t lPoints = 0;
    std::vector<TrackSensors> aSensors;
};

struct ExtensionRoutePoint {
    std::string sName;
    bool fOwnPlace = false;
    Waypoint oPlace{};  // with fOwnPlace
    std::string sAlias; // with fOwnPlace: its name in the 1.2 sections
};

struct NativeExtension {
    bool fPresent = false;
    bool fHasTracks = false;
    std::vector<ExtensionTrack> aTracks;
    std::map<uint32_t, std::vector<ExtensionRoutePoint>> aRoutes;
    std::set<std::string> aRouteOnly;
    std::set<std::string> aAliases; // waypoint-section names that are own places
    int iCodePage = 1252;
    std::vector<std::pair<std::string, OriginalText>> aTexts;
};

// A waypoint record of the 1.2 layout (126 bytes).
void vWriteWaypointRecord(ByteWriter &oOut, const Waypoint &oWaypoint);
bool fReadWaypointRecord(ByteReader &oIn, Waypoint &oWaypoint);

// Reads an extension section (aData starts at its magic). 0 with sReason set
// when it is cut short or malformed.
int iParseNativeExtension(std::span<const uint8_t> aData, NativeExtension &oExtension,
                          std::string &sReason);

// True when the store, as the kind mask writes it, needs no extension.
bool fFitsVersion12(const Workspace &oWorkspace, int iKindMask);
// Appends the extension section for the store as the kind mask writes it;
// oNames are the names the own places got in the 1.2 sections.
void vAppendNativeExtension(const Workspace &oWorkspace, int iKindMask,
                            const RoutePlaceNames &oNames, std::vector<uint8_t> &aOut);
