#pragma once
// The program's one case-insensitive comparison of names, keywords and file
// extensions. ASCII letters only: the names compared are plain ASCII, and a byte
// of another character set must not match one of them by accident, whatever
// the locale.

#include <string_view>

bool fEqualsNoCase(std::string_view a, std::string_view b);
