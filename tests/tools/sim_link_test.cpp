// The simulated unit's side of the line, as a host that writes the bytes
// itself sees it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "device/link_layer.h"
#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

class RawHost {
  public:
    explicit RawHost(const std::string &sTerminal)
        : m_iFd(open(sTerminal.c_str(), O_RDWR | O_NOCTTY)) {}
    ~RawHost() {
        if (m_iFd >= 0) {
            close(m_iFd);
        }
    }
    RawHost(const RawHost &) = delete;
    RawHost &operator=(const RawHost &) = delete;

    bool fSpeed(speed_t lSpeed) {
        termios o{};
        if (tcgetattr(m_iFd, &o) != 0) {
            return false;
        }
        cfmakeraw(&o);
        cfsetspeed(&o, lSpeed);
        return tcsetattr(m_iFd, TCSANOW, &o) == 0;
    }
    bool fWrite(const Bytes &a) {
        return write(m_iFd, a.data(), a.size()) == static_cast<ssize_t>(a.size());
    }
    // What comes within dSeconds, or until nBytes have come.
    Bytes aRead(size_t nBytes, double dSeconds) {
        Bytes a;
        const double dDeadline = dSecondsNow() + dSeconds;
        while (a.size() < nBytes && dSecondsNow() < dDeadline) {
            pollfd oPoll{m_iFd, POLLIN, 0};
            uint8_t ab[64];
            if (poll(&oPoll, 1, 50) == 1) {
                const ssize_t n = read(m_iFd, ab, sizeof(ab));
                a.insert(a.end(), ab, ab + (n > 0 ? n : 0));
            }
        }
        return a;
    }

  private:
    int m_iFd;
};

Bytes aFrame(const Bytes &aMessage) {
    return aBuildSerialFrame(aMessage);
}

TEST(SimLink, FrameCutShortByAHostFlushDoesNotSwallowTheNextOne) {
    TempFolder oDir;
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--log", oDir.sPath("frames.log")}), 1);
    RawHost oHost(oSim.sTerminal());
    ASSERT_TRUE(oHost.fSpeed(B9600));
    // 115200 baud asked; the unit acknowledges and answers with its clock's rate.
    ASSERT_TRUE(oHost.fWrite(aFrame({0x30, 4, 0x00, 0xC2, 0x01, 0x00})));
    EXPECT_EQ(oHost.aRead(18, 2.0), Bytes({0x10, 0x06, 0x02, 0x30, 0x00, 0xC8, 0x10, 0x03, 0x10,
                                           0x31, 0x04, 0xE9, 0xC1, 0x01, 0x00, 0x20, 0x10, 0x03}));
    // The host's ACK of that answer is cut short by its flush; the pings at
    // the new speed that follow are both understood and acknowledged.
    ASSERT_TRUE(oHost.fWrite({0x10, 0x06, 0x02}));
    usleep(100000);
    ASSERT_TRUE(oHost.fSpeed(B115200));
    const Bytes aAck = {0x10, 0x06, 0x02, 0x0A, 0x00, 0xEE, 0x10, 0x03};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(oHost.fWrite(aFrame({0x0A, 2, 0x3A, 0x00})));
        EXPECT_EQ(oHost.aRead(aAck.size(), 1.5), aAck) << "ping " << i + 1;
    }
    EXPECT_NE(sReadFile(oDir.sPath("frames.log")).find("# speed 115200 baud confirmed"),
              std::string::npos);
}

} // namespace
