#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

struct Parsed {
    int iResult;
    std::string sOut;
    std::string sErr;
    Workspace oWorkspace;
    RunOptions oOptions;
};

// Parses the arguments as if they followed the program name.
std::unique_ptr<Parsed> pParse(std::vector<std::string> asArgs) {
    auto p = std::make_unique<Parsed>();
    std::vector<char *> apArgv;
    std::string sProgram = "quillox";
    apArgv.push_back(sProgram.data());
    for (std::string &s : asArgs) {
        apArgv.push_back(s.data());
    }
    apArgv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    p->iResult = iParseCommandLine(static_cast<int>(asArgs.size() + 1), apArgv.data(),
                                   p->oWorkspace, p->oOptions);
    p->sOut = ::testing::internal::GetCapturedStdout();
    p->sErr = ::testing::internal::GetCapturedStderr();
    return p;
}

} // namespace

TEST(CommandLine, DownloadKindsFromTheLettersAfterD) {
    auto p = pParse({"/d", "a.vkd"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fDownload && p->oOptions.fIdentify && p->oOptions.fSave);
    EXPECT_TRUE(p->oOptions.fDownloadWaypoints && p->oOptions.fDownloadProximity &&
                p->oOptions.fDownloadRoutes && p->oOptions.fDownloadTracks);
    EXPECT_STREQ(p->oOptions.szFirstFile, "a.vkd");

    p = pParse({"-DwT", "a.vkd"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fDownloadWaypoints && p->oOptions.fDownloadTracks);
    EXPECT_FALSE(p->oOptions.fDownloadProximity || p->oOptions.fDownloadRoutes);

    p = pParse({"/dwx", "a.vkd"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "Invalid download type: X\n");

    p = pParse({"/d"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "");
}

TEST(CommandLine, UploadKindsFromTheLettersAfterU) {
    auto p = pParse({"/u", "a.vkd"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fUpload && p->oOptions.fIdentify && p->oOptions.fLoad);
    EXPECT_TRUE(p->oOptions.fUploadWaypoints && p->oOptions.fUploadProximity &&
                p->oOptions.fUploadRoutes && p->oOptions.fUploadTracks);

    p = pParse({"/uW", "a.vkd"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fUploadWaypoints);
    EXPECT_FALSE(p->oOptions.fUploadProximity || p->oOptions.fUploadRoutes ||
                 p->oOptions.fUploadTracks);
    EXPECT_FALSE(p->oOptions.fDownload || p->oOptions.fSave);

    p = pParse({"-urp", "a.vkd"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fUploadRoutes && p->oOptions.fUploadProximity);
    EXPECT_FALSE(p->oOptions.fUploadWaypoints || p->oOptions.fUploadTracks);

    p = pParse({"/uwx", "a.vkd"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "Invalid upload type: X\n");
}

TEST(CommandLine, SwitchLettersAnyCaseAndExtraCharactersIgnored) {
    auto p = pParse({"/VX", "-m", "28", "/F", "2", "/bogus"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_TRUE(p->oOptions.fIdentify);
    EXPECT_EQ(p->oWorkspace.sDatum, 28);
    EXPECT_EQ(p->oWorkspace.sCoordFormat, 2);
    EXPECT_EQ(p->oWorkspace.fTabbedExport, 1);
    EXPECT_FALSE(p->oOptions.fLoad || p->oOptions.fSave || p->oOptions.fDownload);
}

TEST(CommandLine, InvalidSwitchesStopParsing) {
    for (std::vector<std::string> as : std::vector<std::vector<std::string>>{
             {"file.vkd"}, {"/?"}, {"/v", "/?"}, {"/x"}, {"/"}, {"-"}}) {
        auto p = pParse(as);
        EXPECT_EQ(p->iResult, 0) << as.back();
        EXPECT_EQ(p->sOut, "Invalid switch\n") << as.back();
        EXPECT_EQ(p->sErr, "quillox: Invalid switch: " + as.back() + "\n");
    }
    // Parsing stops at the first error: the later switch is never seen.
    auto p = pParse({"/q", "/tq", "1"});
    EXPECT_EQ(p->sOut, "Invalid switch\n");
}

TEST(CommandLine, OverlayModifiers) {
    auto p = pParse({"/tc", "3", "/TW", "2", "/ts", "4", "/pc", "5", "/ps", "12", "/ph", "2", "/pf",
                     "3", "/pB", "2"});
    ASSERT_EQ(p->iResult, 1);
    const Workspace &w = p->oWorkspace;
    EXPECT_EQ(w.sOvlTrackColor, 3);
    EXPECT_EQ(w.sOvlTrackWidth, 2);
    EXPECT_EQ(w.sOvlTrackStyle, 4);
    EXPECT_EQ(w.sOvlWptColor, 5);
    EXPECT_EQ(w.sOvlWptDotSize, 12);
    EXPECT_EQ(w.sOvlWptFontHeight, 2);
    EXPECT_EQ(w.sOvlWptFont, 3);
    EXPECT_EQ(w.sOvlWptBackground, 2);

    p = pParse({"/tq", "5"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "Invalid track modifier: Q\n");
    p = pParse({"/px", "5"});
    EXPECT_EQ(p->sOut, "Invalid track modifier: X\n");
    p = pParse({"/t", "5"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "");
    EXPECT_NE(p->sErr, ""); // says what is missing
}

TEST(CommandLine, SymbolSetDatumAndFileSlots) {
    auto p = pParse({"/s", "2"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_EQ(p->oWorkspace.sSymbolSet, 102);
    p = pParse({"/s", "3"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sOut, "");

    p = pParse({"/m", "102"});
    EXPECT_EQ(p->iResult, 0);
    p = pParse({"/m", "-1"});
    EXPECT_EQ(p->iResult, 0);
    p = pParse({"/m", "101"});
    EXPECT_EQ(p->iResult, 1);

    p = pParse({"/i", "foreign.grm", "native.vkd"});
    EXPECT_STREQ(p->oOptions.szFirstFile, "native.vkd");
    EXPECT_STREQ(p->oOptions.szSecondFile, "foreign.grm");

    p = pParse({"/e", std::string(255, 'a'), "x.vke"});
    EXPECT_EQ(p->iResult, 1);
    p = pParse({"/e", std::string(256, 'a'), "x.vke"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_NE(p->sErr.find("too long"), std::string::npos);

    p = pParse({"/g", "/w", "n.vkd"}); // /w needs two arguments
    EXPECT_EQ(p->iResult, 0);
    EXPECT_FALSE(p->oOptions.fIncludeUntimed);
}

TEST(CommandLine, TwoSwitchesMayNotPutDifferentNamesInOneSlot) {
    // Every step runs after parsing, so the earlier name would never be used.
    auto p = pParse({"/w", "a.vkd", "w.lst", "/l", "a.vkd", "t.lst"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_EQ(p->sErr, "quillox: /w names 'w.lst' and /l names 't.lst' where a run keeps one "
                       "second file; give them in separate runs\n");
    p = pParse({"/dw", "a.vkd", "/e", "b.vkd", "c.ozi"});
    EXPECT_EQ(p->iResult, 0);
    EXPECT_NE(
        p->sErr.find("/dw names 'a.vkd' and /e names 'b.vkd' where a run keeps one data file"),
        std::string::npos)
        << p->sErr;
    p = pParse({"/i", "x.plt", "a.vkd", "/i", "y.plt", "a.vkd"});
    EXPECT_EQ(p->iResult, 0);

    // The same name twice is one file: download, then export and list it.
    p = pParse({"/d", "a.vkd", "/e", "a.vkd", "a.kml", "/w", "a.vkd", "a.kml"});
    ASSERT_EQ(p->iResult, 1) << p->sErr;
    EXPECT_STREQ(p->oOptions.szFirstFile, "a.vkd");
    EXPECT_STREQ(p->oOptions.szSecondFile, "a.kml");
    EXPECT_TRUE(p->oOptions.fSave && p->oOptions.fLoad && p->oOptions.fExport &&
                p->oOptions.fListWaypoints);
}

TEST(CommandLine, PortSelection) {
    char szName[kPortNameSize];
    auto p = pParse({"/c", "usb"});
    EXPECT_TRUE(p->oOptions.fUsb);
    p = pParse({"/c", "3"});
    ASSERT_EQ(p->iResult, 1);
    vFormatPortName(p->oOptions, szName, sizeof(szName));
    EXPECT_STREQ(szName, "COM3");
    p = pParse({"/c", "/dev/pts/7"});
    ASSERT_EQ(p->iResult, 1);
    vFormatPortName(p->oOptions, szName, sizeof(szName));
    EXPECT_STREQ(szName, "/dev/pts/7");
    p = pParse({"/c", "255"});
    ASSERT_EQ(p->iResult, 1);
    vFormatPortName(p->oOptions, szName, sizeof(szName));
    EXPECT_STREQ(szName, "COM255");
    // Neither a port number, nor U or USB, nor a folder or a path: once "gps1"
    // opened COM0, and anything that began with U was USB.
    for (const char *psz : {"gps1", "x", "0", "256", "-3", "3x", "", "US", "USB1", "Ux"}) {
        p = pParse({"/c", psz});
        EXPECT_EQ(p->iResult, 0) << psz;
        EXPECT_EQ(p->sErr,
                  std::string("quillox: /c takes a port number from 1 to 255, U for USB, the "
                              "folder of a unit that is a USB drive or a device path containing "
                              "'/', not '") +
                      psz + "'\n");
    }
    // A folder is a unit that is a USB drive, whatever its name looks like;
    // U and USB stay USB.
    TempFolder oDir;
    std::filesystem::create_directory(oDir.sPath("3"));
    for (const std::string &s : {oDir.sFolder(), oDir.sPath("3")}) {
        p = pParse({"/c", s.c_str()});
        ASSERT_EQ(p->iResult, 1) << s;
        EXPECT_TRUE(p->oOptions.fUnitFolder && !p->oOptions.fUsb);
        EXPECT_EQ(p->oOptions.szPortPath, s);
    }
    p = pParse({"/c", "usb"});
    EXPECT_TRUE(p->oOptions.fUsb && !p->oOptions.fUnitFolder);
}

TEST(CommandLine, NumbersAreWholeAndInTheirRange) {
    struct Case {
        std::vector<std::string> asArgs;
        bool fAccepted;
    };
    const std::vector<Case> aCases = {
        {{"/f", "1"}, true},     {{"/f", "17"}, true},      {{"/f", "0"}, false},
        {{"/f", "18"}, false},   {{"/f", "2x"}, false},     {{"/z", "1"}, true},
        {{"/z", "60"}, true},    {{"/z", "0"}, false},      {{"/z", "61"}, false},
        {{"/m", "0"}, true},     {{"/m", "abc"}, false},    {{"/m", ""}, false},
        {{"/m", "28.5"}, false}, {{"/s", "1"}, true},       {{"/s", "1x"}, false},
        {{"/tc", "6"}, true},    {{"/tc", "7"}, false},     {{"/tc", "99"}, false},
        {{"/tw", "4"}, true},    {{"/tw", "5"}, false},     {{"/ts", "0"}, false},
        {{"/pc", "0"}, false},   {{"/ps", "1"}, true},      {{"/ps", "0"}, false},
        {{"/ps", "-4"}, false},  {{"/ps", "40000"}, false}, {{"/ph", "5"}, false},
        {{"/pf", "4"}, true},    {{"/pf", "5"}, false},     {{"/pb", "2"}, true},
        {{"/pb", "3"}, false},   {{"/f", " +3"}, true},     {{"/a", "1257"}, true},
        {{"/a", "1255"}, false}, {{"/a", "437"}, false},    {{"/A", "1251x"}, false},
    };
    for (const Case &c : aCases) {
        auto p = pParse(c.asArgs);
        const std::string sWhat = c.asArgs[0] + " '" + c.asArgs[1] + "'";
        EXPECT_EQ(p->iResult, c.fAccepted ? 1 : 0) << sWhat;
        // A refused value is named on standard error, with nothing on standard output.
        EXPECT_EQ(p->sErr.find("'" + c.asArgs[1] + "'\n") != std::string::npos, !c.fAccepted)
            << sWhat << ": " << p->sErr;
        EXPECT_EQ(p->sOut, "") << sWhat;
    }
    auto p = pParse({"/tc", "99"});
    EXPECT_EQ(p->sErr, "quillox: /tc takes a track colour from 1 to 6, not '99'\n");
    p = pParse({"/a", "1255"});
    EXPECT_EQ(p->sErr, "quillox: /a takes a code page, 1250, 1251, 1252, 1253, 1254 or 1257, not "
                       "'1255'\n");
    EXPECT_EQ(pParse({"/a", "1251"})->oWorkspace.sCodePage, 1251);
    EXPECT_EQ(p->oWorkspace.sOvlTrackColor, 1);
    p = pParse({"/f", "5", "/m", "28", "/pS", "3"});
    ASSERT_EQ(p->iResult, 1);
    EXPECT_EQ(p->oWorkspace.sCoordFormat, 5);
    EXPECT_EQ(p->oWorkspace.sDatum, 28);
    EXPECT_EQ(p->oWorkspace.sOvlWptDotSize, 3);
}

TEST(SwitchNumber, LeadingBlanksSignDigitsToTheEndClamp) {
    int i = 0;
    EXPECT_EQ(iParseSwitchNumber("  42", i), 1);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(iParseSwitchNumber("-7", i), 1);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(iParseSwitchNumber("+7", i), 1);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(iParseSwitchNumber("42abc", i), 0);
    EXPECT_EQ(iParseSwitchNumber("x9", i), 0);
    EXPECT_EQ(iParseSwitchNumber("", i), 0);
    EXPECT_EQ(iParseSwitchNumber("-", i), 0);
    EXPECT_EQ(iParseSwitchNumber("4 ", i), 0);
    EXPECT_EQ(iParseSwitchNumber("99999999999999999999", i), 1);
    EXPECT_EQ(i, INT_MAX);
    EXPECT_EQ(iParseSwitchNumber("-99999999999999999999", i), 1);
    EXPECT_EQ(i, INT_MIN);
}
