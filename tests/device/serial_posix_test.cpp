// The POSIX serial backend over a pseudo-terminal: bytes come out in order
// however they arrive, whatever waits on the line is fetched in blocks, and
// silence or a vanished other side ends a read.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

#include "device/serial_backend.h"
#include "device/transport.h"

namespace {

// read() calls of the calling thread so far.
long lReadCalls() {
    std::FILE *pFile = std::fopen("/proc/thread-self/io", "r");
    if (pFile == nullptr) {
        return -1;
    }
    char szLine[128];
    long lCalls = -1;
    while (std::fgets(szLine, sizeof(szLine), pFile) != nullptr) {
        if (std::sscanf(szLine, "syscr: %ld", &lCalls) == 1) {
            break;
        }
    }
    std::fclose(pFile);
    return lCalls;
}

class PosixSerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_iMaster = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(m_iMaster, 0);
        ASSERT_EQ(grantpt(m_iMaster), 0);
        ASSERT_EQ(unlockpt(m_iMaster), 0);
        char szReason[200] = "";
        ASSERT_EQ(iOpenSerialBackend(ptsname(m_iMaster), &pPort, szReason, sizeof(szReason)), 1)
            << szReason;
    }
    void TearDown() override {
        pPort.reset();
        if (m_iMaster >= 0) {
            close(m_iMaster);
        }
    }
    void vSend(const std::vector<uint8_t> &a) {
        ASSERT_EQ(write(m_iMaster, a.data(), a.size()), static_cast<ssize_t>(a.size()));
    }
    std::vector<uint8_t> aRead(size_t n) {
        std::vector<uint8_t> a;
        uint8_t b = 0;
        while (a.size() < n && pPort->iReadByte(&b)) {
            a.push_back(b);
        }
        return a;
    }
    std::unique_ptr<SerialPort> pPort;
    int m_iMaster = -1;
};

TEST_F(PosixSerialTest, WaitingBytesAreFetchedInBlocksAndHandedOutInOrder) {
    std::vector<uint8_t> aLine(1000);
    for (size_t i = 0; i < aLine.size(); ++i) {
        aLine[i] = static_cast<uint8_t>(i * 37);
    }
    vSend(aLine);
    const long lBefore = lReadCalls();
    EXPECT_EQ(aRead(aLine.size()), aLine);
    if (lBefore >= 0) {
        // A pseudo-terminal hands over a few hundred bytes or more per read.
        EXPECT_LE(lReadCalls() - lBefore, 1000 / 32);
    }
    // What comes later is read on from where the block ended.
    vSend({0x10, 0x03});
    EXPECT_EQ(aRead(2), (std::vector<uint8_t>{0x10, 0x03}));
}

TEST_F(PosixSerialTest, SilenceAndAVanishedLineEndTheRead) {
    vSend({1, 2, 3});
    EXPECT_EQ(aRead(4), (std::vector<uint8_t>{1, 2, 3})); // the fourth meets silence
    close(m_iMaster);
    m_iMaster = -1;
    uint8_t b = 0;
    EXPECT_EQ(pPort->iReadByte(&b), 0);
}

} // namespace

#endif
