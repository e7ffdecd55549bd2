#pragma once
// The receiver's side of the serial link: reads host frames from the master
// side of a pseudo-terminal, checks and acknowledges them, sends its own frames
// and waits for their acknowledgement, resending like a unit does. It also
// injects the faults chosen on the command line and logs every frame.

#include <cstdint>
#include <cstdio>
#include <deque>
#include <vector>

struct SimMessage {
    uint8_t bId = 0;
    std::vector<uint8_t> aData;
};

// Faults, each tied to a frame number counted from 1 over the simulator's life.
// Sim frames count every frame the simulator sends (ACKs included); host frames
// count the frames of the host that ask for an acknowledgement (not ACK/NAK).
struct SimFaults {
    int iCorruptChecksumOfSimFrame = 0; // send sim frame N with a wrong checksum
    int iNakHostFrame = 0;              // answer host frame N with a NAK
    int iDropAckOfHostFrame = 0;        // neither acknowledge nor act on host frame N
    int iNoiseBeforeSimFrame = 0;       // send noise bytes before sim frame N
    int iSilenceAfterSimFrame = 0;      // after sim frame N, never send anything again
    int iDataInsteadOfAck = 0;          // answer host frame N with a data record, no ACK
};

class SimLink {
  public:
    SimLink(int iFd, const SimFaults &oFaults, std::FILE *pLog);

    // Waits up to iTimeoutMs for the next host message that needs handling.
    // ACK/NAK frames that arrive while nothing is awaited are dropped. 1 when
    // *pMessage holds a message (already acknowledged), 0 on time-out.
    int iNextMessage(SimMessage *pMessage, int iTimeoutMs);
    // Sends one message and waits for its ACK; resends after a NAK, a wrong
    // ACK or a second of silence, three attempts in all. Host data frames that
    // come in meanwhile are acknowledged and kept for iNextMessage.
    int iSend(uint8_t bId, const std::vector<uint8_t> &aData);
    // Sends one message once, without waiting for its ACK (a host's ACK that
    // comes later is dropped like any stray one).
    void vSendOnce(uint8_t bId, const std::vector<uint8_t> &aData) { vWriteFrame(bId, aData); }

    int iSimFramesSent() const { return m_iSimFrames; }
    int iHostFramesRead() const { return m_iHostFrames; }
    bool fSilent() const { return m_fSilent; }

    // Acknowledgement wait before a resend, in milliseconds.
    int iAckTimeoutMs = 1000;

    // The line speed the unit speaks. A host frame sent at another speed (the
    // speed the host set on its side of the terminal) is not understood.
    uint32_t lSpeed() const { return m_lSpeed; }
    // After the unit's answer to a speed request was acknowledged: the unit
    // goes to lBaud and goes back to 9600 unless two pings come at the new
    // speed within two seconds. The first iDropPings pings go unanswered;
    // with fMute the unit says nothing at all from then on.
    void vBeginSpeedChange(uint32_t lBaud, int iDropPings, bool fMute);

  private:
    // A ping (command 0x3A) arrived; counted before its ACK leaves.
    void vNotePing();
    enum class FrameResult { kFrame, kBadChecksum, kTimeout, kGarbled };
    uint32_t lHostSpeed() const;
    void vCheckSpeedFallback();
    // Whether the host's side of the terminal was at the unit's speed is
    // looked at whenever the unit writes, begins to wait for a frame and has
    // read one; a frame counts as understood when any look since the last
    // frame found it so. A host that closes its port right after a frame
    // puts the terminal back to the settings it found (9600 baud) until it
    // opens the port again, and the frame may be read only then.
    void vNoteHostSpeed();
    void vLogLine(const char *pszFormat, unsigned long l1, unsigned long l2 = 0);
    FrameResult eReadFrame(SimMessage *pMessage, int iTimeoutMs);
    int iSimReadByte(uint8_t *pb, int iTimeoutMs);
    void vWriteFrame(uint8_t bId, const std::vector<uint8_t> &aData);
    void vWriteRaw(const std::vector<uint8_t> &aBytes, const char *pszTag);
    void vAnswer(uint8_t bAckId, uint8_t bAnsweredId);
    // Acknowledges (or faults) a host data frame; 1 when it should be acted on.
    int iAcceptHostFrame(const SimMessage &oMessage);
    void vLog(const char *pszDirection, const std::vector<uint8_t> &aBytes);

    int m_iFd;
    SimFaults m_oFaults;
    std::FILE *m_pLog;
    int m_iSimFrames = 0;
    int m_iHostFrames = 0;
    bool m_fSilent = false;
    std::vector<uint8_t> m_aRawIn; // wire bytes of the frame being read, for the log
    std::deque<SimMessage> m_aPending;
    uint32_t m_lSpeed = 9600;
    bool m_fHostAtUnitSpeed = false;
    bool m_fAwaitingPings = false;
    int m_iPings = 0;
    int m_iDropPings = 0;
    int64_t m_lPingDeadline = 0;
};
