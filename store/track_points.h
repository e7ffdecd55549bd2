#pragma once
// The points of one track, in blocks of a few hundred records: appending is
// O(1) without the doubling peak of one growing array (a million points cost
// little more than their 20 bytes each), and a point inserted in the middle
// moves at most one block. Blocks are never empty.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/records.h"

class TrackPoints {
  public:
    static constexpr size_t kBlockSize = 512;

    class const_iterator {
      public:
        using value_type = TrackPoint;
        using difference_type = std::ptrdiff_t;
        using pointer = const TrackPoint *;
        using reference = const TrackPoint &;
        using iterator_category = std::forward_iterator_tag;

        const_iterator() = default;
        const_iterator(const std::vector<std::vector<TrackPoint>> *pBlocks, size_t nBlock)
            : m_pBlocks(pBlocks), m_nBlock(nBlock) {}
        reference operator*() const { return (*m_pBlocks)[m_nBlock][m_nIndex]; }
        pointer operator->() const { return &**this; }
        const_iterator &operator++() {
            if (++m_nIndex == (*m_pBlocks)[m_nBlock].size()) {
                ++m_nBlock;
                m_nIndex = 0;
            }
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator o = *this;
            ++*this;
            return o;
        }
        bool operator==(const const_iterator &o) const {
            return m_nBlock == o.m_nBlock && m_nIndex == o.m_nIndex;
        }

      private:
        const std::vector<std::vector<TrackPoint>> *m_pBlocks = nullptr;
        size_t m_nBlock = 0;
        size_t m_nIndex = 0;
    };

    size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }
    const_iterator begin() const { return const_iterator(&m_aBlocks, 0); }
    const_iterator end() const { return const_iterator(&m_aBlocks, m_aBlocks.size()); }
    const TrackPoint &front() const { return m_aBlocks.front().front(); }
    const TrackPoint &back() const { return m_aBlocks.back().back(); }

    // Each may throw std::bad_alloc; the points stay as they were then.
    void vAppend(const TrackPoint &oPoint);
    // Inserts by time (signed): in front of stored points of the same non-zero
    // time; an untimed point (time 0) after the untimed ones stored.
    void vInsertByTime(const TrackPoint &oPoint);
    // Sets the segment mark of the first point.
    void vMarkFirstSegment(int32_t fNewSegment);

  private:
    std::vector<std::vector<TrackPoint>> m_aBlocks;
    size_t m_nSize = 0;
};
