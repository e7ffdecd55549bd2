#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/file_types.h"
#include "files/load_save.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

int16_t sType(const char *pszName) {
    return sFileTypeFromName(pszName, -1);
}

// Three waypoints and a four-point track.
void vFill(Workspace &w) {
    for (int i = 0; i < 3; ++i) {
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "P%d", i);
        o.lLatitude = 500000000 + i * 1000;
        o.lLongitude = 100000000;
        iAddWaypoint(&w, o);
    }
    for (int i = 0; i < 4; ++i) {
        TrackPoint t{};
        t.lLatitude = 500000000 + i * 1000;
        t.lLongitude = 100000000;
        t.lTime = 700000000 + i;
        iAddTrackPoint(&w, t);
    }
}

int iSave(Workspace &w, const std::string &sName) {
    return iSaveFile(&w, sName.c_str(), 7);
}

int iLoad(Workspace &w, const std::string &sName) {
    return iLoadFile(&w, sName.c_str());
}

} // namespace

TEST(FileTypeFromName, ExtensionOfTheLastComponentAnyCase) {
    EXPECT_EQ(sType("track.grm"), kFilePcx5);
    EXPECT_EQ(sType("track.GRM"), kFilePcx5);
    EXPECT_EQ(sType("track.Grm"), kFilePcx5);
    EXPECT_EQ(sType("../data/track.grm"), kFilePcx5);
    EXPECT_EQ(sType("./out.kml"), kFileKml);
    EXPECT_EQ(sType("dir.old/track.grm"), kFilePcx5);
    EXPECT_EQ(sType("dir.old\\track.plt"), kFileOziTrack);
    EXPECT_EQ(sType("archive.old.vke"), kFileTextExport);
    EXPECT_EQ(sType("x.vkh"), kFileHexExport);
    EXPECT_EQ(sType("x.nme"), kFileNmea);
    EXPECT_EQ(sType("x.cmp"), kFileBarograph);
    EXPECT_EQ(sType("x.ovl"), kFileOverlay);
    EXPECT_EQ(sType("x.ozi"), kFileOziWaypoints);
}

TEST(FileTypeFromName, PcxVariantsFoldIntoPcx5AndUnknownIsNative) {
    for (const char *psz : {"a.wpt", "a.TRK", "a.rte", "a.prx"}) {
        EXPECT_EQ(sType(psz), kFilePcx5) << psz;
    }
    EXPECT_EQ(sType("flight.IGC"), kFileNative);
    EXPECT_EQ(sType("flight.igc"), kFileNative);
    EXPECT_EQ(sType("noextension"), kFileNative);
    EXPECT_EQ(sType("dir.old/noextension"), kFileNative);
    EXPECT_EQ(sType("photo.jpeg"), kFileNative);
    EXPECT_EQ(sType("trailingdot."), kFileNative);
    EXPECT_EQ(sType(""), kFileNative);
    EXPECT_EQ(sType(nullptr), kFileNative);
}

TEST(FileTypeFromName, CurrentTypeWinsAndIsMapped) {
    EXPECT_EQ(sFileTypeFromName("x.kml", kFilePcx5), kFilePcx5);
    EXPECT_EQ(sFileTypeFromName("x.kml", kFilePcx5Proximity), kFilePcx5);
    EXPECT_EQ(sFileTypeFromName("x.kml", kFileIgc), kFileNative);
    EXPECT_EQ(sFileTypeFromName("x.kml", 99), kFileNative);
    EXPECT_EQ(sFileTypeFromName("x.kml", -7), kFileNative);
}

TEST(LoadFile, ExportOnlyTypesReadNothingAndAMissingFileKeepsTheTypeOfItsName) {
    for (const char *psz : {"missing.nme", "missing.KML", "missing.cmp"}) {
        Workspace w;
        EXPECT_EQ(iLoadFile(&w, psz), 0) << psz;
    }
    Workspace w;
    std::string s = (std::filesystem::temp_directory_path() / "quillox-no-such-file.GRM").string();
    EXPECT_EQ(iLoadFile(&w, s.c_str()), 0);
    EXPECT_EQ(sLoadFileType(s.c_str()), kFilePcx5);
}

