#pragma once
// Builds expected record bytes piece by piece, the way the layouts are written
// down: a field at a time, in order.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

class ExpectedBytes {
  public:
    ExpectedBytes &operator()(std::initializer_list<int> aiBytes) {
        for (int i : aiBytes) {
            m_a.push_back(static_cast<uint8_t>(i));
        }
        return *this;
    }
    ExpectedBytes &vText(const std::string &s) {
        m_a.insert(m_a.end(), s.begin(), s.end());
        return *this;
    }
    // The text, then blanks up to nWidth.
    ExpectedBytes &vPadded(const std::string &s, size_t nWidth) {
        vText(s);
        m_a.insert(m_a.end(), nWidth - s.size(), ' ');
        return *this;
    }
    ExpectedBytes &vRepeat(int iByte, size_t n) {
        m_a.insert(m_a.end(), n, static_cast<uint8_t>(iByte));
        return *this;
    }
    ExpectedBytes &vI32(int32_t l) {
        for (int i = 0; i < 4; ++i) {
            m_a.push_back(static_cast<uint8_t>(static_cast<uint32_t>(l) >> (8 * i)));
        }
        return *this;
    }
    const std::vector<uint8_t> &aBytes() const { return m_a; }

  private:
    std::vector<uint8_t> m_a;
};
