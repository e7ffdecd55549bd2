#include "formats/xml_scan.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The file is read in pieces of this size; a token (a tag, a text, a comment)
// larger than one piece makes the scanner give up.
constexpr size_t kFileBuffer = 1 << 20;
constexpr int kMaxDepth = 256;
constexpr size_t kMaxAttributes = 32;

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

enum class Step {
    kOk,
    kMore, // the token runs past the bytes at hand
    kGiveUp
};

// Classes of bytes in text, attribute values and comments.
enum : uint8_t {
    kPlain,   // printable ASCII
    kBlank,   // tab, line feed
    kSpecial, // '&', '<', ']', carriage return, and bytes from 0x80 (UTF-8)
    kInvalid  // other controls and DEL, which the scanner leaves to the parser
};

constexpr std::array<uint8_t, 256> kCharClasses = [] {
    std::array<uint8_t, 256> a{};
    for (int c = 0; c < 256; ++c) {
        if (c == '\t' || c == '\n') {
            a[c] = kBlank;
        } else if (c == '&' || c == '<' || c == ']' || c == '\r' || c >= 0x80) {
            a[c] = kSpecial;
        } else if (c < 0x20 || c == 0x7F) {
            a[c] = kInvalid;
        } else {
            a[c] = kPlain;
        }
    }
    return a;
}();

// Name characters as the scanner takes them: ASCII only.
enum : uint8_t { kNotName, kNameChar, kNameStart };

constexpr std::array<uint8_t, 256> kNameClasses = [] {
    std::array<uint8_t, 256> a{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
            a[c] = kNameStart;
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            a[c] = kNameChar;
        }
    }
    return a;
}();

// What a run of characters held besides plain ones.
enum : unsigned {
    kFoundAmpersand = 1,
    kFoundLess = 2,
    kFoundReturn = 4,
    kFoundBlank = 8,    // tab, line feed or carriage return
    kFoundCdataEnd = 16 // "]]>"
};

bool fIsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The length of the UTF-8 character at p, or 0 when it is not one, or is one
// the scanner leaves to the parser (C1 controls, U+FFFE, U+FFFF).
size_t nUtf8Length(const unsigned char *p, const unsigned char *pEnd) {
    unsigned c = p[0];
    auto fFollow = [&](size_t i) {
        return pEnd - p > static_cast<ptrdiff_t>(i) && (p[i] & 0xC0) == 0x80;
    };
    if (c < 0xC2) {
        return 0;
    }
    if (c < 0xE0) {
        return fFollow(1) && !(c == 0xC2 && p[1] < 0xA0) ? 2 : 0;
    }
    if (c < 0xF0) {
        if (!fFollow(1) || !fFollow(2) || (c == 0xE0 && p[1] < 0xA0) ||
            (c == 0xED && p[1] >= 0xA0) || (c == 0xEF && p[1] == 0xBF && p[2] >= 0xBE)) {
            return 0;
        }
        return 3;
    }
    if (c < 0xF5) {
        if (!fFollow(1) || !fFollow(2) || !fFollow(3) || (c == 0xF0 && p[1] < 0x90) ||
            (c == 0xF4 && p[1] >= 0x90)) {
            return 0;
        }
        return 4;
    }
    return 0;
}

// Checks that [pBegin, pEnd) holds only characters the scanner takes, and
// says in fFound what else it holds. False: give up.
bool fCheckChars(const char *pBegin, const char *pEnd, unsigned &fFound) {
    const auto *p = reinterpret_cast<const unsigned char *>(pBegin);
    const auto *pStop = reinterpret_cast<const unsigned char *>(pEnd);
    while (p < pStop) {
        uint8_t bClass = kCharClasses[*p];
        if (bClass == kPlain) {
            ++p;
            continue;
        }
        if (bClass == kBlank) {
            fFound |= kFoundBlank;
            ++p;
            continue;
        }
        if (bClass == kInvalid) {
            return false;
        }
        unsigned char c = *p;
        if (c >= 0x80) {
            size_t n = nUtf8Length(p, pStop);
            if (n == 0) {
                return false;
            }
            p += n;
            continue;
        }
        if (c == '&') {
            fFound |= kFoundAmpersand;
        } else if (c == '<') {
            fFound |= kFoundLess;
        } else if (c == '\r') {
            fFound |= kFoundReturn | kFoundBlank;
        } else if (pStop - p >= 3 && p[1] == ']' && p[2] == '>') {
            fFound |= kFoundCdataEnd;
        }
        ++p;
    }
    return true;
}

