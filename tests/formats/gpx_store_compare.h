#pragma once
// Two stores compared record by record, field by field, for the tests that
// hold two reads of one GPX document to the same results.
// Names and comments are compared over their whole arrays, bytes past the
// terminator included: the native data file writes all of them.

#include <cstdio>
#include <cstring>
#include <string>

#include "store/data_store.h"
#include "tests/store_points.h"

namespace gpx_compare {

inline bool fSameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

inline std::string sQuoted(const char *pField, size_t nSize) {
    std::string s = "\"";
    for (size_t i = 0; i < nSize && pField[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(pField[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char sz[8];
            std::snprintf(sz, sizeof(sz), "\\x%02X", c);
            s += sz;
        } else {
            s += static_cast<char>(c);
        }
    }
    return s + "\"";
}

inline std::string sField(const char *pszWhat, const char *pA, const char *pB, size_t nSize) {
    if (std::memcmp(pA, pB, nSize) == 0) {
        return std::string();
    }
    std::string s = std::string(pszWhat) + ": " + sQuoted(pA, nSize) + " vs " + sQuoted(pB, nSize);
    if (std::strncmp(pA, pB, nSize) == 0) {
        s += " (the bytes past the terminator differ)";
    }
    return s;
}

template <typename T> std::string sNumber(const char *pszWhat, T a, T b) {
    if (a == b) {
        return std::string();
    }
    return std::string(pszWhat) + ": " + std::to_string(a) + " vs " + std::to_string(b);
}

inline std::string sFloat(const char *pszWhat, float a, float b) {
    if (fSameBits(a, b)) {
        return std::string();
    }
    char sz[96];
    std::snprintf(sz, sizeof(sz), "%s: %.9g vs %.9g", pszWhat, static_cast<double>(a),
                  static_cast<double>(b));
    return sz;
}

inline std::string sWaypointDifference(const Waypoint &a, const Waypoint &b) {
    std::string s;
    for (std::string sOne :
         {sField("name", a.szName, b.szName, sizeof(a.szName)),
          sField("comment", a.szComment, b.szComment, sizeof(a.szComment)),
          sNumber("latitude", a.lLatitude, b.lLatitude),
          sNumber("longitude", a.lLongitude, b.lLongitude), sNumber("time", a.lTime, b.lTime),
          sFloat("proximity", a.fProximity, b.fProximity), sNumber("symbol", a.sSymbol, b.sSymbol),
          sNumber("display", a.bDisplay, b.bDisplay), sNumber("colour", a.bColor, b.bColor),
          sFloat("altitude", a.fAltitude, b.fAltitude)}) {
        if (!sOne.empty()) {
            s += (s.empty() ? "" : "; ") + sOne;
        }
    }
    return s;
}

// The first difference between the stores, said in words; empty when they
// hold the same records in the same order.
inline std::string sStoreDifference(const DataStore &a, const DataStore &b) {
    std::string s;
    if (!(s = sNumber("waypoint count", a.lWaypointCount, b.lWaypointCount)).empty() ||
        !(s = sNumber("route count", a.lRouteCount, b.lRouteCount)).empty() ||
        !(s = sNumber("track point count", a.lTrackPointCount, b.lTrackPointCount)).empty() ||
        !(s = sNumber("waypoints", a.pWaypoints.size(), b.pWaypoints.size())).empty() ||
        !(s = sNumber("routes", a.pRoutes.size(), b.pRoutes.size())).empty() ||
        !(s = sNumber("track points", aTrackPoints(a).size(), aTrackPoints(b).size())).empty()) {
        return s;
    }
    for (auto ia = a.pWaypoints.begin(), ib = b.pWaypoints.begin(); ia != a.pWaypoints.end();
         ++ia, ++ib) {
        if (ia->first != ib->first) {
            return "waypoint key: " + sQuoted(ia->first.c_str(), ia->first.size()) + " vs " +
                   sQuoted(ib->first.c_str(), ib->first.size());
        }
        if (!(s = sWaypointDifference(ia->second, ib->second)).empty()) {
            return "waypoint " + sQuoted(ia->first.c_str(), ia->first.size()) + ": " + s;
        }
    }
    for (auto ia = a.pRoutes.begin(), ib = b.pRoutes.begin(); ia != a.pRoutes.end(); ++ia, ++ib) {
        const Route &ra = ia->second, &rb = ib->second;
        std::string sWhich = "route " + std::to_string(ia->first) + ": ";
        if (!(s = sNumber("route key", ia->first, ib->first)).empty() ||
            !(s = sNumber("number", ra.lNumber, rb.lNumber)).empty() ||
            !(s = sNumber("point count", ra.aszPoints.size(), rb.aszPoints.size())).empty() ||
            !(s = sField("comment", ra.szComment, rb.szComment, sizeof(ra.szComment))).empty()) {
            return sWhich + s;
        }
        for (size_t k = 0; k < ra.aszPoints.size(); ++k) {
            std::string sName = "point " + std::to_string(k);
            if (!(s = sField(sName.c_str(), ra.aszPoints[k], rb.aszPoints[k], kNameSize)).empty()) {
                return sWhich + s;
            }
        }
    }
    size_t k = 0;
    const std::vector<TrackPoint> &aa = aTrackPoints(a);
    const std::vector<TrackPoint> &ab = aTrackPoints(b);
    for (auto ia = aa.begin(), ib = ab.begin(); ia != aa.end(); ++ia, ++ib, ++k) {
        if (!(s = sNumber("latitude", ia->lLatitude, ib->lLatitude)).empty() ||
            !(s = sNumber("longitude", ia->lLongitude, ib->lLongitude)).empty() ||
            !(s = sNumber("time", ia->lTime, ib->lTime)).empty() ||
            !(s = sFloat("altitude", ia->fAltitude, ib->fAltitude)).empty() ||
            !(s = sNumber("segment start", ia->fNewSegment, ib->fNewSegment)).empty()) {
            return "track point " + std::to_string(k) + ": " + s;
        }
    }
    return std::string();
}

} // namespace gpx_compare
