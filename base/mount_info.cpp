#include <charconv>

#include "base/mounts.h"

namespace {

// The next field separated by blanks, or an empty view at the end of the line.
std::string_view svNextField(std::string_view &svLine) {
    size_t nStart = svLine.find_first_not_of(' ');
    if (nStart == std::string_view::npos) {
        svLine = {};
        return {};
    }
    svLine.remove_prefix(nStart);
    size_t nEnd = svLine.find(' ');
    std::string_view svField = svLine.substr(0, nEnd);
    svLine.remove_prefix(nEnd == std::string_view::npos ? svLine.size() : nEnd);
    return svField;
}

// The kernel writes blanks, tabs, line feeds and backslashes of a path as
// three octal digits after a backslash.
std::string sUnescape(std::string_view sv) {
    std::string s;
    s.reserve(sv.size());
    for (size_t i = 0; i < sv.size(); ++i) {
        if (sv[i] == '\\' && i + 3 < sv.size()) {
            unsigned uValue = 0;
            bool fOctal = true;
            for (size_t k = 1; k <= 3; ++k) {
                if (sv[i + k] < '0' || sv[i + k] > '7') {
                    fOctal = false;
                    break;
                }
                uValue = uValue * 8 + static_cast<unsigned>(sv[i + k] - '0');
            }
            if (fOctal && uValue < 256) {
                s += static_cast<char>(uValue);
                i += 3;
                continue;
            }
        }
        s += sv[i];
    }
    return s;
}

} // namespace

std::vector<MountInfoEntry> aParseMountInfo(std::string_view svText) {
    std::vector<MountInfoEntry> a;
    while (!svText.empty()) {
        size_t nEnd = svText.find('\n');
        std::string_view svLine = svText.substr(0, nEnd);
        svText.remove_prefix(nEnd == std::string_view::npos ? svText.size() : nEnd + 1);
        // mount id, parent id, major:minor, root, mount point, options,
        // optional fields up to "-", file system type, source, super options.
        svNextField(svLine);
        svNextField(svLine);
        std::string_view svDevice = svNextField(svLine);
        svNextField(svLine);
        std::string_view svMountPoint = svNextField(svLine);
        MountInfoEntry o;
        size_t nColon = svDevice.find(':');
        if (svMountPoint.empty() || nColon == std::string_view::npos) {
            continue;
        }
        const char *pEnd = svDevice.data() + svDevice.size();
        auto [pMajorEnd, eMajor] =
            std::from_chars(svDevice.data(), svDevice.data() + nColon, o.uMajor);
        auto [pMinorEnd, eMinor] = std::from_chars(svDevice.data() + nColon + 1, pEnd, o.uMinor);
        if (eMajor != std::errc() || eMinor != std::errc() ||
            pMajorEnd != svDevice.data() + nColon || pMinorEnd != pEnd) {
            continue;
        }
        for (std::string_view svField = svNextField(svLine); !svField.empty();
             svField = svNextField(svLine)) {
            if (svField == "-") {
                o.sFsType = std::string(svNextField(svLine));
                break;
            }
        }
        if (o.sFsType.empty()) {
            continue;
        }
        o.sMountPoint = sUnescape(svMountPoint);
        a.push_back(std::move(o));
    }
    return a;
}
