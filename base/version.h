#pragma once
// The release of the program: the banner, the GPX creator and the packages
// name it. The build reads the number from this line, so it is the only copy.

constexpr const char *kszRelease = "0.5c";
