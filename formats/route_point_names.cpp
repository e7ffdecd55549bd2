#include "formats/route_point_names.h"

#include <cstring>
#include <set>
#include <string>

#include "store/records.h"

namespace {

// Names compare as unsigned bytes, as everywhere in the store.
std::set<std::string, std::less<>> &oNames() {
    static std::set<std::string, std::less<>> oSet;
    return oSet;
}

std::string_view svBoundedName(const char *pszName) {
    // A name is at most 50 characters: the field holds 51 bytes with the terminator.
    const void *pEnd = std::memchr(pszName, '\0', kNameSize - 1);
    size_t nLength = pEnd != nullptr
                         ? static_cast<size_t>(static_cast<const char *>(pEnd) - pszName)
                         : kNameSize - 1;
    return std::string_view(pszName, nLength);
}

} // namespace

void vAddRoutePointName(const char *pszName) {
    if (pszName != nullptr) {
        oNames().emplace(svBoundedName(pszName));
    }
}

int iHasRoutePointName(const char *pszName) {
    if (pszName == nullptr) {
        return 0;
    }
    return oNames().find(svBoundedName(pszName)) != oNames().end() ? 1 : 0;
}

void vClearRoutePointNames() {
    oNames().clear();
}

int iRoutePointNameCount() {
    return static_cast<int>(oNames().size());
}
