#pragma once
// Bounded little-endian reading and writing of binary records, independent of
// the host's byte order and struct padding.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// Reads fields one after another from a byte range. A read past the end fails,
// leaves the output untouched, and marks the reader as failed for good.
class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> aData) : m_aData(aData) {}

    bool fRead(void *pOut, size_t nSize) {
        if (m_fFailed || nSize > m_aData.size() - m_nPos) {
            m_fFailed = true;
            return false;
        }
        std::memcpy(pOut, m_aData.data() + m_nPos, nSize);
        m_nPos += nSize;
        return true;
    }
    bool fSkip(size_t nSize) {
        if (m_fFailed || nSize > m_aData.size() - m_nPos) {
            m_fFailed = true;
            return false;
        }
        m_nPos += nSize;
        return true;
    }
    bool fU8(uint8_t &b) { return fRead(&b, 1); }
    bool fU16(uint16_t &s) {
        uint8_t a[2];
        if (!fRead(a, 2)) {
            return false;
        }
        s = static_cast<uint16_t>(a[0] | (a[1] << 8));
        return true;
    }
    bool fI16(int16_t &s) {
        uint16_t u;
        if (!fU16(u)) {
            return false;
        }
        s = static_cast<int16_t>(u);
        return true;
    }
    bool fU32(uint32_t &l) {
        uint8_t a[4];
        if (!fRead(a, 4)) {
            return false;
        }
        l = static_cast<uint32_t>(a[0]) | (static_cast<uint32_t>(a[1]) << 8) |
            (static_cast<uint32_t>(a[2]) << 16) | (static_cast<uint32_t>(a[3]) << 24);
        return true;
    }
    bool fI32(int32_t &l) {
        uint32_t u;
        if (!fU32(u)) {
            return false;
        }
        l = static_cast<int32_t>(u);
        return true;
    }
    bool fF32(float &f) {
        uint32_t u;
        if (!fU32(u)) {
            return false;
        }
        f = std::bit_cast<float>(u);
        return true;
    }
    bool fF64(double &d) {
        uint32_t lLow, lHigh;
        if (!fU32(lLow) || !fU32(lHigh)) {
            return false;
        }
        d = std::bit_cast<double>(static_cast<uint64_t>(lLow) |
                                  (static_cast<uint64_t>(lHigh) << 32));
        return true;
    }

    size_t nPosition() const { return m_nPos; }
    size_t nRemaining() const { return m_aData.size() - m_nPos; }
    bool fFailed() const { return m_fFailed; }

  private:
    std::span<const uint8_t> m_aData;
    size_t m_nPos = 0;
    bool m_fFailed = false;
};

// Appends fields to a byte vector.
class ByteWriter {
  public:
    explicit ByteWriter(std::vector<uint8_t> &aOut) : m_aOut(aOut) {}

    void vBytes(const void *pData, size_t nSize) {
        if (nSize == 0) {
            return;
        }
        // resize and memcpy rather than insert: g++ 12 at -O3 warns falsely
        // about insert of a short constant range into an empty vector.
        size_t nOld = m_aOut.size();
        m_aOut.resize(nOld + nSize);
        std::memcpy(m_aOut.data() + nOld, pData, nSize);
    }
    void vU8(uint8_t b) { m_aOut.push_back(b); }
    void vU16(uint16_t s) {
        m_aOut.push_back(static_cast<uint8_t>(s));
        m_aOut.push_back(static_cast<uint8_t>(s >> 8));
    }
    void vI16(int16_t s) { vU16(static_cast<uint16_t>(s)); }
    void vU32(uint32_t l) {
        for (int i = 0; i < 4; ++i) {
            m_aOut.push_back(static_cast<uint8_t>(l >> (8 * i)));
        }
    }
    void vI32(int32_t l) { vU32(static_cast<uint32_t>(l)); }
    void vF32(float f) { vU32(std::bit_cast<uint32_t>(f)); }
    void vF64(double d) {
        uint64_t u = std::bit_cast<uint64_t>(d);
        vU32(static_cast<uint32_t>(u));
        vU32(static_cast<uint32_t>(u >> 32));
    }

  private:
    std::vector<uint8_t> &m_aOut;
};
