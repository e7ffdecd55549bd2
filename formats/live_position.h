#pragma once
// Where the live position of a receiver goes, by the file's extension:
// - .NME: NMEA 0183, one $GPRMC and one $GPGGA sentence per fix;
// - .GPX: a track of the fixes, a complete GPX file after every fix (each fix
//   is written over the closing tags, which follow it again);
// - .KML: the current position and a trail of the last fixes, the file
//   replaced as a whole for each fix, so that a reader never sees half of it;
// - "-": NMEA on the stream the caller hands over (standard output).
// The file is created at the first fix with a position, so a run that never
// gets one leaves an existing file as it was.

#include <cstdio>
#include <deque>
#include <string>

#include "formats/output_file.h"
#include "store/position_fix.h"

enum class LiveFormat { kNone, kNmea, kGpx, kKml };

// The format for a file name; kNone for an extension without live output.
LiveFormat eLiveFormatOf(const char *pszFile);

// The sentences of a fix, each with its checksum and without line end.
std::string sFormatLiveRmc(const PositionFix &oFix);
std::string sFormatLiveGga(const PositionFix &oFix);

// The trail a KML file keeps.
constexpr size_t kKmlTrailFixes = 1000;

class LivePositionSink {
  public:
    LivePositionSink() = default;
    LivePositionSink(const LivePositionSink &) = delete;
    LivePositionSink &operator=(const LivePositionSink &) = delete;
    ~LivePositionSink();

    // pszFile "-" writes NMEA to pStream. 0 for a name of no live format.
    int iOpen(const char *pszFile, std::FILE *pStream);
    // Writes one fix; fixes without a position are not written. 0 once a
    // write failed (reported on standard error once).
    int iWrite(const PositionFix &oFix);
    // Ends the file; 1 when every write succeeded.
    int iClose();

    long lFixesWritten() const { return m_lWritten; }

  private:
    int iStart();
    int iWriteNmea(const PositionFix &oFix);
    int iWriteGpx(const PositionFix &oFix);
    int iWriteKml();
    int iFail(const char *pszWhat);

    LiveFormat m_eFormat = LiveFormat::kNone;
    std::string m_sFile;
    std::FILE *m_pStream = nullptr; // NMEA or GPX output once started
    bool m_fOwnStream = false;
    bool m_fFailed = false;
    long m_lWritten = 0;
    long m_lGpxEnd = 0; // where the closing tags of the GPX file begin
    std::deque<PositionFix> m_aTrail;
};
