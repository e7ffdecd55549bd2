#include "device/product_table.h"

#include "device/protocol_selection.h"
#include "garmin/protocol_numbers.h"

namespace {

// One row: a product over a range of software versions (in hundredths, both
// ends included), the proximity protocol it speaks with the record format of
// its proximity waypoints, and its waypoint format.
struct ProductRow {
    int16_t sProductId;
    int16_t sFirstVersion;
    int16_t sLastVersion;
    int32_t iPrxProtocol;
    int32_t iPrxFormat;
    int32_t iWptFormat;
};

constexpr int16_t kAnyVersionFrom = INT16_MIN;
constexpr int16_t kAnyVersionTo = INT16_MAX;

// The first row that matches decides. Product 77 dropped proximity
// waypoints in its versions 3.50 to 3.60.
constexpr ProductRow kaProducts[] = {
    {31, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD100},
    {41, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD100},
    {59, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD100},
    {72, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD104},
    {129, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD104},
    {73, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD103},
    {97, kAnyVersionFrom, kAnyVersionTo, 0, 0, kD103},
    {77, kAnyVersionFrom, 300, kA400, kD400, kD100},
    {77, 301, 349, kA400, kD403, kD103},
    {77, 350, 360, 0, 0, kD103},
    {77, 361, kAnyVersionTo, kA400, kD403, kD103},
    {87, kAnyVersionFrom, kAnyVersionTo, kA400, kD403, kD103},
    {96, kAnyVersionFrom, kAnyVersionTo, kA400, kD403, kD103},
};

} // namespace

void vApplyProductTable(int16_t sProductId, int16_t sVersion, ProtocolSelection &o) {
    for (const ProductRow &oRow : kaProducts) {
        if (oRow.sProductId == sProductId && sVersion >= oRow.sFirstVersion &&
            sVersion <= oRow.sLastVersion) {
            o.iPrxProtocol = oRow.iPrxProtocol;
            o.iPrxFormat = oRow.iPrxFormat;
            o.iWptFormat = oRow.iWptFormat;
            return;
        }
    }
    // Another unit keeps its waypoint format and has no proximity waypoints.
    o.iPrxProtocol = 0;
    o.iPrxFormat = 0;
}
