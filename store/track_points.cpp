#include "store/track_points.h"

#include <algorithm>

namespace {

// The first place a point of time lTime may go: before the first later point,
// or before the first of the same time; an untimed point goes after the
// untimed ones.
bool fGoesBefore(int32_t lTime, const TrackPoint &oStored) {
    return lTime == 0 ? oStored.lTime > 0 : oStored.lTime >= lTime;
}

std::vector<TrackPoint> aNewBlock() {
    std::vector<TrackPoint> a;
    a.reserve(TrackPoints::kBlockSize);
    return a;
}

} // namespace

void TrackPoints::vAppend(const TrackPoint &oPoint) {
    if (m_aBlocks.empty() || m_aBlocks.back().size() == kBlockSize) {
        std::vector<TrackPoint> aBlock = aNewBlock();
        aBlock.push_back(oPoint);
        m_aBlocks.push_back(std::move(aBlock));
    } else {
        m_aBlocks.back().push_back(oPoint);
    }
    ++m_nSize;
}

void TrackPoints::vInsertByTime(const TrackPoint &oPoint) {
    const int32_t lTime = oPoint.lTime;
    // Tracks arrive in time order: a point after the last one goes at the end.
    if (m_aBlocks.empty() || !fGoesBefore(lTime, back())) {
        vAppend(oPoint);
        return;
    }
    // The first block whose last point the new one goes before.
    auto itBlock = std::partition_point(
        m_aBlocks.begin(), m_aBlocks.end(),
        [lTime](const std::vector<TrackPoint> &a) { return !fGoesBefore(lTime, a.back()); });
    std::vector<TrackPoint> *pBlock = &*itBlock;
    size_t nAt = static_cast<size_t>(
        std::partition_point(pBlock->begin(), pBlock->end(),
                             [lTime](const TrackPoint &o) { return !fGoesBefore(lTime, o); }) -
        pBlock->begin());
    if (pBlock->size() == kBlockSize) {
        // A full block splits in two halves; the point goes into the one that
        // holds its place.
        std::vector<TrackPoint> aUpper = aNewBlock();
        aUpper.assign(pBlock->begin() + kBlockSize / 2, pBlock->end());
        size_t nBlock = static_cast<size_t>(itBlock - m_aBlocks.begin());
        m_aBlocks.insert(itBlock + 1, std::move(aUpper));
        pBlock = &m_aBlocks[nBlock];
        pBlock->resize(kBlockSize / 2);
        if (nAt > kBlockSize / 2) {
            pBlock = &m_aBlocks[nBlock + 1];
            nAt -= kBlockSize / 2;
        }
    }
    pBlock->insert(pBlock->begin() + static_cast<std::ptrdiff_t>(nAt), oPoint);
    ++m_nSize;
}

void TrackPoints::vMarkFirstSegment(int32_t fNewSegment) {
    if (!m_aBlocks.empty()) {
        m_aBlocks.front().front().fNewSegment = fNewSegment;
    }
}
