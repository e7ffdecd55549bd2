#pragma once
// What each platform provides to base/file_replace.cpp: one file per platform
// (file_replace_posix.cpp, file_replace_win32.cpp).

// True when something stands at pszPath (a file, a folder, a link, even one
// that leads nowhere), or when the platform cannot tell that nothing does.
bool fPathTaken(const char *pszPath);
