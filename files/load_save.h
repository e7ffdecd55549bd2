#pragma once
// Every load and save of the run goes through these two: the file type comes
// from the name (for a load, where the name leaves room for doubt, from the
// file's first line), the work goes to that type's reader or writer.

#include <cstdint>

struct Workspace;

// The file type (store/file_kinds.h) a load reads the file as.
int16_t sLoadFileType(const char *pszFileName);

int iLoadFile(Workspace *pWorkspace, const char *pszFileName);
// iKindMask: the kKind... bits of store/file_kinds.h (kKindAll for everything).
int iSaveFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask);
