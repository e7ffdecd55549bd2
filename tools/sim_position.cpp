// The unit's position, which some hosts ask for before a transfer (command 2,
// answered with a position record of two doubles in radians), and the command
// that stops live position data (50), which needs no answer beyond its ACK.

#include <vector>

#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"
#include "tools/sim_receiver.h"

namespace {

// 46.8 N, 8.2 E, where the demo set lies.
constexpr double kdLatitudeRadians = 46.8 * 3.14159265358979323846 / 180.0;
constexpr double kdLongitudeRadians = 8.2 * 3.14159265358979323846 / 180.0;

void vSendPosition(SimReceiver &oReceiver, uint16_t) {
    std::vector<uint8_t> a;
    ByteWriter oOut(a);
    oOut.vF64(kdLatitudeRadians);
    oOut.vF64(kdLongitudeRadians);
    oReceiver.pLink->iSend(kPidPositionData, a);
}

void vStopPositionData(SimReceiver &, uint16_t) {}

SimCommandRegistration oPosition(kCommandTransferPosition, &vSendPosition);
SimCommandRegistration oStopPosition(kCommandStopPositionData, &vStopPositionData);

} // namespace
