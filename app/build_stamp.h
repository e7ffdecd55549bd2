#pragma once
// The build date and time of the program, "yy/mm/dd hh:mm:ss": the time given
// by SOURCE_DATE_EPOCH when the build was configured with it set (UTC, so that
// two builds of one commit are the same), else when this unit was compiled.
const char *pszBuildStamp();
