// The serial receive path: the fuzz bytes are the line from the receiver, read
// message by message until the line is silent.
// Run: build-fuzz/fuzz/link_serial_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <memory>

#include "device/link_layer.h"
#include "device/link_open.h"
#include "tests/device/fake_transports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    auto p = std::make_unique<FakeSerialPort>();
    FakeSerialPort *pPort = p.get();
    pPort->aInput.assign(pData, pData + nSize);
    std::unique_ptr<DeviceLink> pLink = pAttachSerialLink(std::move(p));
    // Each read consumes at least one byte or meets silence, so this ends.
    for (size_t i = 0; i <= nSize && !pPort->aInput.empty(); ++i) {
        iReadMessage(pLink.get(), 0);
    }
    return 0;
}
