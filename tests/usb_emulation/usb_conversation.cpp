#include "usb_conversation.h"

#include <cstdio>
#include <sstream>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

namespace usbemu {

namespace {

constexpr uint8_t kUrbInterrupt = USBDEVFS_URB_TYPE_INTERRUPT;
constexpr uint8_t kUrbBulk = USBDEVFS_URB_TYPE_BULK;
// What the closing lines answer: a transfer error (-EPROTO).
constexpr int kFailedTransfer = -71;

std::string sHex(const Bytes &a) {
    std::string s;
    char sz[3];
    for (uint8_t b : a) {
        std::snprintf(sz, sizeof(sz), "%02X", b);
        s += sz;
    }
    return s;
}

} // namespace

Bytes aUsbPacket(uint8_t bType, uint16_t sId, const Bytes &aData) {
    // Field by field: type, three reserved bytes, id, two reserved, data size, data.
    Bytes a(12 + aData.size(), 0);
    a[0] = bType;
    a[4] = static_cast<uint8_t>(sId);
    a[5] = static_cast<uint8_t>(sId >> 8);
    const auto lSize = static_cast<uint32_t>(aData.size());
    for (int i = 0; i < 4; ++i) {
        a[8 + i] = static_cast<uint8_t>(lSize >> (8 * i));
    }
    for (size_t n = 0; n < aData.size(); ++n) {
        a[12 + n] = aData[n];
    }
    return a;
}

Bytes aMessage(uint8_t bRecordId, const Bytes &aData) {
    return aUsbPacket(20, bRecordId, aData);
}

void UsbConversation::vAdd(uint8_t bType, uint8_t bEndpoint, size_t nBufferLength,
                           const Bytes &aData, const std::string &sWhat) {
    m_aLines.push_back({bType, bEndpoint, 0, nBufferLength, aData, sWhat});
    if (bEndpoint & 0x80) {
        m_lBytesRead += static_cast<long>(aData.size());
    }
}

void UsbConversation::vEndBulkBatch() {
    if (m_fDraining) {
        vAdd(kUrbBulk, kBulkIn, kBulkReadSize, {}, "bulk pipe empty (zero-length read)");
        m_fDraining = false;
    }
    m_fQueueEmpty = false;
}

void UsbConversation::vHostSends(const Bytes &aPacket, const std::string &sWhat) {
    vAdd(kUrbBulk, kBulkOut, aPacket.size(), aPacket, "host writes " + sWhat);
    m_lBytesSent += static_cast<long>(aPacket.size());
    if (aPacket.size() % kMaxPacket == 0) {
        vAdd(kUrbBulk, kBulkOut, 0, {}, "host ends " + sWhat + " (zero-length write)");
    }
}

void UsbConversation::vUnitSends(const Bytes &aPacket, Pipe ePipe, const std::string &sWhat) {
    if (ePipe == Pipe::kInterrupt || m_fQueueEmpty) {
        vEndBulkBatch();
    }
    if (ePipe == Pipe::kBulk) {
        if (!m_fDraining) {
            vAdd(kUrbInterrupt, kInterruptIn, kMaxPacket, aUsbPacket(0, 2, {}),
                 "unit: data available");
            m_fDraining = true;
        }
        vAdd(kUrbBulk, kBulkIn, kBulkReadSize, aPacket, "unit (bulk) " + sWhat);
        return;
    }
    for (size_t n = 0; n < aPacket.size(); n += kMaxPacket) {
        const size_t nEnd = std::min(aPacket.size(), n + kMaxPacket);
        vAdd(kUrbInterrupt, kInterruptIn, kMaxPacket,
             Bytes(aPacket.begin() + static_cast<long>(n),
                   aPacket.begin() + static_cast<long>(nEnd)),
             "unit (interrupt) " + sWhat + " bytes " + std::to_string(n) + ".." +
                 std::to_string(nEnd - 1));
    }
    if (aPacket.size() % kMaxPacket == 0) {
        vAdd(kUrbInterrupt, kInterruptIn, kMaxPacket, {},
             "unit ends " + sWhat + " (zero-length interrupt read)");
    }
}

void UsbConversation::vBulkQueueRunsEmpty() {
    m_fQueueEmpty = m_fDraining;
}

void UsbConversation::vUnitFallsSilent(int iReads) {
    vEndBulkBatch();
    for (int i = 0; i < iReads; ++i) {
        m_aLines.push_back({kUrbInterrupt,
                            kInterruptIn,
                            kFailedTransfer,
                            kMaxPacket,
                            {},
                            "unit silent (failed interrupt read)",
                            true});
    }
}

std::string UsbConversation::sScript() const {
    std::ostringstream o;
    o << "@DEV " << kDeviceNode << "\n";
    o << "# what a current kernel reports to libusb\n";
    o << "USBDEVFS_GET_CAPABILITIES 0 1F000000\n";
    // Fields: result, URB type, endpoint, status, flags, buffer length, actual
    // length, error count (here: the line's number), data.
    auto vWrite = [&](const Line &l, int iTag) {
        o << "# " << iTag << ": " << l.sWhat << "\n";
        o << "USBDEVFS_REAPURBNDELAY 0 " << static_cast<unsigned>(l.bType) << ' '
          << static_cast<unsigned>(l.bEndpoint) << ' ' << l.iStatus << " 0 " << l.nBufferLength
          << ' ' << l.aData.size() << ' ' << iTag << ' ' << sHex(l.aData) << "\n";
    };
    for (size_t i = 0; i < m_aLines.size(); ++i) {
        vWrite(m_aLines[i], static_cast<int>(i + 1));
    }
    // Closing lines: any further read fails (a further write matches no line).
    int iTag = iLines();
    vWrite({kUrbInterrupt, kInterruptIn, kFailedTransfer, kMaxPacket, {}, "closing: no more"},
           ++iTag);
    vWrite({kUrbBulk, kBulkIn, kFailedTransfer, kBulkReadSize, {}, "closing: no more"}, ++iTag);
    return o.str();
}

std::string UsbConversation::sDescribe(int iTag) const {
    if (iTag >= 1 && iTag <= iLines()) {
        return "line " + std::to_string(iTag) + " (" + m_aLines[iTag - 1].sWhat + ")";
    }
    if (iTag > iLines()) {
        return "a closing line (a read after the end of the conversation)";
    }
    return "no line at all (a URB the unit was not to receive)";
}

std::string UsbConversation::sCheckReplay(const std::string &sTrace) const {
    char szSubmit[16], szClaim[16], szRelease[16];
    std::snprintf(szSubmit, sizeof(szSubmit), "%X", static_cast<unsigned>(USBDEVFS_SUBMITURB));
    std::snprintf(szClaim, sizeof(szClaim), "%X", static_cast<unsigned>(USBDEVFS_CLAIMINTERFACE));
    std::snprintf(szRelease, sizeof(szRelease), "%X",
                  static_cast<unsigned>(USBDEVFS_RELEASEINTERFACE));
    // The interface is claimed before the first URB and released after the last.
    bool fClaimed = false, fClaimedFirst = true, fReleased = false;
    // The line each submitted URB was matched with, in order; 0 for none.
    std::vector<int> aiUsed;
    std::istringstream oIn(sTrace);
    std::string sLine, sNode;
    bool fSubmit = false;
    while (std::getline(oIn, sLine)) {
        const std::string sRequest = "ioctl_tree_execute ioctl ";
        if (sLine.compare(0, sRequest.size(), sRequest) == 0) {
            const std::string sId = sLine.substr(sRequest.size());
            fSubmit = sId == szSubmit;
            fClaimed = fClaimed || sId == szClaim;
            fClaimedFirst = fClaimedFirst && (fClaimed || !fSubmit);
            fReleased = sId == szRelease || (fReleased && !fSubmit);
            continue;
        }
        if (const size_t nNode = sLine.find("checking node "); nNode != std::string::npos) {
            const size_t nFields = sLine.find(") ", nNode);
            sNode = nFields == std::string::npos ? "" : sLine.substr(nFields + 2);
        }
        if (!fSubmit) {
            continue;
        }
        if (sLine.find("-> match") != std::string::npos) {
            // type endpoint status flags length actual error-count data
            std::istringstream oFields(sNode);
            long al[7] = {};
            for (long &l : al) {
                oFields >> l;
            }
            aiUsed.push_back(oFields ? static_cast<int>(al[6]) : 0);
            fSubmit = false;
        } else if (sLine.find("-> full iteration") != std::string::npos) {
            aiUsed.push_back(0);
            fSubmit = false;
        }
    }
    if (aiUsed.empty()) {
        return "umockdev's trace shows no submitted URB (is UMOCKDEV_DEBUG=ioctl-tree honoured?)";
    }
    // The line due next (0-based); silent lines the program did not use are
    // passed over, as umockdev passes over them for the next write.
    size_t nDue = 0;
    auto vSkipUnusedSilence = [&](int iUsed) {
        while (nDue < m_aLines.size() && m_aLines[nDue].fOptional &&
               iUsed != static_cast<int>(nDue + 1)) {
            ++nDue;
        }
    };
    for (size_t i = 0; i < aiUsed.size(); ++i) {
        vSkipUnusedSilence(aiUsed[i]);
        const int iExpected = static_cast<int>(nDue + 1);
        if (aiUsed[i] != iExpected) {
            return "URB " + std::to_string(i + 1) + " of the program used " + sDescribe(aiUsed[i]) +
                   " where " +
                   (iExpected <= iLines() ? sDescribe(iExpected)
                                          : std::string("the conversation had ended")) +
                   " was due";
        }
        ++nDue;
    }
    if (!fClaimedFirst) {
        return "the program submitted URBs without claiming the interface first";
    }
    if (!fReleased) {
        return "the program did not release the interface after its last URB";
    }
    vSkipUnusedSilence(0);
    if (nDue < m_aLines.size()) {
        return "the program stopped after " + std::to_string(aiUsed.size()) +
               " URBs; next: " + sDescribe(static_cast<int>(nDue + 1));
    }
    return "";
}

} // namespace usbemu
