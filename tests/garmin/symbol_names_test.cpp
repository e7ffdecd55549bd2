// The symbol names of GPX files: the table in the code against the list it
// was generated from, read in place.

#include "garmin/symbol_names.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/test_files.h"

TEST(SymbolNames, EveryNameOfTheListAndTheUsualOneFirst) {
    std::string sList = sReadFile(sPeerFile("../data/garmin-symbols.tsv"));
    ASSERT_FALSE(sList.empty());
    std::map<int, std::string> aUsual;
    int nNames = 0;
    for (const std::string &sLine : aLines(sList)) {
        size_t nTab = sLine.find('\t');
        if (sLine.empty() || sLine[0] == '#' || nTab == std::string::npos) {
            continue;
        }
        int iNumber = std::stoi(sLine.substr(0, nTab));
        std::string sName = sLine.substr(nTab + 1);
        SCOPED_TRACE(sLine);
        EXPECT_EQ(iGarminSymbolFromName(sName), iNumber);
        aUsual.emplace(iNumber, sName); // keeps the first name of a number
        ++nNames;
    }
    EXPECT_EQ(nNames, 259);
    for (const auto &[iNumber, sName] : aUsual) {
        ASSERT_NE(pszGarminSymbolName(iNumber), nullptr) << iNumber;
        EXPECT_EQ(pszGarminSymbolName(iNumber), sName);
    }
}

TEST(SymbolNames, CaseDoesNotMatterAndUnknownsAreNone) {
    EXPECT_EQ(iGarminSymbolFromName("waypoint"), 18);
    EXPECT_EQ(iGarminSymbolFromName("FLAG, BLUE"), 8284);
    EXPECT_EQ(iGarminSymbolFromName("hotel"), 173);
    EXPECT_STREQ(pszGarminSymbolName(173), "Lodging");
    EXPECT_EQ(iGarminSymbolFromName("Waypoint "), -1);
    EXPECT_EQ(iGarminSymbolFromName(""), -1);
    EXPECT_EQ(iGarminSymbolFromName("W\xe4ypoint"), -1);
    EXPECT_EQ(pszGarminSymbolName(20), nullptr);
    EXPECT_EQ(pszGarminSymbolName(-1), nullptr);
    EXPECT_EQ(pszGarminSymbolName(70000), nullptr);
}
