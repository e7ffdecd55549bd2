#pragma once
// Identification of the receiver: product data, protocol capabilities, clock.

struct DeviceLink;
struct Workspace;

int iIdentifyUnit(Workspace *pWorkspace, DeviceLink *pLink);
int iReadUnitTime(DeviceLink *pLink);
