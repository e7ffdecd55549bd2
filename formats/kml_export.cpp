#include "formats/kml_export.h"

#include <cstdio>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "formats/exchange_numbers.h"
#include "formats/export_format.h"
#include "formats/output_file.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/records.h"
#include "store/workspace.h"

char *szFormatKmlPoint(const TrackPoint &oPoint) {
    char *pszLine = pszGetTempString();
    iFormatText(pszLine, kTempStringSize, "          %.9f,%.9f,%d",
                dSemicirclesToDegrees(oPoint.lLongitude), dSemicirclesToDegrees(oPoint.lLatitude),
                lRoundedAltitude(oPoint.fAltitude));
    return pszLine;
}

int iWriteKmlHeader(ExportContext &oContext) {
    return oContext.pFile->iWriteText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                      "<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
                                      "  <Document>\n"
                                      "    <name>Quillox Export</name>\n"
                                      "    <visibility>1</visibility>\n");
}

namespace {

// A track of which no point has an altitude (a D300 track, or a file that
// carries none) is drawn on the terrain, not at sea level beneath it.
bool fOnTerrain(const ExportContext &oContext) {
    const DataStore &oStore = *oContext.pWorkspace->pStore;
    return oStore.lTrackPointCount > 0 && fForEachTrackPoint(oStore, [](const TrackPoint &o) {
               return !fHasAltitude(o.fAltitude);
           });
}

} // namespace

int iPrepareKmlTrack(ExportContext &oContext) {
    const bool fTerrain = fOnTerrain(oContext);
    // Colours are alpha, blue, green, red: half-transparent green for the
    // line, half-transparent grey for the area below it.
    return oContext.pFile->iWriteText("    <Style id=\"polyVKD\">\n"
                                      "      <LineStyle>\n"
                                      "        <color>7F00FF00</color>\n"
                                      "        <width>4</width>\n"
                                      "      </LineStyle>\n"
                                      "      <PolyStyle>\n"
                                      "        <color>7f808080</color>\n"
                                      "      </PolyStyle>\n"
                                      "    </Style>\n"
                                      "    <Placemark>\n"
                                      "      <name>Quillox Track</name>\n"
                                      "      <styleUrl>#polyVKD</styleUrl>\n"
                                      "      <LineString>\n"
                                      "        <tessellate>1</tessellate>\n") &&
           oContext.pFile->iWriteText(
               !fTerrain ? "        <extrude>1</extrude>\n"
                           "        <altitudeMode>absolute</altitudeMode>\n"
                         : "        <extrude>0</extrude>\n"
                           "        <altitudeMode>clampToGround</altitudeMode>\n") &&
           oContext.pFile->iWriteText("        <coordinates>\n");
}

int iWriteKmlTrackPoint(ExportContext &oContext, const TrackPoint &oPoint) {
    return oContext.pFile->iPrintf("%s\n", szFormatKmlPoint(oPoint));
}

int iCloseKmlTrack(ExportContext &oContext) {
    return oContext.pFile->iWriteText("        </coordinates>\n"
                                      "      </LineString>\n"
                                      "    </Placemark>\n");
}

int iWriteKmlTrailer(ExportContext &oContext) {
    return oContext.pFile->iWriteText("  </Document>\n"
                                      "</kml>\n");
}
