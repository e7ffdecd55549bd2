// Names in another script through the formats of a run's code page: Cyrillic
// from GPX into the data file, out to OziExplorer and back into GPX.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/test_files.h"

namespace {

// The texts of the <name> and <cmt> elements, in order of the file.
std::vector<std::string> asTexts(const std::string &sGpx) {
    std::vector<std::string> as;
    static const std::regex oText("<(name|cmt)>([^<]*)</");
    for (auto it = std::sregex_iterator(sGpx.begin(), sGpx.end(), oText);
         it != std::sregex_iterator(); ++it) {
        as.push_back((*it)[2]);
    }
    return as;
}

TEST(CodePage, CyrillicSurvivesGpxVkdOziVkdGpx) {
    TempFolder oDir;
    // Written in the order the store keeps them (by the names' bytes in 1251).
    vWriteFile(
        oDir.sPath("in.gpx"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        "<wpt lat=\"50.45\" lon=\"30.52\"><name>Київ</name><cmt>Столиця України</cmt></wpt>\n"
        "<wpt lat=\"55.75\" lon=\"37.61\"><name>Москва</name><cmt>Сад и парк</cmt></wpt>\n"
        "<wpt lat=\"59.93\" lon=\"30.31\"><name>Санкт-Петербург</name></wpt>\n"
        "</gpx>\n");
    auto oRun = [&](std::vector<std::string> as) {
        as.insert(as.begin(), QUILLOX_EXE);
        return oRunProcess(as, 20.0, oDir.sFolder());
    };
    ProcessResult o = oRun({"/i", "in.gpx", "lost.vkd"});
    EXPECT_EQ(o.iExitStatus, 0);
    EXPECT_THAT(o.sErr, ::testing::HasSubstr(
                            "'in.gpx': 5 names hold characters that code page 1252 cannot hold; "
                            "try /a"));
    for (const std::vector<std::string> &as :
         {std::vector<std::string>{"/a", "1251", "/i", "in.gpx", "a.vkd"},
          {"/a", "1251", "/e", "a.vkd", "a.ozi"},
          {"/a", "1251", "/i", "a.ozi", "b.vkd"},
          {"/a", "1251", "/e", "b.vkd", "out.gpx"}}) {
        o = oRun(as);
        EXPECT_EQ(o.iExitStatus, 0) << as[2] << ": " << o.sErr;
        EXPECT_EQ(o.sErr, "") << as[2];
    }
    const std::vector<std::string> asWanted = {"Київ", "Столиця України", "Москва", "Сад и парк",
                                               "Санкт-Петербург"};
    EXPECT_EQ(asTexts(sReadFile(oDir.sPath("out.gpx"))), asWanted);
    // The data file says which code page its texts are in: a run of another
    // one converts them, says so, and keeps what it cannot hold.
    o = oRun({"/e", "a.vkd", "other.gpx"});
    EXPECT_EQ(o.iExitStatus, 0);
    EXPECT_THAT(o.sErr, ::testing::HasSubstr("'a.vkd': 5 names hold characters that code page "
                                             "1252 cannot hold; try /a"));
    // (in another order: the store sorts the names as this code page has them)
    std::vector<std::string> asOther = asTexts(sReadFile(oDir.sPath("other.gpx")));
    std::vector<std::string> asSorted = asWanted;
    std::sort(asOther.begin(), asOther.end());
    std::sort(asSorted.begin(), asSorted.end());
    EXPECT_EQ(asOther, asSorted);
}

} // namespace
