#pragma once
// The build date and time of the program, "yy/mm/dd hh:mm:ss".
const char *pszBuildStamp();
