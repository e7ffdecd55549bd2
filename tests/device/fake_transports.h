#pragma once
// Scripted stand-ins for the serial line and the USB pipes. A read of the fake
// serial line returns at once with a time-out when nothing is queued, so tests
// of the waits run without real one-second pauses.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "device/link_layer.h"
#include "device/link_open.h"
#include "device/protocol_selection.h"

class FakeSerialPort final : public SerialPort {
  public:
    std::deque<uint8_t> aInput;
    std::vector<std::vector<uint8_t>> aWrites;
    size_t nBytesConsumed = 0;
    bool fFailWrites = false;
    // Called after each write with its bytes; lets a test answer like a unit.
    std::function<void(FakeSerialPort &, const std::vector<uint8_t> &)> pOnWrite;

    int iReadByte(uint8_t *pb) override {
        if (aInput.empty()) {
            return 0;
        }
        *pb = aInput.front();
        aInput.pop_front();
        ++nBytesConsumed;
        return 1;
    }
    int iWrite(const uint8_t *p, size_t n) override {
        aWrites.emplace_back(p, p + n);
        if (fFailWrites) {
            return 0;
        }
        if (pOnWrite) {
            pOnWrite(*this, aWrites.back());
        }
        return 1;
    }
    // Speeds the link layer set, in order.
    std::vector<uint32_t> aSpeeds;
    int iSetSpeed(uint32_t lBaud) override {
        aSpeeds.push_back(lBaud);
        return 1;
    }
    void vQueueBytes(const std::vector<uint8_t> &a) {
        aInput.insert(aInput.end(), a.begin(), a.end());
    }
    void vQueueMessage(uint8_t bId, const std::vector<uint8_t> &aData) {
        std::vector<uint8_t> aMessage = {bId, static_cast<uint8_t>(aData.size())};
        aMessage.insert(aMessage.end(), aData.begin(), aData.end());
        vQueueBytes(aBuildSerialFrame(aMessage));
    }
    void vQueueAck(uint8_t bAnswered) { vQueueMessage(kPidAck, {bAnswered, 0}); }
};

class FakeUsbPipes final : public UsbPipes {
  public:
    struct Chunk {
        std::vector<uint8_t> a;
        int iResult = 1;
    };
    std::deque<Chunk> aInterrupt;
    std::deque<Chunk> aBulk;
    std::vector<std::vector<uint8_t>> aWrites;
    uint32_t lSize = 64;
    int iInterruptReads = 0;
    int iBulkReads = 0;
    std::function<void(FakeUsbPipes &, const std::vector<uint8_t> &)> pOnWrite;

    int iReadInterrupt(uint8_t *p, size_t nMax, size_t *pnRead) override {
        ++iInterruptReads;
        return iTake(aInterrupt, p, nMax, pnRead);
    }
    int iReadBulk(uint8_t *p, size_t nMax, size_t *pnRead) override {
        ++iBulkReads;
        if (aBulk.empty()) {
            *pnRead = 0;
            return 1; // an empty bulk pipe reads zero bytes
        }
        return iTake(aBulk, p, nMax, pnRead);
    }
    int iWrite(const uint8_t *p, size_t n, size_t *pnWritten) override {
        aWrites.emplace_back(p, p + n);
        *pnWritten = n;
        if (pOnWrite) {
            pOnWrite(*this, aWrites.back());
        }
        return 1;
    }
    uint32_t lPacketSize() override { return lSize; }

  private:
    static int iTake(std::deque<Chunk> &a, uint8_t *p, size_t nMax, size_t *pnRead) {
        if (a.empty()) {
            *pnRead = 0;
            return 0; // silence: the read times out
        }
        Chunk o = a.front();
        a.pop_front();
        size_t n = o.a.size() < nMax ? o.a.size() : nMax;
        std::copy(o.a.begin(), o.a.begin() + static_cast<long>(n), p);
        *pnRead = n;
        return o.iResult;
    }
};

// A USB packet of the given type and id with its data.
inline std::vector<uint8_t> aUsbPacket(uint8_t bType, uint16_t sId,
                                       const std::vector<uint8_t> &aData) {
    // Sized once and filled in place: g++ 12 misreads an insert after the
    // header as a write past it (-Warray-bounds) in optimised builds.
    std::vector<uint8_t> a(12 + aData.size(), 0);
    a[0] = bType;
    a[4] = static_cast<uint8_t>(sId);
    a[5] = static_cast<uint8_t>(sId >> 8);
    uint32_t l = static_cast<uint32_t>(aData.size());
    for (int i = 0; i < 4; ++i) {
        a[8 + i] = static_cast<uint8_t>(l >> (8 * i));
    }
    std::copy(aData.begin(), aData.end(), a.begin() + 12);
    return a;
}

// A new link over a fake transport for each test.
inline std::unique_ptr<DeviceLink> pAttachFake(std::unique_ptr<FakeSerialPort> p) {
    return pAttachSerialLink(std::move(p));
}
inline std::unique_ptr<DeviceLink> pAttachFake(std::unique_ptr<FakeUsbPipes> p) {
    return pAttachUsbLink(std::move(p));
}

template <class Fake> class FakeLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto p = std::make_unique<Fake>();
        pFake = p.get();
        pOwnedLink = pAttachFake(std::move(p));
        pLink = pOwnedLink.get();
    }
    Fake *pFake = nullptr;
    std::unique_ptr<DeviceLink> pOwnedLink;
    DeviceLink *pLink = nullptr;
};
