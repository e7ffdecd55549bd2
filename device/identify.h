#pragma once
// Identification of the receiver: product data, protocol capabilities, clock.

struct DeviceLink;
struct Workspace;

int iIdentifyUnit(Workspace *pWorkspace, DeviceLink *pLink);
int iReadUnitTime(DeviceLink *pLink);

// After identification: a unit that lists A800 reports its position on its
// own; it is told once to stop (command 50). It need not answer: some units
// do not acknowledge the command, which is no fault.
void vStopPositionReports(DeviceLink *pLink);
