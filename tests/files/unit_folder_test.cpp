#include <gtest/gtest.h>

#include <string>

#include "files/unit_folder.h"
#include "tests/test_files.h"

namespace {

std::string sFixture(const char *pszName) {
    return sReadFile(std::string(QUILLOX_SOURCE_DIR) + "/tests/e2e/garmin_units/" + pszName);
}

// The GPX locations come first, in the order of the description, whatever
// the order of its data types; the others follow.
TEST(GarminDeviceXml, LocationsWithTheirDirections) {
    UnitFolder o;
    ASSERT_EQ(iReadGarminDeviceXml(sFixture("edge.xml"), "edge.xml", o), 1);
    struct Expected {
        const char *pszType, *pszPath;
        UnitDirection eDirection;
    };
    const Expected aExpected[] = {
        {"GPSData", "GARMIN/NEWFILES", UnitDirection::kInputToUnit},
        {"GPSData", "GARMIN/GPX", UnitDirection::kOutputFromUnit},
        {"FIT_TYPE_4", "GARMIN/ACTIVITY", UnitDirection::kOutputFromUnit},
        {"FIT_TYPE_6", "GARMIN/COURSES", UnitDirection::kInputOutput},
        {"FIT_TYPE_6", "GARMIN/NEWFILES", UnitDirection::kInputToUnit},
    };
    ASSERT_EQ(o.aLocations.size(), std::size(aExpected));
    for (size_t i = 0; i < std::size(aExpected); ++i) {
        EXPECT_EQ(o.aLocations[i].sDataType, aExpected[i].pszType) << i;
        EXPECT_EQ(o.aLocations[i].sPath, aExpected[i].pszPath) << i;
        EXPECT_EQ(o.aLocations[i].eDirection, aExpected[i].eDirection) << i;
        EXPECT_EQ(o.aLocations[i].sExtension, i < 2 ? "GPX" : "FIT") << i;
    }
}

// A description on a drive is the drive's word, not the user's: a folder
// that leaves the unit is passed over, never read or written.
TEST(GarminDeviceXml, FoldersOffTheUnitArePassedOver) {
    const std::string sXml =
        "<Device><MassStorageMode><DataType><Name>GPSData</Name>"
        "<File><Location><Path>../../home/ann</Path></Location></File>"
        "<File><Location><Path>/etc</Path></Location></File>"
        "<File><Location><Path>C:\\Windows</Path></Location></File>"
        "<File><Location><Path>Garmin/GPX</Path><BaseName>Current</BaseName></Location>"
        "</File></DataType></MassStorageMode></Device>";
    UnitFolder o;
    testing::internal::CaptureStderr();
    ASSERT_EQ(iReadGarminDeviceXml(sXml, "x.xml", o), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quillox: 'x.xml': the folder '../../home/ann' is not on the unit; passed over\n"
              "quillox: 'x.xml': the folder '/etc' is not on the unit; passed over\n"
              "quillox: 'x.xml': the folder 'C:\\Windows' is not on the unit; passed over\n");
    ASSERT_EQ(o.aLocations.size(), 1u);
    EXPECT_EQ(o.aLocations[0].sBaseName, "Current");
    EXPECT_EQ(o.aLocations[0].eDirection, UnitDirection::kInputOutput);
}

TEST(GarminDeviceXml, VersionLineLeavesOutWhatIsMissing) {
    struct Case {
        const char *pszModel;
        const char *pszLine;
    };
    const Case aCases[] = {
        {"<Model><Description>Oregon 700</Description><SoftwareVersion>5</SoftwareVersion>"
         "</Model>",
         "Garmin USB drive: Oregon 700, software 0.05"},
        {"<Model><SoftwareVersion>2.90beta</SoftwareVersion></Model><Id>17</Id>",
         "Garmin USB drive: software 2.90beta, unit ID 17"},
        {"", "Garmin USB drive: no model in its description"},
    };
    for (const Case &c : aCases) {
        UnitFolder o;
        o.sXmlFile = "GarminDevice.xml";
        ASSERT_EQ(iReadGarminDeviceXml(std::string("<Device>") + c.pszModel + "</Device>", "x", o),
                  1);
        EXPECT_EQ(sUnitVersionLine(o), c.pszLine);
    }
}

} // namespace
