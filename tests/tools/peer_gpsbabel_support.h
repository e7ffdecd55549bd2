#pragma once
// GPSBabel as the host: runs it against the simulated receiver and reads the
// GPX files it writes, with no more XML than those files use.

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace peer {

struct GpxPoint {
    double dLat = 0, dLon = 0;
    std::string sName, sComment, sTime, sEle;
    std::string sHeartRate, sCadence; // Garmin's TrackPointExtension
};
struct GpxRoute {
    std::string sName;
    std::vector<GpxPoint> aPoints;
};
struct GpxFile {
    std::vector<GpxPoint> aWaypoints;
    std::vector<GpxRoute> aRoutes;
    std::vector<std::vector<GpxPoint>> aaSegments;
};

inline std::string sChild(const std::string &sBlock, const std::string &sTag) {
    const std::string sOpen = "<" + sTag + ">", sClose = "</" + sTag + ">";
    const size_t n = sBlock.find(sOpen);
    if (n == std::string::npos) {
        return "";
    }
    const size_t nEnd = sBlock.find(sClose, n);
    return nEnd == std::string::npos ? ""
                                     : sBlock.substr(n + sOpen.size(), nEnd - n - sOpen.size());
}

inline double dAttribute(const std::string &sTag, const std::string &sName) {
    const size_t n = sTag.find(sName + "=\"");
    return n == std::string::npos ? 0.0 : std::atof(sTag.c_str() + n + sName.size() + 2);
}

// Every <sTag ...>...</sTag> block of sText, in order.
inline std::vector<std::string> asBlocks(const std::string &sText, const std::string &sTag) {
    std::vector<std::string> as;
    size_t n = 0;
    while ((n = sText.find("<" + sTag, n)) != std::string::npos) {
        const char c = sText[n + sTag.size() + 1];
        if (c != ' ' && c != '>') {
            n += sTag.size();
            continue;
        }
        const size_t nEnd = sText.find("</" + sTag + ">", n);
        if (nEnd == std::string::npos) {
            break;
        }
        as.push_back(sText.substr(n, nEnd - n));
        n = nEnd;
    }
    return as;
}

inline GpxPoint oPoint(const std::string &sBlock) {
    GpxPoint o;
    const std::string sTag = sBlock.substr(0, sBlock.find('>'));
    o.dLat = dAttribute(sTag, "lat");
    o.dLon = dAttribute(sTag, "lon");
    o.sName = sChild(sBlock, "name");
    o.sComment = sChild(sBlock, "cmt");
    o.sTime = sChild(sBlock, "time");
    o.sEle = sChild(sBlock, "ele");
    o.sHeartRate = sChild(sBlock, "gpxtpx:hr");
    o.sCadence = sChild(sBlock, "gpxtpx:cad");
    return o;
}

inline GpxFile oParseGpx(const std::string &sText) {
    GpxFile o;
    for (const std::string &s : asBlocks(sText, "wpt")) {
        o.aWaypoints.push_back(oPoint(s));
    }
    for (const std::string &s : asBlocks(sText, "rte")) {
        GpxRoute oRoute;
        oRoute.sName = sChild(s.substr(0, s.find("<rtept")), "name");
        for (const std::string &sPoint : asBlocks(s, "rtept")) {
            oRoute.aPoints.push_back(oPoint(sPoint));
        }
        o.aRoutes.push_back(oRoute);
    }
    for (const std::string &s : asBlocks(sText, "trkseg")) {
        std::vector<GpxPoint> a;
        for (const std::string &sPoint : asBlocks(s, "trkpt")) {
            a.push_back(oPoint(sPoint));
        }
        o.aaSegments.push_back(a);
    }
    return o;
}

// Receiver seconds as the UTC text GPSBabel writes ("2001-09-09T01:46:40Z").
inline std::string sGpxTime(int32_t lTime) {
    const std::time_t l = static_cast<std::time_t>(lTime) + 631065600;
    std::tm o{};
    gmtime_r(&l, &o);
    char sz[32];
    std::strftime(sz, sizeof(sz), "%Y-%m-%dT%H:%M:%SZ", &o);
    return sz;
}

inline bool fHaveGpsbabel() {
    return std::system("gpsbabel -V >/dev/null 2>&1") == 0;
}

// One GPSBabel run against a fresh unit: a host that closes the line may leave
// the unit's last frame unacknowledged, so no unit serves two runs.
inline ProcessResult oGpsbabel(SimProcess &oSim, const std::vector<std::string> &asSim,
                               const std::vector<std::string> &asArgs) {
    ProcessResult r;
    if (oSim.iStart(asSim) != 1) {
        return r;
    }
    std::vector<std::string> as = {"/usr/bin/gpsbabel"};
    for (const std::string &s : asArgs) {
        as.push_back(s == "PORT" ? oSim.sPort() : s);
    }
    return oRunProcess(as, 60.0);
}

} // namespace peer
