#pragma once
// The program's own binary data file (.VKD): routes, waypoints and track points
// byte for byte as the store holds them. Version 1.2 is written; 1.0, 1.1 and
// 1.2 are read.

#include <cstdint>
#include <span>
#include <vector>

struct Workspace;

constexpr int kNativeHeaderSize = 12;

// Reads the file into the store. 1 when the header was accepted and every
// record read and added; otherwise 0, with the records before the fault kept.
int iReadNativeFile(Workspace *pWorkspace, const char *pszFileName);
// The same over bytes in memory; pszName names the data in messages.
int iReadNativeBuffer(Workspace *pWorkspace, std::span<const uint8_t> aData, const char *pszName);

// Writes the store with the kind mask (the kKind... bits of store/file_kinds.h).
// With routes but not waypoints, the waypoints the routes name are written.
int iWriteNativeFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask);
// The same into memory.
void vBuildNativeImage(Workspace *pWorkspace, int iKindMask, std::vector<uint8_t> &aOut);
