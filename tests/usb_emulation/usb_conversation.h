#pragma once
// Turns a conversation with a Garmin USB unit into the usbdevfs script that
// umockdev-run replays to the program: one line per URB the program submits,
// in the order it submits them.
//
// The unit is the one of garmin-usb-unit.umockdev: interrupt IN 0x83, bulk IN
// 0x81 and bulk OUT 0x02, 64 bytes each. The script follows the way the
// program reads a unit:
//   - every read starts on the interrupt pipe, 64 bytes at a time; a shorter
//     chunk ends the packet, so a packet of whole chunks is followed by a
//     zero-length interrupt read;
//   - a "data available" packet there sends the program to the bulk pipe, one
//     packet per read of 4096 bytes, until a read finds the pipe empty (zero
//     bytes); that read goes on to the interrupt pipe in the same breath;
//   - every packet the program writes is one bulk OUT transfer, followed by a
//     zero-length one when its size is a whole multiple of 64.
//
// Replay has to be exact, and umockdev by itself is forgiving: it looks for a
// matching line from the last one used onwards and wraps around. So every line
// carries its number in the URB's error count (a field the kernel fills only
// for isochronous transfers and libusb ignores for bulk and interrupt ones),
// the script ends with lines that fail any further read, and sCheckReplay
// reads umockdev's ioctl-tree trace to see that each line was used once, in
// order, and nothing else.
//
// Known limits of the emulation: every URB completes at once, so nothing stays
// pending and the program's read and write time-outs cannot be reached; no
// kernel driver is bound to the unit, so detaching and reattaching garmin_gps
// is not exercised; and the endpoint layout is a plausible one, not one read
// from a real unit.

#include <cstdint>
#include <string>
#include <vector>

namespace usbemu {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kInterruptIn = 0x83;
constexpr uint8_t kBulkIn = 0x81;
constexpr uint8_t kBulkOut = 0x02;
constexpr size_t kMaxPacket = 64;
constexpr size_t kBulkReadSize = 4096;
// The device node of the emulated unit (bus 1, device 2).
constexpr const char *kDeviceNode = "/dev/bus/usb/001/002";

// A USB packet: type, id and data size in the 12-byte header, then the data.
Bytes aUsbPacket(uint8_t bType, uint16_t sId, const Bytes &aData);
// A Garmin message as an application-layer packet (type 20, id = record id).
Bytes aMessage(uint8_t bRecordId, const Bytes &aData);

enum class Pipe { kInterrupt, kBulk };

class UsbConversation {
  public:
    // The program writes this packet.
    void vHostSends(const Bytes &aPacket, const std::string &sWhat);
    // The unit sends a packet. On the bulk pipe it joins the packets the
    // program is draining, or starts a new batch with "data available".
    void vUnitSends(const Bytes &aPacket, Pipe ePipe, const std::string &sWhat);
    // The unit's bulk queue has run empty: the program's next read of the
    // bulk pipe gets zero bytes (and the next bulk packet needs a new batch).
    void vBulkQueueRunsEmpty();
    // The unit falls silent: up to iReads reads of the interrupt pipe fail,
    // one after the other, until the program writes again. The program may
    // use fewer of them (it stops reading at a time of its own); the replay
    // check accepts any first part of them.
    void vUnitFallsSilent(int iReads);

    // The script for umockdev-run --ioctl.
    std::string sScript() const;
    // Lines of the conversation (without the closing ones).
    int iLines() const { return static_cast<int>(m_aLines.size()); }
    // What the statistics line of the program should say.
    long lBytesRead() const { return m_lBytesRead; }
    long lBytesSent() const { return m_lBytesSent; }

    // Checks umockdev's ioctl-tree trace (UMOCKDEV_DEBUG=ioctl-tree) of a run:
    // "" when every line was used once, in order, and no other URB was
    // submitted; otherwise what went wrong.
    std::string sCheckReplay(const std::string &sTrace) const;

  private:
    struct Line {
        uint8_t bType; // 1 interrupt, 3 bulk
        uint8_t bEndpoint;
        int iStatus;
        size_t nBufferLength;
        Bytes aData; // what the URB carries (IN: what the unit returns)
        std::string sWhat;
        bool fOptional = false;
    };
    void vAdd(uint8_t bType, uint8_t bEndpoint, size_t nBufferLength, const Bytes &aData,
              const std::string &sWhat);
    void vEndBulkBatch();
    std::string sDescribe(int iTag) const;

    std::vector<Line> m_aLines;
    bool m_fDraining = false;
    bool m_fQueueEmpty = false;
    long m_lBytesRead = 0;
    long m_lBytesSent = 0;
};

} // namespace usbemu
