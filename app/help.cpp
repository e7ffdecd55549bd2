#include "app/help.h"

#include "base/console.h"

namespace {

constexpr const char *apszPage1[] = {
    "Parameters:\n",
    "  /c n                  - select COM port (1-4, U for USB), default:1\n",
    "  /m n                  - select map datum (100:WGS84, 28:Euro50)\n",
    "  /f n                  - select coord format\n",
    "                          1:DEG, 2:DM, 3:DMS, 4:UTM\n\n",
    "  /u file.vkd           - Upload from file to GPS\n",
    "  /d[wprt] file.vkd     - Download to file from GPS\n",
    "                          W:Waypoints, P:Proximity Waypoints\n",
    "                          R:Routes, T:Tracks\n",
    "  /g                    - Ignore uploaded tracks when downloading\n",
    "  /i file.xxx file.vkd  - Import file (.VKE, .VKH, .GRM, .TRK, .WPT,\n",
    "                                       .RTE, .OVL, .OZI, .PLT, .GPX)\n",
    "  /e file.vkd file.xxx  - Export file (.VKE, .VKH, .GRM, .TRK, .WPT,\n",
    "                                       .RTE, .OVL, .NME, .OZI, .PLT,\n",
    "                                       .KML, .GPX)\n",
    "  /w file.vkd file.lst  - Waypoint listing\n",
    "  /l file.vkd file.lst  - Trackpoint listing\n",
    "  /v                    - Print GPS Version Info\n",
    "  /z n                  - Override UTM zone\n",
    "-- more --\n",
};

constexpr const char *apszPage2[] = {
    "  /b                    - use tabbed format for .VKE files\n",
    "  /s n                  - numbers of symbols in GPS for PCX5 import/export\n",
    "                          1:16 symbols, 2:more than 16 symbols\n",
    "  /tc n                 - select Top-50 Overlay track color\n",
    "                          1:red, 2:green, 3:blue, 4:yellow,\n",
    "                          5:red, black, 6:white\n",
    "  /tw n                 - select Top-50 Overlay track width\n",
    "                          1:1pt, 2:2pt, 3:4pt, 4:8pt\n",
    "  /ts n                 - select Top-50 Overlay track style\n",
    "                          1:solid, 2:dashes, 3:dots, 4:dot-dash\n",
    "  /pc n                 - select Top-50 Overlay waypoint color\n",
    "                          1:red, 2:green, 3:blue, 4:yellow,\n",
    "                          5:red, black, 6:white\n",
    "  /ps n                 - select Top-50 Overlay waypoint dot size\n",
    "                          in pixels\n",
    "  /ph n                 - select Top-50 Overlay waypoint font height\n",
    "                          1:10pt, 2:20pt, 3:30pt, 4:40pt\n",
    "  /pf n                 - select Top-50 Overlay waypoint font\n",
    "                          1:Arial, 2:Symbol, 3:Courier, 4:Times\n",
    "  /pb n                 - select Top-50 Overlay waypoint background\n",
    "                          1:transparent, 2:solid\n",
};

} // namespace

void vPrintHelpPage1(std::FILE *pOut) {
    for (const char *pszLine : apszPage1) {
        std::fputs(pszLine, pOut);
    }
}

void vPrintHelpPage2(std::FILE *pOut) {
    for (const char *pszLine : apszPage2) {
        std::fputs(pszLine, pOut);
    }
}

void vWaitForKey() {
    std::fflush(stdout);
    vReadConsoleKey();
}

void vShowHelp() {
    vPrintHelpPage1(stdout);
    // Only someone at a terminal can see the pause and answer it: with the
    // help piped into a pager or a file, nobody would know to press a key.
    if (iConsoleIsInteractive()) {
        vWaitForKey();
    }
    vPrintHelpPage2(stdout);
    std::fflush(stdout);
}
