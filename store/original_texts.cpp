#include "store/original_texts.h"

#include <new>

#include "base/text_codec.h"

namespace {

std::string sKeyStart(TextOwner eOwner, TextField eField) {
    std::string s;
    s += static_cast<char>(eOwner);
    s += static_cast<char>(eField);
    return s;
}

} // namespace

std::string sTextKey(TextOwner eOwner, TextField eField, std::string_view svRecord) {
    std::string s = sKeyStart(eOwner, eField);
    s.append(svRecord);
    return s;
}

std::string sTextKey(TextOwner eOwner, TextField eField, uint32_t lRecord) {
    std::string s = sKeyStart(eOwner, eField);
    for (int i = 0; i < 4; ++i) {
        s += static_cast<char>((lRecord >> (8 * i)) & 0xFF);
    }
    return s;
}

int iKeepOriginalText(OriginalTexts &oTexts, const std::string &sKey, std::string_view svStored,
                      std::string_view svOriginal, int iCodePage) {
    try {
        std::string sRead;
        nAppendCodePageAsUtf8(iCodePage, svStored, sRead);
        if (sRead == svOriginal) {
            oTexts.aTexts.erase(sKey);
            return 1;
        }
        OriginalText &o = oTexts.aTexts[sKey];
        o.sStored.assign(svStored);
        o.sOriginal.assign(svOriginal);
    } catch (const std::bad_alloc &) {
        oTexts.aTexts.erase(sKey);
        return 0;
    }
    return 1;
}

const std::string *pOriginalText(const OriginalTexts &oTexts, const std::string &sKey,
                                 std::string_view svStored) {
    if (oTexts.aTexts.empty()) {
        return nullptr;
    }
    auto it = oTexts.aTexts.find(sKey);
    return it != oTexts.aTexts.end() && it->second.sStored == svStored ? &it->second.sOriginal
                                                                       : nullptr;
}
