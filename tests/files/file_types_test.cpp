#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/file_types.h"
#include "files/load_save.h"
#include "store/workspace.h"

namespace {

int16_t sType(const char *pszName) {
    return sFileTypeFromName(pszName, -1);
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

TEST(LoadFile, ExportOnlyTypesReadNothingAndRememberTheType) {
    for (const char *psz : {"missing.nme", "missing.KML", "missing.cmp"}) {
        Workspace w;
        w.pStore->sFileType = -1;
        EXPECT_EQ(iLoadFile(&w, psz), 0) << psz;
        EXPECT_NE(w.pStore->sFileType, -1);
    }
    Workspace w;
    w.pStore->sFileType = -1;
    std::string s = (std::filesystem::temp_directory_path() / "quillox-no-such-file.GRM").string();
    EXPECT_EQ(iLoadFile(&w, s.c_str()), 0);
    EXPECT_EQ(w.pStore->sFileType, kFilePcx5);
}
