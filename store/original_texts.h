#pragma once
// Texts as they arrived, where a record's 8-bit field cannot hold them whole:
// characters the run's code page lacks, more characters than the field has
// room for, or line breaks the store drops. Keyed by the record and the field;
// the UTF-8 writers use a text only while the field still holds what it was
// converted to, so a record that a later source replaced writes its own.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

enum class TextOwner : uint8_t { kWaypoint = 1, kRoute = 2, kTrack = 3 };
enum class TextField : uint8_t { kName = 1, kComment = 2 };

struct OriginalText {
    std::string sStored;   // the field as it was stored
    std::string sOriginal; // UTF-8
    bool operator==(const OriginalText &) const = default;
};

struct OriginalTexts {
    std::map<std::string, OriginalText, std::less<>> aTexts;
};

// The key of a waypoint is its name as stored; of a route, its number; of a
// track, its place in the store.
std::string sTextKey(TextOwner eOwner, TextField eField, std::string_view svRecord);
std::string sTextKey(TextOwner eOwner, TextField eField, uint32_t lRecord);

// Keeps svOriginal for the field that now holds svStored, where the field's
// text read in code page iCodePage differs from it; forgets the text where it
// is the same. 0 when memory ran out (nothing kept).
int iKeepOriginalText(OriginalTexts &oTexts, const std::string &sKey, std::string_view svStored,
                      std::string_view svOriginal, int iCodePage);
// The original text of the field that holds svStored, or nullptr.
const std::string *pOriginalText(const OriginalTexts &oTexts, const std::string &sKey,
                                 std::string_view svStored);
