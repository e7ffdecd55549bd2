#pragma once
// Records over the link: sending waypoints, track points, track and route
// headers in the formats the receiver speaks, and storing what was received.
// A received record is read from the link's receive buffer.

#include <cstdint>

#include "device/track_records.h"
#include "store/records.h"

struct DeviceLink;
struct Workspace;

// Builds the waypoint record of the given format and sends it with the given
// record id (waypoint, proximity waypoint or route waypoint). 0 for a format
// the program does not know, otherwise the send's result.
int iSendWaypoint(DeviceLink *pLink, const Waypoint &oWaypoint, uint8_t bRecordId, int iFormat);
// Stores the waypoint record in the receive buffer with iAddWaypoint. When
// pszName (kNameSize bytes) is given, the record's name is copied there, for
// a receiver's own waypoint (which is not stored) too, so that routes keep
// every point. 1 for a stored or a skipped receiver waypoint; 0 when the add
// failed or the record does not fit its format.
// With pRoute, the waypoint becomes the route's next point (iAddRoutePoint).
int iStoreReceivedWaypoint(Workspace *pWorkspace, const DeviceLink *pLink, int iFormat,
                           char *pszName, Route *pRoute = nullptr);

// Sends a track point in the selected track point format; 1 without sending
// when the format is not 300, 301 or 302.
int iSendTrackPoint(DeviceLink *pLink, const TrackPoint &oPoint);
// Sends the track header in the selected header format; 1 without sending when
// it is none of 310, 311, 312.
int iSendTrackHeader(DeviceLink *pLink, const TrackHeader &oHeader);
// What a track download carries from one record to the next.
struct TrackDownloadState {
    bool fNextStartsSegment = false; // after a track header that starts a track
    int32_t lTrack = -1;             // the store's track of the last header, or -1
    int iWithoutPosition = 0;        // fitness points without a fix in a row
};
// Stores the track point in the receive buffer. With fKeepAll 0 a point
// without a time is left out, which is not a failure; so is a fitness unit's
// point without a fix, which has nothing the store could place. After two of
// those in a row (the units' mark for a pause) or after a track header given
// in pState, the next stored point starts a segment.
int iStoreReceivedTrackPoint(Workspace *pWorkspace, const DeviceLink *pLink, int fKeepAll,
                             TrackDownloadState *pState = nullptr);

// Sends the route header in the selected header format; 1 without sending
// when it is none of 200, 201, 202.
int iSendRouteHeader(DeviceLink *pLink, const Route &oRoute);
// Sends the straight link between two route points in the selected link
// format; 1 without sending when there is none.
int iSendRouteLink(DeviceLink *pLink);
// Fills a cleared route from the route header in the receive buffer.
void vReadRouteHeader(const DeviceLink *pLink, Route &oRoute);
