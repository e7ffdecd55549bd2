// The USB receive path: the fuzz bytes are cut into packets (one length byte,
// its top bit choosing the interrupt or the bulk pipe, then that many bytes)
// and read message by message.
// Run: build-fuzz/fuzz/link_usb_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <memory>

#include "device/link_layer.h"
#include "device/link_open.h"
#include "tests/device/fake_transports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    auto p = std::make_unique<FakeUsbPipes>();
    FakeUsbPipes *pPipes = p.get();
    size_t nPackets = 0;
    for (size_t i = 0; i < nSize;) {
        const size_t nLength = pData[i] & 0x7F;
        const bool fBulk = (pData[i] & 0x80) != 0;
        ++i;
        const size_t nTake = nLength < nSize - i ? nLength : nSize - i;
        FakeUsbPipes::Chunk oChunk;
        oChunk.a.assign(pData + i, pData + i + nTake);
        (fBulk ? pPipes->aBulk : pPipes->aInterrupt).push_back(std::move(oChunk));
        i += nTake;
        ++nPackets;
    }
    std::unique_ptr<DeviceLink> pLink = pAttachUsbLink(std::move(p));
    pLink->fUsbLinkOpen = 1; // as after the session start: reads take USB packets
    for (size_t i = 0; i <= nPackets && (!pPipes->aInterrupt.empty() || !pPipes->aBulk.empty());
         ++i) {
        iReadMessage(pLink.get(), 0);
    }
    return 0;
}
