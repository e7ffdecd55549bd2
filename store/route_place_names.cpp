#include "store/route_place_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

using PlaceKey = std::tuple<std::string, int32_t, int32_t>;

bool fTaken(const DataStore &oStore, const RoutePlaceNames &oNames, const std::string &sName) {
    return oStore.pWaypoints.count(sName) != 0 || oNames.aPlaces.count(sName) != 0;
}

// The first name of the form "<name>-<n>" (n from 2), the name cut so that
// the whole fits nNameLength bytes, that is still free.
bool fFreeName(const DataStore &oStore, const RoutePlaceNames &oNames, const char *pszName,
               size_t nNameLength, std::string &sOut) {
    const size_t nLength = std::strlen(pszName);
    for (unsigned long n = 2; n < 1000000; ++n) {
        char szSuffix[16];
        int iSuffix = std::snprintf(szSuffix, sizeof(szSuffix), "-%lu", n);
        if (iSuffix <= 0 || static_cast<size_t>(iSuffix) >= nNameLength) {
            return false;
        }
        size_t nKeep = std::min(nLength, nNameLength - static_cast<size_t>(iSuffix));
        sOut.assign(pszName, nKeep);
        sOut += szSuffix;
        if (!fTaken(oStore, oNames, sOut)) {
            return true;
        }
    }
    return false;
}

} // namespace

int iNameRoutePlaces(const DataStore &oStore, size_t nNameLength, RoutePlaceNames &oNames) {
    oNames = RoutePlaceNames{};
    try {
        std::map<PlaceKey, std::string> aByPlace;
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            for (const auto &[nPoint, oPlace] : oRoute.aOwnPlaces) {
                PlaceKey oKey{oPlace.szName, oPlace.lLatitude, oPlace.lLongitude};
                auto it = aByPlace.find(oKey);
                if (it == aByPlace.end()) {
                    std::string sName;
                    if (!fFreeName(oStore, oNames, oPlace.szName, nNameLength, sName)) {
                        return 0;
                    }
                    Waypoint oRenamed = oPlace;
                    std::memset(oRenamed.szName, 0, sizeof(oRenamed.szName));
                    std::memcpy(oRenamed.szName, sName.data(),
                                std::min(sName.size(), sizeof(oRenamed.szName) - 1));
                    oNames.aPlaces.emplace(sName, oRenamed);
                    it = aByPlace.emplace(std::move(oKey), sName).first;
                }
                oNames.aNames.emplace(std::make_pair(lNumber, nPoint), it->second);
            }
        }
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}

const char *pszRoutePointName(const RoutePlaceNames &oNames, const Route &oRoute, uint32_t nPoint) {
    if (!oNames.aNames.empty()) {
        auto it = oNames.aNames.find(std::make_pair(oRoute.lNumber, nPoint));
        if (it != oNames.aNames.end()) {
            return it->second.c_str();
        }
    }
    return nPoint < oRoute.aszPoints.size() ? oRoute.aszPoints[nPoint].sz : "";
}