void vAppendUtf8(uint32_t lCode, std::string &s) {
    if (lCode < 0x80) {
        s += static_cast<char>(lCode);
    } else if (lCode < 0x800) {
        s += static_cast<char>(0xC0 | (lCode >> 6));
        s += static_cast<char>(0x80 | (lCode & 0x3F));
    } else if (lCode < 0x10000) {
        s += static_cast<char>(0xE0 | (lCode >> 12));
        s += static_cast<char>(0x80 | ((lCode >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (lCode & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (lCode >> 18));
        s += static_cast<char>(0x80 | ((lCode >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((lCode >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (lCode & 0x3F));
    }
}

// A character reference without "&#" and ";": decimal, or "x" and hex. Only
// printable characters; controls, C1 controls and non-characters are left to
// the parser.
bool fCharacterReference(std::string_view sv, std::string &sOut) {
    int iBase = 10;
    if (!sv.empty() && sv.front() == 'x') {
        iBase = 16;
        sv.remove_prefix(1);
    }
    if (sv.empty() || sv.size() > 8) {
        return false;
    }
    uint32_t lCode = 0;
    for (char c : sv) {
        int iDigit = c >= '0' && c <= '9'                  ? c - '0'
                     : iBase == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                     : iBase == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                           : -1;
        if (iDigit < 0) {
            return false;
        }
        lCode = lCode * static_cast<uint32_t>(iBase) + static_cast<uint32_t>(iDigit);
    }
    bool fTaken = (lCode >= 0x20 && lCode < 0x7F) || (lCode >= 0xA0 && lCode < 0xD800) ||
                  (lCode >= 0xE000 && lCode < 0xFFFE) || (lCode >= 0x10000 && lCode < 0x110000);
    if (!fTaken) {
        return false;
    }
    vAppendUtf8(lCode, sOut);
    return true;
}

// Text with references resolved into sOut; false at a reference the scanner
// does not take.
bool fResolveReferences(std::string_view sv, std::string &sOut) {
    sOut.clear();
    size_t i = 0;
    for (;;) {
        size_t nAmpersand = sv.find('&', i);
        sOut.append(sv.substr(i, nAmpersand - i));
        if (nAmpersand == std::string_view::npos) {
            return true;
        }
        size_t nSemicolon = sv.find(';', nAmpersand);
        if (nSemicolon == std::string_view::npos) {
            return false;
        }
        std::string_view svName = sv.substr(nAmpersand + 1, nSemicolon - nAmpersand - 1);
        if (svName == "lt") {
            sOut += '<';
        } else if (svName == "gt") {
            sOut += '>';
        } else if (svName == "amp") {
            sOut += '&';
        } else if (svName == "quot") {
            sOut += '"';
        } else if (svName == "apos") {
            sOut += '\'';
        } else if (svName.empty() || svName.front() != '#' ||
                   !fCharacterReference(svName.substr(1), sOut)) {
            return false;
        }
        i = nSemicolon + 1;
    }
}

// Carriage return and line feed, and a lone carriage return, become a line feed.
void vNormalizeLineEnds(std::string &s) {
    size_t nWrite = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            s[nWrite++] = '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
        } else {
            s[nWrite++] = s[i];
        }
    }
    s.resize(nWrite);
}

struct QName {
    std::string_view svPrefix; // empty: none
    std::string_view svLocal;
    std::string_view svWhole;
};

// A name with at most one colon at p; p moves past it.
Step eQName(const char *&p, const char *pEnd, QName &o) {
    const char *pStart = p;
    auto fName = [&](const char *&q) {
        if (q == pEnd) {
            return Step::kMore;
        }
        if (kNameClasses[static_cast<unsigned char>(*q)] != kNameStart) {
            return Step::kGiveUp;
        }
        ++q;
        while (q < pEnd && kNameClasses[static_cast<unsigned char>(*q)] != kNotName) {
            ++q;
        }
        return q == pEnd ? Step::kMore : Step::kOk;
    };
    Step e = fName(p);
    if (e != Step::kOk) {
        return e;
    }
    o.svPrefix = {};
    if (*p == ':') {
        const char *pColon = p++;
        e = fName(p);
        if (e != Step::kOk) {
            return e;
        }
        o.svPrefix = std::string_view(pStart, static_cast<size_t>(pColon - pStart));
        o.svLocal = std::string_view(pColon + 1, static_cast<size_t>(p - pColon - 1));
    } else {
        o.svLocal = std::string_view(pStart, static_cast<size_t>(p - pStart));
    }
    o.svWhole = std::string_view(pStart, static_cast<size_t>(p - pStart));
    return Step::kOk;
}

struct RawAttribute {
    QName oName;
    std::string_view svValue;
    unsigned fFound = 0;
};

struct Binding {
    std::string sPrefix; // empty: the default namespace
    std::string sUri;
    int iDepth;
};

class Scanner {
  public:
    explicit Scanner(XmlScanHandler &oHandler) : m_oHandler(oHandler) {}

    XmlScanResult eScan(std::string_view svDocument) {
        m_p = svDocument.data();
        m_pEnd = m_p + svDocument.size();
        m_fEnd = true;
        return eRun();
    }

    XmlScanResult eScan(std::FILE *pFile) {
        m_pFile = pFile;
        m_pBuffer.reset(new (std::nothrow) char[kFileBuffer]);
        if (!m_pBuffer) {
            return XmlScanResult::kGaveUp;
        }
        m_p = m_pEnd = m_pBuffer.get();
        if (!fRefill()) {
            return m_fReadError ? XmlScanResult::kReadError : XmlScanResult::kGaveUp;
        }
        return eRun();
    }

  private:
    XmlScanResult eRun() {
        if (eProlog() != Step::kOk) {
            return XmlScanResult::kGaveUp;
        }
        for (;;) {
            if (m_p == m_pEnd) {
                if (m_fEnd) {
                    break;
                }
                if (!fRefill()) {
                    return m_fReadError ? XmlScanResult::kReadError : XmlScanResult::kGaveUp;
                }
                continue;
            }
            Step e = *m_p == '<' ? eMarkup() : eText();
            if (e == Step::kOk) {
                continue;
            }
            if (e == Step::kGiveUp || m_fEnd) {
                return XmlScanResult::kGaveUp;
            }
            if (!fRefill()) {
                return m_fReadError ? XmlScanResult::kReadError : XmlScanResult::kGaveUp;
            }
        }
        return m_iDepth == 0 && m_fRootDone ? XmlScanResult::kDone : XmlScanResult::kGaveUp;
    }

    // Keeps the bytes from m_p on and reads more behind them.
    bool fRefill() {
        if (m_pFile == nullptr || m_fEnd) {
            return false;
        }
        size_t nKeep = static_cast<size_t>(m_pEnd - m_p);
        if (nKeep == kFileBuffer) {
            return false;
        }
        char *pBuffer = m_pBuffer.get();
        std::memmove(pBuffer, m_p, nKeep);
        size_t nRead = std::fread(pBuffer + nKeep, 1, kFileBuffer - nKeep, m_pFile);
        if (std::ferror(m_pFile)) {
            m_fReadError = true;
            return false;
        }
        m_fEnd = nRead < kFileBuffer - nKeep;
        m_p = pBuffer;
        m_pEnd = pBuffer + nKeep + nRead;
        return true;
    }

    // The byte order mark and the XML declaration, both optional. The first
    // piece of a file is whole, so both are at hand when they are there.
    Step eProlog() {
        if (m_pEnd - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0) {
            m_p += 3;
        }
        std::string_view sv(m_p, static_cast<size_t>(m_pEnd - m_p));
        if (sv.size() < 6 || sv.substr(0, 5) != "<?xml" || !fIsSpace(sv[5])) {
            return Step::kOk;
        }
        size_t nEnd = sv.substr(0, 512).find("?>");
        if (nEnd == std::string_view::npos) {
            return Step::kGiveUp;
        }
        std::string_view svRest = sv.substr(5, nEnd - 5);
        // Pseudo-attributes in their order: version, then optional encoding and standalone.
        auto fPseudo = [&](std::string_view svName, std::string_view &svValue) {
            size_t i = 0;
            while (i < svRest.size() && fIsSpace(svRest[i])) {
                ++i;
            }
            if (i == 0 || svRest.substr(i, svName.size()) != svName) {
                return false;
            }
            i += svName.size();
            while (i < svRest.size() && fIsSpace(svRest[i])) {
                ++i;
            }
            if (i == svRest.size() || svRest[i] != '=') {
                return false;
            }
            ++i;
            while (i < svRest.size() && fIsSpace(svRest[i])) {
                ++i;
            }
            if (i == svRest.size() || (svRest[i] != '"' && svRest[i] != '\'')) {
                return false;
            }
            size_t nClose = svRest.find(svRest[i], i + 1);
            if (nClose == std::string_view::npos) {
                return false;
            }
            svValue = svRest.substr(i + 1, nClose - i - 1);
            svRest.remove_prefix(nClose + 1);
            return true;
        };
        std::string_view svValue;
        if (!fPseudo("version", svValue) || svValue != "1.0") {
            return Step::kGiveUp;
        }
        if (fPseudo("encoding", svValue)) {
            if (svValue.size() != 5 || (svValue[0] | 0x20) != 'u' || (svValue[1] | 0x20) != 't' ||
                (svValue[2] | 0x20) != 'f' || svValue[3] != '-' || svValue[4] != '8') {
                return Step::kGiveUp;
            }
        }
        if (fPseudo("standalone", svValue) && svValue != "yes" && svValue != "no") {
            return Step::kGiveUp;
        }
        for (char c : svRest) {
            if (!fIsSpace(c)) {
                return Step::kGiveUp;
            }
        }
        m_p += nEnd + 2;
        return Step::kOk;
    }

    Step eText() {
        const char *pLess =
            static_cast<const char *>(std::memchr(m_p, '<', static_cast<size_t>(m_pEnd - m_p)));
        if (pLess == nullptr) {
            if (!m_fEnd) {
                return Step::kMore;
            }
            pLess = m_pEnd;
        }
        if (m_iDepth == 0) {
            // Outside the root element only blanks.
            for (const char *p = m_p; p < pLess; ++p) {
                if (!fIsSpace(*p)) {
                    return Step::kGiveUp;
                }
            }
            m_p = pLess;
            return Step::kOk;
        }
        unsigned fFound = 0;
        if (!fCheckChars(m_p, pLess, fFound) || (fFound & kFoundCdataEnd) != 0) {
            return Step::kGiveUp;
        }
        std::string_view svText(m_p, static_cast<size_t>(pLess - m_p));
        m_p = pLess;
        if ((fFound & kFoundAmpersand) != 0) {
            // References are checked whether the text is wanted or not.
            if (!fResolveReferences(svText, m_sText)) {
                return Step::kGiveUp;
            }
            svText = m_sText;
        }
        if (svText.empty() || !m_oHandler.fWantsText()) {
            return Step::kOk;
        }
        if ((fFound & kFoundReturn) != 0) {
            // Line ends read as one line feed, whatever wrote them.
            if (svText.data() != m_sText.data()) {
                m_sText.assign(svText);
            }
            vNormalizeLineEnds(m_sText);
            svText = m_sText;
        }
        return m_oHandler.fText(svText) ? Step::kOk : Step::kGiveUp;
    }

    Step eMarkup() {
        if (m_pEnd - m_p < 2) {
            return Step::kMore;
        }
        switch (m_p[1]) {
        case '/':
            return eEndTag();
        case '!':
            return eComment();
        case '?':
            return Step::kGiveUp;
        default:
            return eStartTag();
        }
    }

    Step eComment() {
        if (m_pEnd - m_p < 4) {
            return Step::kMore;
        }
        if (std::memcmp(m_p, "<!--", 4) != 0) {
            return Step::kGiveUp; // a DTD or CDATA
        }
        const char *pBody = m_p + 4;
        const char *p = pBody;
        for (;;) {
            const char *pDash =
                static_cast<const char *>(std::memchr(p, '-', static_cast<size_t>(m_pEnd - p)));
            if (pDash == nullptr || m_pEnd - pDash < 3) {
                return Step::kMore;
            }
            if (pDash[1] != '-') {
                p = pDash + 1;
                continue;
            }
            // "--" ends the comment and must be followed by '>'.
            if (pDash[2] != '>') {
                return Step::kGiveUp;
            }
            unsigned fFound = 0;
            if (!fCheckChars(pBody, pDash, fFound)) {
                return Step::kGiveUp;
            }
            m_p = pDash + 3;
            return Step::kOk;
        }
    }

    static void vSkipSpace(const char *&p, const char *pEnd) {
        while (p < pEnd && fIsSpace(*p)) {
            ++p;
        }
    }

    // The namespace bound to a prefix ("" for the default one); false when
    // none is bound to it (for the default one: no namespace, and true).
    bool fLookUp(std::string_view svPrefix, std::string_view &svUri) const {
        for (auto it = m_aBindings.rbegin(); it != m_aBindings.rend(); ++it) {
            if (it->sPrefix == svPrefix) {
                svUri = it->sUri;
                return true;
            }
        }
        svUri = {};
        return svPrefix.empty();
    }

    Step eStartTag() {
        const char *p = m_p + 1;
        QName oElement;
        Step e = eQName(p, m_pEnd, oElement);
        if (e != Step::kOk) {
            return e;
        }
        size_t nAttributes = 0;
        bool fEmpty = false;
        for (;;) {
            const char *pBefore = p;
            vSkipSpace(p, m_pEnd);
            if (p == m_pEnd) {
                return Step::kMore;
            }
            if (*p == '>') {
                ++p;
                break;
            }
            if (*p == '/') {
                if (m_pEnd - p < 2) {
                    return Step::kMore;
                }
                if (p[1] != '>') {
                    return Step::kGiveUp;
                }
                p += 2;
                fEmpty = true;
                break;
            }
            // Attributes are parted by blanks.
            if (p == pBefore || nAttributes == kMaxAttributes) {
                return Step::kGiveUp;
            }
            RawAttribute &o = m_aRaw[nAttributes];
            e = eQName(p, m_pEnd, o.oName);
            if (e != Step::kOk) {
                return e;
            }
            vSkipSpace(p, m_pEnd);
            if (p == m_pEnd) {
                return Step::kMore;
            }
            if (*p != '=') {
                return Step::kGiveUp;
            }
            ++p;
            vSkipSpace(p, m_pEnd);
            if (p == m_pEnd) {
                return Step::kMore;
            }
            char cQuote = *p;
            if (cQuote != '"' && cQuote != '\'') {
                return Step::kGiveUp;
            }
            ++p;
            const char *pClose =
                static_cast<const char *>(std::memchr(p, cQuote, static_cast<size_t>(m_pEnd - p)));
            if (pClose == nullptr) {
                return Step::kMore;
            }
            o.fFound = 0;
            if (!fCheckChars(p, pClose, o.fFound) ||
                (o.fFound & (kFoundAmpersand | kFoundLess)) != 0) {
                return Step::kGiveUp;
            }
            o.svValue = std::string_view(p, static_cast<size_t>(pClose - p));
            p = pClose + 1;
            ++nAttributes;
        }
        if (m_iDepth == 0 && m_fRootDone) {
            return Step::kGiveUp; // a second root element
        }
        if (m_iDepth >= kMaxDepth) {
            return Step::kGiveUp;
        }
        int iDepth = m_iDepth + 1;
        if (!fBind(nAttributes, iDepth)) {
            return Step::kGiveUp;
        }
        std::string_view svUri;
        if (oElement.svPrefix == "xml" || oElement.svPrefix == "xmlns" ||
            !fLookUp(oElement.svPrefix, svUri)) {
            return Step::kGiveUp;
        }
        size_t nGiven = 0;
        for (size_t i = 0; i < nAttributes; ++i) {
            const RawAttribute &o = m_aRaw[i];
            if (fIsDeclaration(o.oName)) {
                continue;
            }
            std::string_view svAttributeUri;
            if (!o.oName.svPrefix.empty() &&
                (o.oName.svPrefix == "xml" || !fLookUp(o.oName.svPrefix, svAttributeUri))) {
                return Step::kGiveUp;
            }
            m_aAttributes[nGiven++] = XmlAttribute{svAttributeUri, o.oName.svLocal, o.svValue};
        }
        if (!m_oHandler.fStartElement(
                svUri, oElement.svLocal,
                std::span<const XmlAttribute>(m_aAttributes.data(), nGiven))) {
            return Step::kGiveUp;
        }
        if (fEmpty) {
            vUnbind(iDepth);
            if (!m_oHandler.fEndElement()) {
                return Step::kGiveUp;
            }
            m_fRootDone = m_iDepth == 0;
        } else {
            m_aOpenNameEnds.push_back(m_sOpenNames.size());
            m_sOpenNames.append(oElement.svWhole);
            m_iDepth = iDepth;
        }
        m_p = p;
        return Step::kOk;
    }

    static bool fIsDeclaration(const QName &o) {
        return o.svPrefix.empty() ? o.svLocal == "xmlns" : o.svPrefix == "xmlns";
    }

    // Takes the namespace declarations among the attributes, after checking
    // that no two attributes share a local name (the scanner's cautious stand
    // for "no attribute twice").
    bool fBind(size_t nAttributes, int iDepth) {
        for (size_t i = 0; i < nAttributes; ++i) {
            for (size_t k = i + 1; k < nAttributes; ++k) {
                if (m_aRaw[i].oName.svLocal == m_aRaw[k].oName.svLocal) {
                    return false;
                }
            }
        }
        for (size_t i = 0; i < nAttributes; ++i) {
            const RawAttribute &o = m_aRaw[i];
            if (!fIsDeclaration(o.oName)) {
                continue;
            }
            bool fDefault = o.oName.svPrefix.empty();
            if ((o.fFound & kFoundBlank) != 0 || o.svValue == kXmlNamespace ||
                o.svValue == kXmlnsNamespace) {
                return false;
            }
            if (!fDefault &&
                (o.svValue.empty() || o.oName.svLocal == "xml" || o.oName.svLocal == "xmlns")) {
                return false;
            }
            m_aBindings.push_back(Binding{fDefault ? std::string() : std::string(o.oName.svLocal),
                                          std::string(o.svValue), iDepth});
        }
        return true;
    }

    void vUnbind(int iDepth) {
        while (!m_aBindings.empty() && m_aBindings.back().iDepth == iDepth) {
            m_aBindings.pop_back();
        }
    }

    Step eEndTag() {
        const char *p = m_p + 2;
        QName oName;
        Step e = eQName(p, m_pEnd, oName);
        if (e != Step::kOk) {
            return e;
        }
        vSkipSpace(p, m_pEnd);
        if (p == m_pEnd) {
            return Step::kMore;
        }
        if (*p != '>' || m_iDepth == 0) {
            return Step::kGiveUp;
        }
        size_t nStart = m_aOpenNameEnds.back();
        if (std::string_view(m_sOpenNames).substr(nStart) != oName.svWhole) {
            return Step::kGiveUp;
        }
        if (!m_oHandler.fEndElement()) {
            return Step::kGiveUp;
        }
        m_sOpenNames.resize(nStart);
        m_aOpenNameEnds.pop_back();
        vUnbind(m_iDepth);
        --m_iDepth;
        m_fRootDone = m_iDepth == 0;
        m_p = p + 1;
        return Step::kOk;
    }

    XmlScanHandler &m_oHandler;
    std::FILE *m_pFile = nullptr;
    std::unique_ptr<char[]> m_pBuffer;
    const char *m_p = nullptr;
    const char *m_pEnd = nullptr;
    bool m_fEnd = false; // no bytes follow m_pEnd
    bool m_fReadError = false;

    int m_iDepth = 0;
    bool m_fRootDone = false;
    std::string m_sOpenNames;
    std::vector<size_t> m_aOpenNameEnds;
    std::vector<Binding> m_aBindings;
    std::array<RawAttribute, kMaxAttributes> m_aRaw{};
    std::array<XmlAttribute, kMaxAttributes> m_aAttributes{};
    std::string m_sText;
};

} // namespace

XmlScanResult eScanXml(std::string_view svDocument, XmlScanHandler &oHandler) {
    Scanner oScanner(oHandler);
    return oScanner.eScan(svDocument);
}

XmlScanResult eScanXmlFile(std::FILE *pFile, XmlScanHandler &oHandler) {
    Scanner oScanner(oHandler);
    return oScanner.eScan(pFile);
}
