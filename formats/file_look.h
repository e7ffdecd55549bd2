#pragma once
// What a file looks like by its first bytes: the header of a format this
// program reads, of one it does not read, or bytes that are no text at all.
// The load dispatch uses it where a file's name leaves room for doubt, and
// every reader that found nothing of its own format in a file uses it to say
// what the file is instead.

#include <cstdint>
#include <string_view>

// The type (kFile... of store/file_kinds.h) of a readable format whose header
// the data begins with, after blank lines; -1 for any other data.
int16_t sReadableTypeByLook(std::string_view svData);

// True for data of no bytes, or of blanks and line ends only.
bool fIsBlankData(std::string_view svData);

// When the data begins with the header of a known format other than sOwnType,
// or holds bytes no text file has, reports that in one line ("'x.rte' is an
// OziExplorer route file, which this program does not read") and returns 1;
// otherwise 0, and nothing is reported.
int iReportForeignLook(const char *pszName, std::string_view svData, int16_t sOwnType);

// For a reader of sOwnType that took nothing of its format from the data:
// reports the look as iReportForeignLook does, or else "'x.trk' is not a PCX5
// file: it begins with '$PMGNTRK'" (it is empty, it holds only blank lines).
void vReportNotOfFormat(const char *pszName, std::string_view svData, int16_t sOwnType);
