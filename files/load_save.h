#pragma once
// Every load and save of the run goes through these two: the file type comes
// from the name (or the store's sFileType), the work goes to that type's reader
// or writer.

struct Workspace;

int iLoadFile(Workspace *pWorkspace, const char *pszFileName);
// iKindMask: the kKind... bits of store/file_kinds.h (kKindAll for everything).
int iSaveFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask);