TEST(LoadFile, ContentDecidesWhereTheNameLeavesRoomForDoubt) {
    TempFolder oDir;
    Workspace oData;
    vFill(oData);

    // OziExplorer's usual waypoint extension is PCX5's too.
    ASSERT_EQ(iSave(oData, oDir.sPath("ozi.ozi")), 1);
    fs::rename(oDir.sPath("ozi.ozi"), oDir.sPath("ozi.WPT"));
    Workspace w;
    EXPECT_EQ(iLoad(w, oDir.sPath("ozi.WPT")), 1);
    EXPECT_EQ(sLoadFileType(oDir.sPath("ozi.WPT").c_str()), kFileOziWaypoints);
    EXPECT_EQ(w.pStore->lWaypointCount, 3);
    // A PCX5 .WPT is still PCX5, and one written stays PCX5.
    ASSERT_EQ(iSave(oData, oDir.sPath("pcx.wpt")), 1);
    Workspace w2;
    EXPECT_EQ(iLoad(w2, oDir.sPath("pcx.wpt")), 1);
    EXPECT_EQ(sLoadFileType(oDir.sPath("pcx.wpt").c_str()), kFilePcx5);
    EXPECT_EQ(w2.pStore->lWaypointCount, 3);

    // Names that stand for a native file, holding text formats: read as if
    // they had the extension they were written with.
    struct Case {
        const char *pszWrittenAs;
        const char *pszReadAs;
        int16_t sType;
    };
    for (const Case &c :
         {Case{"t.plt", "track", kFileOziTrack}, Case{"x.vke", "export.txt", kFileTextExport},
          Case{"x.vkh", "hex.dat", kFileTextExport}, Case{"g.grm", "pcx5.backup", kFilePcx5},
          Case{"o.ovl", "overlay", kFileOverlay}, Case{"n.vkd", "native.bin", kFileNative},
          Case{"g.gpx", "gpx.xml", kFileGpx}}) {
        ASSERT_EQ(iSave(oData, oDir.sPath(c.pszWrittenAs)), 1) << c.pszWrittenAs;
        Workspace wWanted;
        ASSERT_EQ(iLoad(wWanted, oDir.sPath(c.pszWrittenAs)), 1) << c.pszWrittenAs;
        fs::rename(oDir.sPath(c.pszWrittenAs), oDir.sPath(c.pszReadAs));
        Workspace wRead;
        EXPECT_EQ(iLoad(wRead, oDir.sPath(c.pszReadAs)), 1) << c.pszReadAs;
        EXPECT_EQ(sLoadFileType(oDir.sPath(c.pszReadAs).c_str()), c.sType) << c.pszReadAs;
        EXPECT_GT(wRead.pStore->lTrackPointCount, 0) << c.pszReadAs;
        EXPECT_EQ(wRead.pStore->lWaypointCount, wWanted.pStore->lWaypointCount) << c.pszReadAs;
        EXPECT_EQ(wRead.pStore->lTrackPointCount, wWanted.pStore->lTrackPointCount) << c.pszReadAs;
    }

    // A name with a known extension is what it says, whatever it holds.
    fs::copy_file(oDir.sPath("track"), oDir.sPath("track.vkd"));
    ::testing::internal::CaptureStderr();
    Workspace w3;
    EXPECT_EQ(iLoad(w3, oDir.sPath("track.vkd")), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quillox: '" + oDir.sPath("track.vkd") +
                  "' is an OziExplorer track file, which this program reads under the extension "
                  ".PLT\n");
}

TEST(SaveFile, UnknownExtensionIsWrittenAsADataFileAndSaysSo) {
    TempFolder oDir;
    Workspace w;
    vFill(w);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iSave(w, oDir.sPath("x.txt")), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quillox: '" + oDir.sPath("x.txt") +
                  "': unknown extension, written as a Quillox data file\n");
    EXPECT_EQ(sReadFile(oDir.sPath("x.txt")).substr(0, 8), "Orvensta");
    // No extension, or one the table maps to the data file, needs no word.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iSave(w, oDir.sPath("plain")), 1);
    EXPECT_EQ(iSave(w, oDir.sPath("x.igc")), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
