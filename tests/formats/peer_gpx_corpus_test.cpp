// Real GPX files that receivers and other programs wrote (tests/data/gpx-corpus,
// whose README names each file's source and licence), each passed through the
// program as a user runs it, GPX -> .VKD -> GPX, and through GPSBabel,
// GPX -> GPX. Both outputs are read with expat and what each kept is compared:
// the standalone waypoints and their names, the routes with their names and
// point counts, the tracks with their names and the points of each segment.

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "exchange_test_support.h"
#include "tests/child_process.h"

using namespace exchange_test;

namespace {

// What a GPX file holds, as far as the comparison goes.
struct GpxRoute {
    std::string sName;
    size_t nPoints = 0;
};
struct GpxTrack {
    std::string sName;
    std::vector<size_t> anSegments; // points of each <trkseg>
};
struct GpxSummary {
    bool fRead = false;
    std::vector<std::string> asWaypoints; // names of the standalone <wpt>
    std::vector<GpxRoute> aRoutes;
    std::vector<GpxTrack> aTracks;
};

struct SummaryReader {
    GpxSummary *pSummary = nullptr;
    std::vector<std::string> asPath; // local names from <gpx> down
    std::string *psText = nullptr;   // the <name> being read
};

std::string sLocalName(const XML_Char *pszName) {
    const char *pszBar = std::strrchr(pszName, '|');
    return pszBar != nullptr ? pszBar + 1 : pszName;
}

void XMLCALL vStartElement(void *pv, const XML_Char *pszName, const XML_Char **) {
    SummaryReader &r = *static_cast<SummaryReader *>(pv);
    r.asPath.push_back(sLocalName(pszName));
    const std::vector<std::string> &a = r.asPath;
    GpxSummary &s = *r.pSummary;
    if (a[0] != "gpx" || a.size() < 2) {
        return;
    }
    if (a.size() == 2) {
        if (a[1] == "wpt") {
            s.asWaypoints.emplace_back();
        } else if (a[1] == "rte") {
            s.aRoutes.emplace_back();
        } else if (a[1] == "trk") {
            s.aTracks.emplace_back();
        }
    } else if (a.size() == 3 && a[2] == "name") {
        r.psText = a[1] == "wpt"   ? &s.asWaypoints.back()
                   : a[1] == "rte" ? &s.aRoutes.back().sName
                   : a[1] == "trk" ? &s.aTracks.back().sName
                                   : nullptr;
    } else if (a.size() == 3 && a[1] == "rte" && a[2] == "rtept") {
        ++s.aRoutes.back().nPoints;
    } else if (a.size() == 3 && a[1] == "trk" && a[2] == "trkseg") {
        s.aTracks.back().anSegments.push_back(0);
    } else if (a.size() == 4 && a[1] == "trk" && a[2] == "trkseg" && a[3] == "trkpt") {
        ++s.aTracks.back().anSegments.back();
    }
}

void XMLCALL vEndElement(void *pv, const XML_Char *) {
    SummaryReader &r = *static_cast<SummaryReader *>(pv);
    r.asPath.pop_back();
    r.psText = nullptr;
}

void XMLCALL vCharacters(void *pv, const XML_Char *pch, int nLength) {
    SummaryReader &r = *static_cast<SummaryReader *>(pv);
    if (r.psText != nullptr) {
        r.psText->append(pch, static_cast<size_t>(nLength));
    }
}

GpxSummary oReadSummary(const std::string &sText) {
    GpxSummary o;
    SummaryReader r;
    r.pSummary = &o;
    XML_Parser p = XML_ParserCreateNS(nullptr, '|');
    XML_SetUserData(p, &r);
    XML_SetElementHandler(p, vStartElement, vEndElement);
    XML_SetCharacterDataHandler(p, vCharacters);
    o.fRead = !sText.empty() &&
              XML_Parse(p, sText.data(), static_cast<int>(sText.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(p);
    return o;
}

// One file of the corpus and what it is there for. fRoutesByNumber: the file
// numbers its routes (<number>), and the program files routes under that
// number, so their order is not compared there.
const struct CorpusFile {
    const char *pszName;
    bool fRoutesByNumber;
    const char *pszWhat;
} kaCorpus[] = {
    {"gdal-test.gpx", false, "named routes (one empty), a track of 2 segments, empty tracks"},
    {"gpxpy-brouter_with_link.gpx", false, "a planner's untimed named track of 169 points"},
    {"gpxpy-cerknicko-jezero.gpx", false, "a Garmin unit's 7 waypoints and 8 named active logs"},
    {"gpxpy-garmin_extensions.gpx", false, "BaseCamp: a waypoint with Garmin's extensions"},
    {"gpxpy-gpx1.1_with_all_fields.gpx", true, "every GPX 1.1 field, routes 7 and unnumbered"},
    {"gpxpy-validation_gpx10.gpx", true, "every GPX 1.0 field, routes 7 and unnumbered"},
    {"togeojson-apple_watch_route.gpx", false, "a watch's named track"},
    {"togeojson-garmin_extensions.gpx", false, "a track's Garmin colour before its name"},
    {"togeojson-multitrackgpx.gpx", false, "MapSource: 3 named tracks of 3 days"},
    {"togeojson-osm.gpx", false, "OpenStreetMap traces: 2 named timed tracks, 1 untimed"},
    {"togeojson-route.gpx", false, "a routing engine's unnamed route of unnamed points"},
    {"togeojson-strava.gpx", false, "Strava: a named track with sensor extensions"},
    {"togeojson-trek.gpx", false, "an unnamed route of 120 unnamed points"},
    {"togeojson-wpt.gpx", false, "40 unnamed waypoints, several at one place"},
};

// A corpus file, what the program made of it and what GPSBabel made of it.
struct CorpusRun {
    GpxSummary oSource, oOurs, oTheirs;
};

const CorpusRun &oRunOf(const CorpusFile &f) {
    static std::map<std::string, CorpusRun> aRuns;
    auto it = aRuns.find(f.pszName);
    if (it != aRuns.end()) {
        return it->second;
    }
    CorpusRun &o = aRuns[f.pszName];
    ScratchFolder oFolder;
    const std::string sSource =
        std::string(QUILLOX_SOURCE_DIR) + "/tests/data/gpx-corpus/" + f.pszName;
    const std::string sData = oFolder.sPath("data.vkd");
    const std::string sOurs = oFolder.sPath("ours.gpx");
    const std::string sTheirs = oFolder.sPath("theirs.gpx");
    o.oSource = oReadSummary(sReadFile(sSource));
    ProcessResult r = oRunProcess({QUILLOX_EXE, "/i", sSource, sData}, 60.0, oFolder.sFolder());
    EXPECT_EQ(r.iExitStatus, 0) << f.pszName << ": " << r.sErr;
    r = oRunProcess({QUILLOX_EXE, "/e", sData, sOurs}, 60.0, oFolder.sFolder());
    EXPECT_EQ(r.iExitStatus, 0) << f.pszName << ": " << r.sErr;
    o.oOurs = oReadSummary(sReadFile(sOurs));
    EXPECT_TRUE(fRunGpsbabel(oFolder, "-i gpx -f " + sSource + " -o gpx -F " + sTheirs))
        << f.pszName << ": " << sReadFile(oFolder.sPath("gpsbabel.err"));
    o.oTheirs = oReadSummary(sReadFile(sTheirs));
    EXPECT_TRUE(o.oSource.fRead && o.oOurs.fRead && o.oTheirs.fRead) << f.pszName;
    return o;
}

std::string sQuoted(const std::string &s) {
    return "'" + s + "'";
}

// The standalone waypoints: how many, and the names the file gave them
// (GPSBabel and the program each name the unnamed ones their own way).
std::string sWaypoints(const GpxSummary &o, const GpxSummary &oSource) {
    std::vector<std::string> asNamed;
    for (const std::string &s : o.asWaypoints) {
        if (std::find(oSource.asWaypoints.begin(), oSource.asWaypoints.end(), s) !=
            oSource.asWaypoints.end()) {
            asNamed.push_back(s);
        }
    }
    std::sort(asNamed.begin(), asNamed.end());
    std::string sText = std::to_string(o.asWaypoints.size()) + " waypoints";
    for (const std::string &s : asNamed) {
        sText += " " + sQuoted(s);
    }
    return sText;
}

// The routes with their names and point counts. A route the file left
// unnamed may get any name (the program gives each route a comment).
std::string sRoutes(const GpxSummary &o, const GpxSummary &oSource, bool fAnyOrder) {
    std::vector<std::string> as;
    for (size_t n = 0; n < o.aRoutes.size(); ++n) {
        const bool fUnnamed = n < oSource.aRoutes.size() && oSource.aRoutes[n].sName.empty();
        as.push_back((fUnnamed ? std::string("(unnamed)") : sQuoted(o.aRoutes[n].sName)) + " " +
                     std::to_string(o.aRoutes[n].nPoints));
    }
    if (fAnyOrder) {
        std::sort(as.begin(), as.end());
    }
    std::string sText = std::to_string(as.size()) + " routes";
    for (const std::string &s : as) {
        sText += " | " + s;
    }
    return sText;
}

// The tracks in order with their names and the points of each segment. A
// track or segment without points draws nothing and is left out (GPSBabel
// drops empty segments and keeps empty tracks).
std::string sTracks(const GpxSummary &o) {
    std::string sText;
    for (const GpxTrack &t : o.aTracks) {
        std::string sSegments;
        for (size_t nPoints : t.anSegments) {
            sSegments += nPoints > 0 ? " " + std::to_string(nPoints) : "";
        }
        sText += sSegments.empty() ? "" : " | " + sQuoted(t.sName) + sSegments;
    }
    return sText;
}

} // namespace

TEST(PeerGpxCorpus, KeepsTheStandaloneWaypointsAndTheirNames) {
    for (const CorpusFile &f : kaCorpus) {
        const CorpusRun &o = oRunOf(f);
        EXPECT_EQ(sWaypoints(o.oOurs, o.oSource), sWaypoints(o.oTheirs, o.oSource))
            << f.pszName << " (" << f.pszWhat << "): ours, then GPSBabel's";
    }
}

TEST(PeerGpxCorpus, KeepsEveryRouteWithItsNameAndPointCount) {
    for (const CorpusFile &f : kaCorpus) {
        const CorpusRun &o = oRunOf(f);
        EXPECT_EQ(sRoutes(o.oOurs, o.oSource, f.fRoutesByNumber),
                  sRoutes(o.oTheirs, o.oSource, f.fRoutesByNumber))
            << f.pszName << " (" << f.pszWhat << "): ours, then GPSBabel's";
    }
}

TEST(PeerGpxCorpus, KeepsEveryTrackWithItsNameAndSegmentsInOrder) {
    for (const CorpusFile &f : kaCorpus) {
        const CorpusRun &o = oRunOf(f);
        EXPECT_EQ(sTracks(o.oOurs), sTracks(o.oTheirs))
            << f.pszName << " (" << f.pszWhat << "): ours, then GPSBabel's";
    }
}
