// The GPX reader's fast scanner against expat: on every document the scanner
// either gives up (having stored and said nothing) or gives what expat gives:
// the same result, the same lines on standard error and the same store. The
// tables hold the places where a hand-written XML scanner tends to part from
// expat; each row also pins expat's own verdict, which the scanner must copy.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "exchange_test_support.h"
#include "formats/gpx.h"
#include "gpx_scanner_support.h"
#include "gpx_test_support.h"

using namespace exchange_test;
using namespace gpx_scanner_test;
using namespace std::string_literals;

namespace {

const std::string kGpx11 = "http://www.topografix.com/GPX/1/1";
const std::string kGpx10 = "http://www.topografix.com/GPX/1/0";
const std::string kGarmin = "http://www.garmin.com/xmlschemas/GpxExtensions/v3";
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kRoot =
    "<gpx version=\"1.1\" creator=\"t\" xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"" + kGarmin + "\">\n";

// A GPX 1.1 document around the body.
std::string sGpx(const std::string &sBody) {
    return kDecl + kRoot + sBody + "</gpx>\n";
}

// A waypoint at 1.5, 2.5 with the text as its name.
std::string sNamed(const std::string &sName) {
    return "<wpt lat=\"1.5\" lon=\"2.5\"><name>" + sName + "</name></wpt>\n";
}

// A document whose one waypoint has these attributes.
std::string sWptAttributes(const std::string &sAttributes) {
    return sGpx("<wpt " + sAttributes + "><name>P</name></wpt>\n");
}

std::string sRepeat(const std::string &s, size_t n) {
    std::string sOut;
    sOut.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) {
        sOut += s;
    }
    return sOut;
}

// UTF-8 text as UTF-16, with or without a byte order mark.
std::string sUtf16(const std::string &sUtf8, bool fBigEndian, bool fMark = true) {
    std::u16string s;
    if (fMark) {
        s += u'\xFEFF';
    }
    for (size_t i = 0; i < sUtf8.size();) {
        unsigned char c = static_cast<unsigned char>(sUtf8[i]);
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t l = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < n; ++k) {
            l = (l << 6) | (static_cast<unsigned char>(sUtf8[i + k]) & 0x3F);
        }
        i += n;
        if (l >= 0x10000) {
            s += static_cast<char16_t>(0xD800 + ((l - 0x10000) >> 10));
            s += static_cast<char16_t>(0xDC00 + ((l - 0x10000) & 0x3FF));
        } else {
            s += static_cast<char16_t>(l);
        }
    }
    std::string sOut;
    for (char16_t c : s) {
        char cHigh = static_cast<char>(c >> 8), cLow = static_cast<char>(c & 0xFF);
        sOut += fBigEndian ? cHigh : cLow;
        sOut += fBigEndian ? cLow : cHigh;
    }
    return sOut;
}

// One row: what the document tries, the document, and expat's result (1 read
// whole, 0 refused or points skipped).
struct Case {
    const char *pszWhat;
    std::string sDoc;
    int iExpat;
};

// Each row through the parsers, and through the file reader, which agrees
// with expat reading the same bytes from memory under the same name.
void vRunTable(const std::vector<Case> &aCases) {
    ScratchFolder oFolder;
    std::string sPath = oFolder.sPath("t.gpx");
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        Both o = oCompareWithExpat(c.sDoc);
        EXPECT_EQ(o.iExpat, c.iExpat) << "expat's verdict";
        vWriteFile(sPath, c.sDoc);
        Workspace f, e;
        Import oFile;
        ::testing::internal::CaptureStderr();
        oFile.iResult = iImportGpx(&f, sPath.c_str());
        oFile.sErr = ::testing::internal::GetCapturedStderr();
        SCOPED_TRACE("the file reader");
        vExpectSameImport(oFile, f, oImport(e, c.sDoc, GpxParser::kExpat, sPath.c_str()), e);
    }
}

} // namespace

TEST(GpxScanner, XmlDeclarations) {
    const std::string sBody = kRoot + sNamed("M\xc3\xbcnchen") + "</gpx>\n";
    const std::string sLatin1Body = kRoot + sNamed("M\xfcnchen &#x263A;") + "</gpx>\n";
    const std::string sBom = "\xef\xbb\xbf";
    vRunTable({
        {"the usual declaration", kDecl + sBody, 1},
        {"no declaration", sBody, 1},
        {"version alone", "<?xml version=\"1.0\"?>" + sBody, 1},
        {"version 1.1", "<?xml version=\"1.1\"?>" + sBody, 1},
        {"version 2.0", "<?xml version=\"2.0\"?>" + sBody, 1},
        {"version with a trailing blank", "<?xml version=\"1.0 \"?>" + sBody, 0},
        {"version empty", "<?xml version=\"\"?>" + sBody, 1},
        {"no version", "<?xml encoding=\"UTF-8\"?>" + sBody, 0},
        {"encoding before version", "<?xml encoding=\"UTF-8\" version=\"1.0\"?>" + sBody, 0},
        {"encoding utf-8 in lower case", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + sBody, 1},
        {"encoding Utf-8 in mixed case", "<?xml version=\"1.0\" encoding=\"Utf-8\"?>" + sBody, 1},
        {"encoding UTF8 without the dash", "<?xml version=\"1.0\" encoding=\"UTF8\"?>" + sBody, 0},
        {"encoding empty", "<?xml version=\"1.0\" encoding=\"\"?>" + sBody, 0},
        {"ISO-8859-1 with Latin-1 bytes",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + sLatin1Body, 1},
        {"iso-8859-1 in lower case",
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>" + sLatin1Body, 1},
        {"latin1, a name expat does not know",
         "<?xml version=\"1.0\" encoding=\"latin1\"?>" + sLatin1Body, 0},
        {"windows-1252, unknown to expat",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + sLatin1Body, 0},
        {"US-ASCII with ASCII only",
         "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>" + kRoot + sNamed("plain") + "</gpx>\n", 1},
        {"US-ASCII with a byte above 127",
         "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>" + sLatin1Body, 0},
        {"UTF-8 declared, Latin-1 bytes", kDecl + sLatin1Body, 0},
        {"no declaration, Latin-1 bytes", sLatin1Body, 0},
        {"UTF-16 declared, UTF-8 bytes", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + sBody, 0},
        {"standalone yes", "<?xml version=\"1.0\" standalone=\"yes\"?>" + sBody, 1},
        {"standalone no", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>" + sBody,
         1},
        {"standalone maybe", "<?xml version=\"1.0\" standalone=\"maybe\"?>" + sBody, 0},
        {"standalone before encoding",
         "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>" + sBody, 0},
        {"an unknown pseudo-attribute", "<?xml version=\"1.0\" foo=\"bar\"?>" + sBody, 0},
        {"single quotes", "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>" + sBody, 1},
        {"mixed quotes", "<?xml version=\"1.0' encoding='UTF-8'?>" + sBody, 0},
        {"no blank between pseudo-attributes", "<?xml version=\"1.0\"encoding=\"UTF-8\"?>" + sBody,
         0},
        {"blanks around =", "<?xml version = \"1.0\" encoding= 'UTF-8' ?>" + sBody, 1},
        {"blank before ?>", "<?xml version=\"1.0\" ?>" + sBody, 1},
        {"tab and newline inside", "<?xml\tversion=\"1.0\"\nencoding=\"UTF-8\"\r\n?>" + sBody, 1},
        {"<?XML in capitals", "<?XML version=\"1.0\"?>" + sBody, 0},
        {"<?xml without anything", "<?xml?>" + sBody, 0},
        {"declaration after a comment", "<!-- c -->" + kDecl + sBody, 0},
        {"blank line before the declaration", "\n" + kDecl + sBody, 0},
        {"a blank before the declaration", " " + kDecl + sBody, 0},
        {"declaration twice", kDecl + kDecl + sBody, 0},
        {"declaration after the root", sBody + kDecl, 0},
        {"byte order mark and declaration", sBom + kDecl + sBody, 1},
        {"byte order mark, no declaration", sBom + sBody, 1},
        {"two byte order marks", sBom + sBom + kDecl + sBody, 0},
        {"byte order mark of UTF-8, ISO-8859-1 declared (the declaration wins)",
         sBom + "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + sBody, 1},
        {"UTF-16LE with its mark",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + sBody, false), 1},
        {"UTF-16BE with its mark",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + sBody, true), 1},
        {"UTF-16LE with its mark, no declaration", sUtf16(sBody, false), 1},
        {"UTF-16LE without a mark, declared",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + sBody, false, false), 1},
        {"UTF-16BE with a character outside the BMP and one outside Latin-1",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + kRoot +
                    sNamed("\xf0\x9f\x98\x80\xe2\x82\xac\xc3\xa9") + "</gpx>\n",
                true),
         1},
        {"UTF-16 data declared UTF-8", sUtf16(kDecl + sBody, true), 0},
        {"UTF-16 cut in the middle of a unit",
         sUtf16(sBody, false).substr(0, sUtf16(sBody, false).size() - 1), 0},
        {"UTF-16 with a lone surrogate",
         sUtf16(kRoot, false) + "<\0n\0>\0"s + "\x00\xD8"s + "<\0/\0n\0>\0"s +
             sUtf16("</gpx>", false, false),
         0},
        {"UTF-16LE declared by that name, with a mark",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16LE\"?>" + sBody, false), 1},
        {"UTF-16LE declared by that name, without a mark",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16LE\"?>" + sBody, false, false), 1},
    });
}

TEST(GpxScanner, Namespaces) {
    const std::string sPoint = "<wpt lat=\"1\" lon=\"2\"><name>P</name></wpt>";
    auto sRoot = [](const std::string &sAttributes, const std::string &sBody) {
        return kDecl + "<gpx " + sAttributes + ">" + sBody + "</gpx>\n";
    };
    auto sPrefixed = [](const std::string &sAttributes, const std::string &sBody) {
        return kDecl + "<g:gpx " + sAttributes + ">" + sBody + "</g:gpx>\n";
    };
    const std::string sGarminPoint = "<wpt lat=\"1\" lon=\"2\"><name>P</name><extensions>"
                                     "<gpxx:WaypointExtension><gpxx:Proximity>25.5</gpxx:Proximity>"
                                     "<gpxx:DisplayMode>SymbolOnly</gpxx:DisplayMode>"
                                     "</gpxx:WaypointExtension></extensions></wpt>";
    vRunTable({
        {"default namespace GPX 1.1", sRoot("xmlns=\"" + kGpx11 + "\"", sPoint), 1},
        {"default namespace GPX 1.0", sRoot("xmlns=\"" + kGpx10 + "\"", sPoint), 1},
        {"no namespace", sRoot("version=\"1.1\"", sPoint), 1},
        {"prefix gpx:",
         sPrefixed("xmlns:g=\"" + kGpx11 + "\"",
                   "<g:wpt lat=\"1\" lon=\"2\"><g:name>P</g:name></g:wpt>"),
         1},
        {"prefixed root, unprefixed point outside any namespace",
         sPrefixed("xmlns:g=\"" + kGpx11 + "\"", sPoint), 1},
        {"both a default namespace and a prefix for it",
         sPrefixed("xmlns:g=\"" + kGpx11 + "\" xmlns=\"" + kGpx11 + "\"",
                   "<wpt lat=\"1\" lon=\"2\"><g:name>P</g:name></wpt>"),
         1},
        {"any URI that ends in /GPX/1/1", sRoot("xmlns=\"urn:example:/GPX/1/1\"", sPoint), 1},
        {"the GPX URI in lower case", sRoot("xmlns=\"http://www.topografix.com/gpx/1/1\"", sPoint),
         0},
        {"the GPX URI with a trailing slash", sRoot("xmlns=\"" + kGpx11 + "/\"", sPoint), 0},
        {"the GPX URI with a leading blank", sRoot("xmlns=\" " + kGpx11 + "\"", sPoint), 1},
        {"the GPX URI with a trailing tab (a blank once normalised)",
         sRoot("xmlns=\"" + kGpx11 + "\t\"", sPoint), 0},
        {"the GPX URI through a character reference",
         sRoot("xmlns=\"http://www.topografix.com/GPX/1/&#49;\"", sPoint), 1},
        {"xmlns=\"\" undeclaring the default inside",
         sRoot("xmlns=\"" + kGpx11 + "\"",
               "<wpt xmlns=\"\" lat=\"1\" lon=\"2\"><name>P</name></wpt>"),
         1},
        {"a point in another namespace",
         sRoot("xmlns=\"" + kGpx11 + "\"",
               "<wpt xmlns=\"urn:other\" lat=\"1\" lon=\"2\"><name>P</name></wpt>"),
         1},
        {"prefix rebound to another namespace in a child",
         sPrefixed("xmlns:g=\"" + kGpx11 + "\"",
                   "<g:wpt xmlns:g=\"urn:other\" lat=\"1\" lon=\"2\"><g:name>P</g:name></g:wpt>"),
         1},
        {"prefix rebound from another namespace to GPX 1.0 in a child",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:g=\"urn:other\"",
               "<g:wpt xmlns:g=\"" + kGpx10 + "\" lat=\"1\" lon=\"2\"><g:name>P</g:name></g:wpt>"),
         1},
        {"a name rebound only for the name element",
         sRoot("xmlns=\"" + kGpx11 + "\"",
               "<wpt lat=\"1\" lon=\"2\"><name xmlns=\"urn:o\">P</name></wpt>"),
         1},
        {"namespace declared after its use in the same tag",
         sPrefixed("xmlns:g=\"" + kGpx11 + "\"", "<g:wpt lat=\"1\" g:x=\"1\" xmlns:g=\"" + kGpx11 +
                                                     "\" lon=\"2\"><g:name>P</g:name></g:wpt>"),
         1},
        {"unbound prefix on an element", sRoot("xmlns=\"" + kGpx11 + "\"", "<x:wpt/>"), 0},
        {"unbound prefix on the root", kDecl + "<x:gpx/>", 0},
        {"unbound prefix on an attribute",
         sRoot("xmlns=\"" + kGpx11 + "\"", "<wpt x:a=\"1\" lat=\"1\" lon=\"2\"/>"), 0},
        {"xmlns:p=\"\" (no undeclaring prefixes in XML 1.0 namespaces)",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:p=\"\"", sPoint), 0},
        {"xml prefix bound to its own URI",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:xml=\"http://www.w3.org/XML/1998/namespace\"",
               sPoint),
         1},
        {"xml prefix bound elsewhere", sRoot("xmlns:xml=\"urn:other\"", sPoint), 0},
        {"xmlns prefix declared", sRoot("xmlns:xmlns=\"urn:other\"", sPoint), 0},
        {"another prefix bound to the XML namespace URI",
         sRoot("xmlns:p=\"http://www.w3.org/XML/1998/namespace\"", sPoint), 0},
        {"a prefix bound to the xmlns namespace URI",
         sRoot("xmlns:p=\"http://www.w3.org/2000/xmlns/\"", sPoint), 0},
        {"default namespace bound to the XML namespace URI",
         sRoot("xmlns=\"http://www.w3.org/XML/1998/namespace\"", sPoint), 0},
        {"xml:lang on a point, never declared",
         sRoot("xmlns=\"" + kGpx11 + "\"",
               "<wpt xml:lang=\"en\" lat=\"1\" lon=\"2\"><name>P</name></wpt>"),
         1},
        {"element with the xml prefix",
         sRoot("xmlns=\"" + kGpx11 + "\"", "<xml:wpt lat=\"1\" lon=\"2\"/>"), 1},
        {"element with the xmlns prefix", sRoot("xmlns=\"" + kGpx11 + "\"", "<xmlns:wpt/>"), 0},
        {"a:lat and b:lat bound to the same URI",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\" xmlns:b=\"urn:u\"",
               "<wpt a:lat=\"1\" b:lat=\"2\" lat=\"1\" lon=\"2\"/>"),
         0},
        {"a:lat and b:lat bound to different URIs",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\" xmlns:b=\"urn:v\"",
               "<wpt a:lat=\"1\" b:lat=\"2\" lat=\"1\" lon=\"2\"/>"),
         1},
        {"g:lat and plain lat, g bound to GPX",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:g=\"" + kGpx11 + "\"",
               "<wpt g:lat=\"9\" lat=\"1\" lon=\"2\" g:lon=\"9\"/>"),
         1},
        {"gpx:lat and gpx:lon only: not the plain lat and lon, the point is skipped",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:g=\"" + kGpx11 + "\"",
               "<wpt g:lat=\"1\" g:lon=\"2\"><name>P</name></wpt>"),
         0},
        {"an element name with two colons",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\"", "<a:b:c/>" + sPoint), 0},
        {"an attribute name with two colons",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\"",
               "<wpt a:b:c=\"1\" lat=\"1\" lon=\"2\"/>"),
         0},
        {"an element name starting with a colon",
         sRoot("xmlns=\"" + kGpx11 + "\"", "<:wpt lat=\"1\" lon=\"2\"/>"), 0},
        {"an element name ending with a colon",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\"", "<a:/>" + sPoint), 0},
        {"a prefix that is a known prefix of another",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"urn:u\"", "<gpx:wpt/>"), 0},
        {"Garmin extension inside <extensions>",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"" + kGarmin + "\"", sGarminPoint), 1},
        {"Garmin extension straight inside a point (GPX 1.0)",
         sRoot("xmlns=\"" + kGpx10 + "\" xmlns:gpxx=\"" + kGarmin + "\"",
               "<wpt lat=\"1\" lon=\"2\"><name>P</name><gpxx:WaypointExtension>"
               "<gpxx:Proximity>7</gpxx:Proximity><gpxx:DisplayMode>SymbolAndDescription"
               "</gpxx:DisplayMode></gpxx:WaypointExtension></wpt>"),
         1},
        {"Garmin extension through a default namespace",
         sRoot("xmlns=\"" + kGpx11 + "\"",
               "<wpt lat=\"1\" lon=\"2\"><extensions><WaypointExtension xmlns=\"" + kGarmin +
                   "\"><Proximity>3</Proximity></WaypointExtension></extensions></wpt>"),
         1},
        {"Garmin prefix bound to another URI",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"urn:not-garmin\"", sGarminPoint), 1},
        {"Garmin prefix never bound", sRoot("xmlns=\"" + kGpx11 + "\"", sGarminPoint), 0},
        {"extensions in the Garmin namespace",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"" + kGarmin + "\"",
               "<wpt lat=\"1\" lon=\"2\"><gpxx:extensions><gpxx:WaypointExtension>"
               "<gpxx:Proximity>4</gpxx:Proximity></gpxx:WaypointExtension></gpxx:extensions>"
               "</wpt>"),
         1},
        {"Proximity in the GPX namespace",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:gpxx=\"" + kGarmin + "\"",
               "<wpt lat=\"1\" lon=\"2\"><extensions><gpxx:WaypointExtension><Proximity>4"
               "</Proximity></gpxx:WaypointExtension></extensions></wpt>"),
         1},
        {"a prefix declared twice in one tag",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns:a=\"urn:u\" xmlns:a=\"urn:u\"", sPoint), 0},
        {"the default namespace declared twice in one tag",
         sRoot("xmlns=\"" + kGpx11 + "\" xmlns=\"" + kGpx11 + "\"", sPoint), 0},
        {"xmlns: with an empty prefix", sRoot("xmlns=\"" + kGpx11 + "\" xmlns:=\"urn:u\"", sPoint),
         0},
        {"an element named xmlns", sRoot("xmlns=\"" + kGpx11 + "\"", "<xmlns/>" + sPoint), 1},
        {"an attribute named xmlnsx",
         sRoot("xmlns=\"" + kGpx11 + "\"", "<wpt xmlnsx=\"1\" lat=\"1\" lon=\"2\"/>"), 1},
    });
}

TEST(GpxScanner, Attributes) {
    std::vector<Case> aCases = {
        {"plain", sWptAttributes("lat=\"1.5\" lon=\"2.5\""), 1},
        {"duplicate attribute", sWptAttributes("lat=\"1\" lon=\"2\" lat=\"1\""), 0},
        {"duplicate unknown attribute", sWptAttributes("a=\"1\" lat=\"1\" lon=\"2\" a=\"1\""), 0},
        {"no blank between attributes", sWptAttributes("lat=\"1\"lon=\"2\""), 0},
        {"single quotes", sWptAttributes("lat='1' lon='2'"), 1},
        {"a double quote inside single quotes", sWptAttributes("a='\"' lat='1' lon='2'"), 1},
        {"mismatched quotes", sWptAttributes("lat=\"1' lon=\"2\""), 0},
        {"unquoted value", sWptAttributes("lat=1 lon=2"), 0},
        {"attribute without value", sWptAttributes("lat lon=\"2\""), 0},
        {"'>' inside a value", sWptAttributes("a=\">\" lat=\"1\" lon=\"2\""), 1},
        {"'<' inside a value", sWptAttributes("a=\"<\" lat=\"1\" lon=\"2\""), 0},
        {"'&' alone inside a value", sWptAttributes("a=\"&\" lat=\"1\" lon=\"2\""), 0},
        {"entity references in a value",
         sWptAttributes("a=\"&lt;&gt;&amp;&quot;&apos;\" "
                        "lat=\"1\" lon=\"2\""),
         1},
        {"undefined entity in a value", sWptAttributes("a=\"&foo;\" lat=\"1\" lon=\"2\""), 0},
        {"decimal character references in lat", sWptAttributes("lat=\"&#49;&#46;5\" lon=\"2\""), 1},
        {"hexadecimal character references in lat", sWptAttributes("lat=\"&#x31;\" lon=\"2\""), 1},
        {"&#X31; with a capital X", sWptAttributes("lat=\"&#X31;\" lon=\"2\""), 0},
        {"&amp; inside lat", sWptAttributes("lat=\"1&amp;\" lon=\"2\""), 0},
        {"tab inside lat (a blank once normalised)", sWptAttributes("lat=\"\t1\t\" lon=\"2\""), 1},
        {"newline inside lat between digits", sWptAttributes("lat=\"1\n.5\" lon=\"2\""), 0},
        {"CR LF around lat", sWptAttributes("lat=\"\r\n1\r\n\" lon=\"2\""), 1},
        {"CR alone around lat", sWptAttributes("lat=\"\r1\r\" lon=\"2\""), 1},
        {"&#9; and &#10; around lat (kept, then trimmed)",
         sWptAttributes("lat=\"&#9;1&#10;\" lon=\"&#13;2&#32;\""), 1},
        {"&#13; between digits", sWptAttributes("lat=\"1&#13;5\" lon=\"2\""), 0},
        {"no-break space before lat", sWptAttributes("lat=\"&#160;1\" lon=\"2\""), 0},
        {"leading and trailing blanks", sWptAttributes("lat=\"  1.5  \" lon=\" 2 \""), 1},
        {"blanks around =", sWptAttributes("lat = \"1\" lon\t=\n\"2\""), 1},
        {"upper-case LAT", sWptAttributes("LAT=\"1\" lon=\"2\""), 0},
        {"lat missing", sWptAttributes("lon=\"2\""), 0},
        {"lon missing", sWptAttributes("lat=\"2\""), 0},
        {"many attributes", sWptAttributes([] {
             std::string s;
             for (int k = 0; k < 500; ++k) {
                 s += "a" + std::to_string(k) + "=\"" + std::to_string(k) + "\" ";
             }
             return s + "lat=\"1\" lon=\"2\"";
         }()),
         1},
        {"a value of 65536 bytes",
         sWptAttributes("a=\"" + std::string(65536, 'x') + "\" lat=\"1\" lon=\"2\""), 1},
        {"a value of 65537 bytes",
         sWptAttributes("a=\"" + std::string(65537, 'x') + "\" lat=\"1\" lon=\"2\""), 0},
        {"a value of 70000 bytes",
         sWptAttributes("lat=\"1\" lon=\"2\" a=\"" + std::string(70000, 'x') + "\""), 0},
        {"70000 bytes of &amp; that expand to 14000",
         sWptAttributes("a=\"" + sRepeat("&amp;", 14000) + "\" lat=\"1\" lon=\"2\""), 1},
        {"65536 bytes once CR LF pairs are one blank each",
         sWptAttributes("a=\"" + sRepeat("\r\n", 65536) + "\" lat=\"1\" lon=\"2\""), 1},
        {"a value of 70000 bytes on the root",
         sGpx("").insert(kDecl.size() + 5, "a=\"" + std::string(70000, 'y') + "\" "), 0},
    };
    // Numbers as lat: what the reader takes as a decimal and what it skips.
    const struct {
        const char *pszLatitude;
        int iExpat;
    } aNumbers[] = {
        {"", 0},         {" ", 0},        {"nan", 0},
        {"NaN", 0},      {"inf", 0},      {"-inf", 0},
        {"1e1", 1},      {"1E1", 1},      {"1e2", 0},
        {"1e-400", 0},   {"1e", 0},       {"+1", 1},
        {"-1", 1},       {"+-1", 0},      {"--1", 0},
        {".5", 1},       {"-.5", 1},      {"5.", 1},
        {".", 0},        {"0x10", 0},     {"1_0", 0},
        {"1,5", 0},      {"90", 1},       {"90.0000000001", 0},
        {"-90", 1},      {"00000001", 1}, {"1 1", 0},
        {"\xd9\xa3", 0}, {"-0", 1},       {"1.000000000000000000000000000000000000001", 1},
    };
    for (const auto &a : aNumbers) {
        aCases.push_back({a.pszLatitude,
                          sWptAttributes("lat=\"" + std::string(a.pszLatitude) + "\" lon=\"2\""),
                          a.iExpat});
    }
    const struct {
        const char *pszLongitude;
        int iExpat;
    } aLongitudes[] = {{"180", 1}, {"-180", 1}, {"180.0000001", 0}, {"179.9999999999", 1}};
    for (const auto &a : aLongitudes) {
        aCases.push_back({a.pszLongitude,
                          sWptAttributes("lat=\"1\" lon=\"" + std::string(a.pszLongitude) + "\""),
                          a.iExpat});
    }
    vRunTable(aCases);
}

TEST(GpxScanner, TextReferencesAndMarkup) {
    vRunTable({
        {"predefined entities in a name", sGpx(sNamed("&lt;&gt;&amp;&quot;&apos;")), 1},
        {"decimal and hexadecimal character references", sGpx(sNamed("&#65;&#x42;&#x0043;")), 1},
        {"&#X41; with a capital X", sGpx(sNamed("&#X41;")), 0},
        {"hexadecimal digits in both cases", sGpx(sNamed("&#x4a;&#x4A;")), 1},
        {"a decimal reference with many leading zeros", sGpx(sNamed("&#00000000000000065;")), 1},
        {"&#233; (Latin-1)", sGpx(sNamed("caf&#233;")), 1},
        {"&#x80; (a C1 control)", sGpx(sNamed("a&#x80;b")), 1},
        {"&#x10FFFF;", sGpx(sNamed("a&#x10FFFF;b")), 1},
        {"&#0;", sGpx(sNamed("a&#0;b")), 0},
        {"&#1;", sGpx(sNamed("a&#1;b")), 0},
        {"&#9; inside a name (kept)", sGpx(sNamed("a&#9;b")), 1},
        {"&#13; inside a name (the store drops it)", sGpx(sNamed("a&#13;b")), 1},
        {"&#10; around a name", sGpx(sNamed("&#10;ab&#10;")), 1},
        {"&#xD800;", sGpx(sNamed("a&#xD800;b")), 0},
        {"&#xDFFF;", sGpx(sNamed("a&#xDFFF;b")), 0},
        {"&#xFFFE;", sGpx(sNamed("a&#xFFFE;b")), 0},
        {"&#xFFFF;", sGpx(sNamed("a&#xFFFF;b")), 0},
        {"&#x110000;", sGpx(sNamed("a&#x110000;b")), 0},
        {"&#99999999999999999999;", sGpx(sNamed("a&#99999999999999999999;b")), 0},
        {"&#; empty", sGpx(sNamed("a&#;b")), 0},
        {"&#x; empty", sGpx(sNamed("a&#x;b")), 0},
        {"&#65 without ;", sGpx(sNamed("a&#65 b")), 0},
        {"undefined entity &foo;", sGpx(sNamed("a&foo;b")), 0},
        {"&AMP; in capitals", sGpx(sNamed("a&AMP;b")), 0},
        {"& alone", sGpx(sNamed("a & b")), 0},
        {"&amp without ;", sGpx(sNamed("a&amp b")), 0},
        {"]]> in text", sGpx(sNamed("a]]>b")), 0},
        {"]] and ]> in text", sGpx(sNamed("a]]b]>c")), 1},
        {"> alone in text", sGpx(sNamed("a>b")), 1},
        {"]]&gt; in text", sGpx(sNamed("a]]&gt;b")), 1},
        {"CR inside a name", sGpx(sNamed("a\rb")), 1},
        {"CR LF inside a name", sGpx(sNamed("a\r\nb")), 1},
        {"CR CR LF inside a name", sGpx(sNamed("a\r\r\nb")), 1},
        {"CR LF between tags",
         kDecl + "<gpx xmlns=\"" + kGpx11 +
             "\">\r\n<wpt lat=\"1\"\r\nlon=\"2\">\r\n<name>\r\nA\r\n</name>"
             "\r\n</wpt>\r\n</gpx>\r\n",
         1},
        {"CDATA in a name", sGpx(sNamed("x<![CDATA[a<b>&amp;]]>y")), 1},
        {"CDATA with CR LF and ]] inside", sGpx(sNamed("<![CDATA[a\r\nb]]]]>")), 1},
        {"empty CDATA", sGpx(sNamed("a<![CDATA[]]>b")), 1},
        {"CDATA between points", sGpx("<![CDATA[<wpt lat=\"1\" lon=\"1\">]]>" + sNamed("P")), 1},
        {"CDATA in an elevation",
         sGpx("<wpt lat=\"1\" lon=\"2\"><ele><![CDATA[12.5]]></ele>"
              "</wpt>"),
         1},
        {"CDATA before the root", kDecl + "<![CDATA[x]]>" + kRoot + "</gpx>", 0},
        {"CDATA not closed", sGpx(sNamed("<![CDATA[a")), 0},
        {"cdata in lower case", sGpx(sNamed("<![cdata[a]]>")), 0},
        {"comment in a name", sGpx(sNamed("a<!-- x -->b")), 1},
        {"comment between points", sGpx(sNamed("P") + "<!-- <wpt lat=\"1\" lon=\"1\"/> -->"), 1},
        {"comment before the root", kDecl + "<!-- c -->\n" + kRoot + sNamed("P") + "</gpx>", 1},
        {"comment after the root", sGpx(sNamed("P")) + "<!-- c -->\n", 1},
        {"empty comment", sGpx(sNamed("a<!---->b")), 1},
        {"comment holding a single dash", sGpx(sNamed("a<!-- - -->b")), 1},
        {"-- inside a comment", sGpx(sNamed("a<!-- -- -->b")), 0},
        {"comment ending in --->", sGpx(sNamed("a<!-- x --->b")), 0},
        {"comment <!--->", sGpx(sNamed("a<!--->b")), 0},
        {"comment not closed", sGpx(sNamed("a<!-- x")), 0},
        {"<!- with one dash", sGpx(sNamed("a<!- x ->b")), 0},
        {"processing instruction in a name", sGpx(sNamed("a<?pi data?>b")), 1},
        {"processing instruction between points", sGpx("<?pi?>" + sNamed("P")), 1},
        {"processing instruction before the root",
         kDecl + "<?xml-stylesheet href=\"s\"?>" + kRoot + sNamed("P") + "</gpx>", 1},
        {"processing instruction after the root", sGpx(sNamed("P")) + "<?pi x?>", 1},
        {"processing instruction named xml inside", sGpx(sNamed("a<?xml x?>b")), 0},
        {"processing instruction named XmL inside", sGpx(sNamed("a<?XmL x?>b")), 0},
        {"processing instruction named xmlfoo", sGpx(sNamed("a<?xmlfoo x?>b")), 1},
        {"processing instruction without a target", sGpx(sNamed("a<? x?>b")), 0},
        {"processing instruction not closed", sGpx(sNamed("a<?pi x")), 0},
        {"blanks after the root", sGpx(sNamed("P")) + "\n \t\r\n", 1},
        {"text after the root", sGpx(sNamed("P")) + "x", 0},
        {"a reference after the root", sGpx(sNamed("P")) + "&amp;", 0},
        {"a second root", sGpx(sNamed("P")) + sGpx(sNamed("Q")).substr(kDecl.size()), 0},
        {"a second empty root", sGpx(sNamed("P")) + "<gpx/>", 0},
        {"an element inside a name", sGpx(sNamed("a<b>x</b>c")), 1},
        {"an empty element inside a name", sGpx(sNamed("a<b/>c")), 1},
        {"an empty element two deep inside a name", sGpx(sNamed("a<b><c/></b>c")), 1},
        {"a name inside a name", sGpx(sNamed("a<name>x</name>c")), 1},
    });
}

TEST(GpxScanner, TextLengthsAndCharacters) {
    vRunTable({
        {"a name of 50 bytes", sGpx(sNamed(std::string(50, 'n'))), 1},
        {"a name of 60 bytes", sGpx(sNamed(std::string(60, 'n'))), 1},
        {"a name of 49 letters and one of two bytes",
         sGpx(sNamed(std::string(49, 'n') + "\xc3\xa9xyz")), 1},
        {"a name of 50 two-byte letters", sGpx(sNamed(sRepeat("\xc3\xa9", 60))), 1},
        {"a name of 60 three-byte letters", sGpx(sNamed(sRepeat("\xe2\x82\xac", 60))), 1},
        {"text of 5000 bytes", sGpx(sNamed(std::string(5000, 'n'))), 1},
        {"5000 blanks before a name (only 4096 bytes of text are kept)",
         sGpx(sNamed(std::string(5000, ' ') + "NAME")), 1},
        {"4092 blanks before a name", sGpx(sNamed(std::string(4092, ' ') + "NAME")), 1},
        {"4094 blanks before a name", sGpx(sNamed(std::string(4094, ' ') + "NAME")), 1},
        {"4095 blanks before a two-byte letter (cut in its middle)",
         sGpx(sNamed(std::string(4095, ' ') + "\xc3\xa9")), 1},
        {"4094 blanks before a four-byte letter",
         sGpx(sNamed(std::string(4094, ' ') + "\xf0\x9f\x98\x80")), 1},
        {"3000 CR LF before a name (one byte each once normalised)",
         sGpx(sNamed(sRepeat("\r\n", 3000) + "NAME")), 1},
        {"1000 &#32; before a name (one byte each once expanded)",
         sGpx(sNamed(sRepeat("&#32;", 1000) + "NAME")), 1},
        {"4000 blanks in a comment and a CDATA before a name",
         sGpx(sNamed(std::string(3000, ' ') + "<!--" + std::string(3000, ' ') + "-->" +
                     "<![CDATA[" + std::string(1000, ' ') + "]]>NAME")),
         1},
        {"4000 bytes of elevation blanks",
         sGpx("<wpt lat=\"1\" lon=\"2\"><ele>" + std::string(4000, ' ') + "12.5 </ele></wpt>"), 1},
        {"5000 bytes of elevation blanks",
         sGpx("<wpt lat=\"1\" lon=\"2\"><ele>" + std::string(5000, ' ') + "12.5</ele></wpt>"), 1},
        {"two-byte letters in and out of Latin-1", sGpx(sNamed("\xc3\xa9\xc4\x81\xc2\xa0")), 1},
        {"three- and four-byte letters", sGpx(sNamed("\xe2\x82\xac\xf0\x9f\x98\x80")), 1},
        {"U+FFFE in UTF-8", sGpx(sNamed("a\xef\xbf\xbe")), 0},
        {"U+FFFF in UTF-8", sGpx(sNamed("a\xef\xbf\xbf")), 0},
        {"U+FDD0 in UTF-8", sGpx(sNamed("a\xef\xb7\x90")), 1},
        {"U+2028 in UTF-8", sGpx(sNamed("a\xe2\x80\xa8")), 1},
        {"a surrogate in UTF-8", sGpx(sNamed("a\xed\xa0\x80")), 0},
        {"overlong NUL C0 80", sGpx(sNamed("a\xc0\x80")), 0},
        {"overlong slash C1 AF", sGpx(sNamed("a\xc1\xaf")), 0},
        {"overlong three bytes E0 80 80", sGpx(sNamed("a\xe0\x80\x80")), 0},
        {"overlong four bytes F0 80 80 80", sGpx(sNamed("a\xf0\x80\x80\x80")), 0},
        {"past U+10FFFF F4 90 80 80", sGpx(sNamed("a\xf4\x90\x80\x80")), 0},
        {"five-byte form F8", sGpx(sNamed("a\xf8\x88\x80\x80\x80")), 0},
        {"lone continuation byte", sGpx(sNamed("a\x80")), 0},
        {"lead byte without continuation", sGpx(sNamed("a\xc3z")), 0},
        {"three-byte form cut short", sGpx(sNamed("a\xe2\x82z")), 0},
        {"FE and FF bytes", sGpx(sNamed("a\xfe\xff")), 0},
        {"control character 0x01", sGpx(sNamed("a\x01z")), 0},
        {"vertical tab", sGpx(sNamed("a\x0bz")), 0},
        {"form feed", sGpx(sNamed("a\x0cz")), 0},
        {"escape 0x1B", sGpx(sNamed("a\x1bz")), 0},
        {"DEL 0x7F", sGpx(sNamed("a\x7fz")), 1},
        {"U+0080 and U+009F as UTF-8", sGpx(sNamed("a\xc2\x80\xc2\x9fz")), 1},
        {"tab inside a name", sGpx(sNamed("a\tz")), 1},
        {"NUL inside a name", sGpx(sNamed("a\0z"s)), 0},
        {"NUL inside an attribute", sWptAttributes("a=\"\0\" lat=\"1\" lon=\"2\""s), 0},
        {"NUL between points", sGpx(sNamed("P") + "\0"s + sNamed("Q")), 0},
        {"NUL after the root", sGpx(sNamed("P")) + "\0"s, 0},
        {"NUL before the declaration", "\0"s + sGpx(sNamed("P")), 0},
        {"a control character inside a comment", sGpx(sNamed("a<!-- \x01 -->b")), 0},
        {"Latin-1 byte inside a comment", sGpx(sNamed("a<!-- \xe9 -->b")), 0},
        {"an element name with non-ASCII letters",
         sGpx("<n\xc3\xa4me>x</n\xc3\xa4me>" + sNamed("P")), 1},
        {"a CJK element name", sGpx("<\xe5\x90\x8d>x</\xe5\x90\x8d>" + sNamed("P")), 1},
        {"an element name starting with a digit", sGpx("<1x/>" + sNamed("P")), 0},
        {"an element name starting with a dash", sGpx("<-x/>" + sNamed("P")), 0},
        {"an element name with a dot and a dash", sGpx("<a.b-c/>" + sNamed("P")), 1},
        {"an element name with U+00D7 (not a name character)", sGpx("<a\xc3\x97/>" + sNamed("P")),
         0},
    });
}

TEST(GpxScanner, Structure) {
    std::string sDeep64 = kDecl + kRoot + sRepeat("<x>", 63) + sRepeat("</x>", 63) + "</gpx>";
    std::string sDeep65 = kDecl + kRoot + sRepeat("<x>", 64) + sRepeat("</x>", 64) + "</gpx>";
    // Letters of two bytes before the deep element on its line: the column of
    // the report counts characters, not bytes.
    std::string sDeepAfterLetters = kDecl + "<gpx xmlns=\"" + kGpx11 +
                                    "\" a=\"\xc3\xa9\xc3\xa9\">" + sRepeat("<x>", 64) +
                                    sRepeat("</x>", 64) + "</gpx>";
    std::string sPoints =
        sNamed("A") + "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>\n";
    vRunTable({
        {"empty-element points and fields",
         sGpx("<wpt lat=\"1\" lon=\"2\"/><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"3\" "
              "lon=\"4\"><ele/><time/></trkpt></trkseg></trk>"),
         1},
        {"empty name element", sGpx("<wpt lat=\"1\" lon=\"2\"><name/></wpt>"), 1},
        {"empty-element root", kDecl + "<gpx xmlns=\"" + kGpx11 + "\"/>", 1},
        {"blank before /> and >",
         sGpx("<wpt lat=\"1\" lon=\"2\" ><name >P</name ><ele\n/></wpt\t>"), 1},
        {"end tag with blanks", sGpx("<wpt lat=\"1\" lon=\"2\"><ele>3</ele ></wpt>"), 1},
        {"blank after <", sGpx("< wpt lat=\"1\" lon=\"2\"/>"), 0},
        {"blank after </", sGpx("<wpt lat=\"1\" lon=\"2\"><ele>3</ ele></wpt>"), 0},
        {"end tag with an attribute", sGpx("<wpt lat=\"1\" lon=\"2\"></wpt a=\"1\">"), 0},
        {"end tag mismatch after a stored point",
         sGpx(sPoints + "<wpt lat=\"1\" lon=\"2\">"
                        "<name>B</nome></wpt>"),
         0},
        {"end tag of another case", sGpx("<wpt lat=\"1\" lon=\"2\"></WPT>"), 0},
        {"end tag with another prefix for the same namespace",
         kDecl + "<a:gpx xmlns:a=\"" + kGpx11 + "\" xmlns:b=\"" + kGpx11 + "\"></b:gpx>", 0},
        {"missing end tag of a point", sGpx(sPoints + "<wpt lat=\"1\" lon=\"2\">"), 0},
        {"missing end tag of the root", kDecl + kRoot + sPoints, 0},
        {"an end tag more", sGpx(sPoints + "</wpt>"), 0},
        {"nothing at all", "", 0},
        {"only blanks", " \n", 0},
        {"only a declaration", kDecl, 0},
        {"only a comment", "<!-- c -->", 0},
        {"elements nested 64 deep", sDeep64, 1},
        {"elements nested 65 deep", sDeep65, 0},
        {"elements nested 65 deep after two-byte letters", sDeepAfterLetters, 0},
        {"elements nested 10000 deep", kDecl + kRoot + sRepeat("<x>", 10000), 0},
        {"points inside an unknown element",
         sGpx("<x a=\"1\">text<wpt lat=\"1\" lon=\"2\"><name>"
              "P</name></wpt><y/>&amp;</x>" +
              sNamed("Q")),
         1},
        {"points inside metadata",
         sGpx("<metadata><name>M</name><wpt lat=\"1\" lon=\"2\"/></metadata>"), 1},
        {"a point inside a point",
         sGpx("<wpt lat=\"1\" lon=\"2\"><wpt lat=\"3\" lon=\"4\">"
              "<name>IN</name></wpt><name>OUT</name></wpt>"),
         1},
        {"a track point straight inside the track",
         sGpx("<trk><trkpt lat=\"1\" lon=\"2\"/><trkseg><trkpt lat=\"3\" "
              "lon=\"4\"/></trkseg></trk>"),
         1},
        {"root kml", kDecl + "<kml><Placemark/></kml>", 0},
        {"root GPX in capitals", kDecl + "<GPX xmlns=\"" + kGpx11 + "\"/>", 0},
        {"root gpx in the Garmin namespace", kDecl + "<gpx xmlns=\"" + kGarmin + "\"/>", 0},
        {"root with a name of 100 letters", kDecl + "<" + std::string(100, 'r') + "/>", 0},
        {"root with a name of 100 two-byte letters", kDecl + "<" + sRepeat("\xc3\xa9", 100) + "/>",
         0},
        {"an element name of 65536 bytes",
         kDecl + "<gpx>" + "<" + std::string(65536, 'e') + "/>" + "</gpx>", 1},
        {"an element name of 65537 bytes",
         kDecl + "<gpx>" + "<" + std::string(65537, 'e') + "/>" + "</gpx>", 0},
        // The length counted is that of the namespace URI, a separator and the local name.
        {"an element name of 65502 bytes in the GPX namespace (65536 with its URI)",
         sGpx("<" + std::string(65502, 'e') + "/>"), 1},
        {"an element name of 65503 bytes in the GPX namespace (65537 with its URI)",
         sGpx("<" + std::string(65503, 'e') + "/>"), 0},
        {"DOCTYPE with an internal subset and an entity",
         kDecl + "<!DOCTYPE gpx [ <!ENTITY e \"&#233;t&#233;\"> ]>\n" + kRoot + sNamed("N&e;") +
             "</gpx>",
         1},
        {"DOCTYPE whose entity holds a point",
         kDecl + "<!DOCTYPE gpx [ <!ENTITY p '<wpt lat=\"1\" lon=\"2\"><name>E</name></wpt>'> ]>" +
             kRoot + "&p;&p;</gpx>",
         1},
        {"DOCTYPE whose attribute defaults give lat and lon",
         kDecl + "<!DOCTYPE gpx [ <!ATTLIST wpt lat CDATA \"5\" lon CDATA \"6\"> ]>" + kRoot +
             "<wpt><name>D</name></wpt></gpx>",
         1},
        {"DOCTYPE whose attribute default gives the namespace",
         kDecl + "<!DOCTYPE gpx [ <!ATTLIST gpx xmlns CDATA \"" + kGpx11 + "\"> ]><gpx>" +
             sNamed("D") + "</gpx>",
         1},
        {"DOCTYPE with an external subset, an undeclared entity is passed over",
         kDecl + "<!DOCTYPE gpx SYSTEM \"gpx.dtd\">" + kRoot + sNamed("a&foo;b") + "</gpx>", 1},
        {"DOCTYPE with an external subset and standalone=yes",
         "<?xml version=\"1.0\" standalone=\"yes\"?><!DOCTYPE gpx SYSTEM \"gpx.dtd\">" + kRoot +
             sNamed("a&foo;b") + "</gpx>",
         0},
        {"DOCTYPE with an external entity",
         kDecl + "<!DOCTYPE gpx [ <!ENTITY x SYSTEM \"file:///etc/passwd\"> ]>" + kRoot +
             sNamed("a&x;b") + "</gpx>",
         1},
        {"DOCTYPE with a parameter entity",
         kDecl + "<!DOCTYPE gpx [ <!ENTITY % p \"<!ENTITY e 'x'>\"> %p; ]>" + kRoot +
             sNamed("a&e;b") + "</gpx>",
         1},
        {"DOCTYPE with a recursive entity",
         kDecl + "<!DOCTYPE gpx [ <!ENTITY a \"&b;\"> <!ENTITY b \"&a;\"> ]>" + kRoot +
             sNamed("&a;") + "</gpx>",
         0},
        {"DOCTYPE after the root", sGpx(sNamed("P")) + "<!DOCTYPE gpx>", 0},
        {"DOCTYPE twice", kDecl + "<!DOCTYPE gpx><!DOCTYPE gpx>" + kRoot + "</gpx>", 0},
        {"DOCTYPE not closed", kDecl + "<!DOCTYPE gpx [ " + kRoot + "</gpx>", 0},
        {"<!ENTITY outside a DOCTYPE", kDecl + "<!ENTITY e \"x\">" + kRoot + "</gpx>", 0},
        {"<!DOCTYPE inside the root", sGpx("<!DOCTYPE gpx>"), 0},
        // The reports of a refused root name its column, which counts characters
        // (a letter of two bytes is one, and so is the byte order mark).
        {"root kml after a byte order mark", "\xef\xbb\xbf<kml/>", 0},
        {"root kml after the declaration on its line", "<?xml version=\"1.0\"?><kml/>", 0},
        {"root kml after a comment of two-byte letters on its line",
         "<!--\xc3\xa9\xc3\xa9\xc3\xa9--><kml/>", 0},
        {"root kml after an empty comment and a tab", "<!---->\t<kml/>", 0},
        {"root kml in UTF-16",
         sUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n\t<kml/>", true), 0},
        {"blank between / and >", sGpx("<wpt lat=\"1\" lon=\"2\"/ >"), 0},
        {"text between points", sGpx("some text" + sNamed("P") + "more &amp; text"), 1},
    });
}

TEST(GpxScanner, EveryCutOfADocument) {
    std::string sDoc = kDecl + kRoot +
                       "<wpt lat=\"1.5\" lon=\"2.5\"><ele>3</ele><name>A&amp;B</name>"
                       "<cmt>c</cmt><sym>Flag, Blue</sym></wpt>\n"
                       "<rte><name>R</name><number>4</number><rtept lat=\"1\" lon=\"2\"/></rte>\n"
                       "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>2020-01-01T00:00:00Z</time>"
                       "</trkpt></trkseg></trk>\n</gpx>\n";
    for (size_t n = 0; n <= sDoc.size(); ++n) {
        SCOPED_TRACE(n);
        vExpectSameAsExpat(std::string_view(sDoc).substr(0, n));
    }
}

TEST(GpxScanner, GpxSemantics) {
    std::string sLongRoute = "<rte><name>LONG</name>";
    for (int k = 0; k < 33; ++k) {
        sLongRoute += "<rtept lat=\"1\" lon=\"" + std::to_string(k) + "\"><name>P" +
                      std::to_string(k) + "</name></rtept>";
    }
    sLongRoute += "</rte>\n";
    auto sTimed = [](const char *pszTime) {
        return sGpx(std::string("<wpt lat=\"1\" lon=\"2\"><name>T</name><time>") + pszTime +
                    "</time></wpt>");
    };
    vRunTable({
        {"a point without lat on line 4",
         sGpx(sNamed("A") + "<wpt lon=\"2\"><name>B</name></wpt>\n" + sNamed("C")), 0},
        {"points without a position on lines counted with CR alone",
         kDecl + "<gpx xmlns=\"" + kGpx11 + "\">\r\r<wpt lat=\"x\" lon=\"2\"/>\r<wpt/>\r</gpx>", 0},
        {"points without a position on lines counted with CR LF",
         kDecl + "<gpx xmlns=\"" + kGpx11 + "\">\r\n\r\n<rtept/><rte>\r\n<rtept/></rte></gpx>", 0},
        {"a track point without a position after a line in a comment",
         sGpx("<!-- \n\n -->\n<trk><trkseg><trkpt lat=\"1\"/></trkseg></trk>"), 0},
        {"a point without a position on a line inside a CDATA",
         sGpx("<![CDATA[\n\n]]><wpt lat=\"\" lon=\"\"/>"), 0},
        {"a point without a position whose tag spans lines", sGpx("<wpt\nlat=\"x\"\nlon=\"y\"\n/>"),
         0},
        {"line breaks inside attribute values before a point without a position",
         sGpx("<x a=\"\r\n\r\n\" b='\n\r'/><wpt lat=\"1\"/>"), 0},
        {"what is inside a point without a position is not read",
         sGpx("<wpt lat=\"x\" lon=\"2\"><name>A</name><wpt lat=\"1\" lon=\"2\"><name>B</name>"
              "</wpt></wpt>"),
         0},
        {"a route of 33 points", sGpx(sLongRoute), 1},
        {"route numbers repeated and missing",
         sGpx("<rte><number>2</number></rte><rte><number>2</number></rte><rte/>"
              "<rte><number>1</number></rte><rte><number>1</number></rte>"),
         1},
        {"route numbers that are not numbers",
         sGpx("<rte><number> 5 </number></rte><rte><number>-1</number></rte>"
              "<rte><number>4294967296</number></rte><rte><number>+3</number></rte>"
              "<rte><number>0x10</number></rte><rte><number>4294967295</number></rte>"),
         1},
        {"a route name longer than its comment",
         sGpx("<rte><name>" + std::string(30, 'r') + "</name><rtept lat=\"1\" lon=\"2\"/></rte>"),
         1},
        {"unnamed route and waypoints",
         sGpx("<rte><rtept lat=\"1\" lon=\"2\"/><rtept lat=\"1\" lon=\"3\"><name> </name>"
              "</rtept></rte><wpt lat=\"1\" lon=\"2\"/><wpt lat=\"3\" lon=\"4\"/>"),
         1},
        {"a route point named like a stored waypoint",
         sGpx(sNamed("SAME") + "<rte><rtept lat=\"5\" lon=\"6\"><name>SAME</name></rtept></rte>"),
         1},
        {"two waypoints of one name",
         sGpx(sNamed("TWICE") + "<wpt lat=\"3\" lon=\"4\"><name>"
                                "TWICE</name></wpt>"),
         1},
        {"the same proximity waypoint twice, the second without a radius",
         sGpx("<wpt lat=\"3\" lon=\"4\"><name>PX</name><extensions><gpxx:WaypointExtension>"
              "<gpxx:Proximity>50</gpxx:Proximity></gpxx:WaypointExtension></extensions></wpt>"
              "<wpt lat=\"3\" lon=\"4\"><name>PX</name></wpt>"),
         1},
        {"segments: empty ones, two tracks",
         sGpx("<trk><trkseg/><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"1\" lon=\"3\"/>"
              "</trkseg><trkseg></trkseg></trk><trk><trkseg><trkpt lat=\"1\" lon=\"4\"/>"
              "</trkseg></trk>"),
         1},
        {"a segment whose first point has no position",
         sGpx("<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg><trkseg><trkpt lon=\"2\"/>"
              "<trkpt lat=\"1\" lon=\"5\"/></trkseg></trk>"),
         0},
        {"track points of equal and no times",
         sGpx("<trk><trkseg><trkpt lat=\"1\" lon=\"1\"><time>2020-01-01T00:00:00Z</time></trkpt>"
              "<trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"1\" lon=\"3\"><time>2020-01-01T00:00:00Z"
              "</time></trkpt><trkpt lat=\"1\" lon=\"4\"><time>2019-01-01T00:00:00Z</time>"
              "</trkpt></trkseg></trk>"),
         1},
        {"time in UTC", sTimed("2004-05-06T07:08:09Z"), 1},
        {"time with an offset", sTimed("2004-05-06T07:08:09+01:30"), 1},
        {"time with a negative offset", sTimed("2004-05-06T07:08:09-05:00"), 1},
        {"time with a fraction below a half", sTimed("2004-05-06T07:08:09.499Z"), 1},
        {"time with a fraction of a half", sTimed("2004-05-06T07:08:09.5Z"), 1},
        {"time without a zone", sTimed("2004-05-06T07:08:09"), 1},
        {"time in lower case", sTimed(" 2004-05-06t07:08:09z "), 1},
        {"time that is not one", sTimed("yesterday"), 1},
        {"time before the receivers' epoch", sTimed("1980-01-01T00:00:00Z"), 1},
        {"time split by a comment", sTimed("2004-05-06T07:<!-- -->08:09Z"), 1},
        {"time with a character reference", sTimed("2004-05-06T07:08:09&#90;"), 1},
        {"description only, comment empty",
         sGpx("<wpt lat=\"1\" lon=\"2\"><name>D</name><desc>the desc</desc></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E</name><cmt/><desc>other</desc></wpt>"),
         1},
        {"name given twice",
         sGpx("<wpt lat=\"1\" lon=\"2\"><name>ONE</name><name>TWO</name></wpt>"), 1},
        {"symbols by name, by number and unknown",
         sGpx("<wpt lat=\"1\" lon=\"2\"><name>S1</name><sym>Flag, Blue</sym></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>S2</name><sym>300</sym></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>S3</name><sym>no such symbol</sym></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>S4</name><sym> Flag, Blue </sym></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>S5</name><sym>-3</sym></wpt>"),
         1},
        {"elevations",
         sGpx("<wpt lat=\"1\" lon=\"2\"><name>E1</name><ele> 12.5 </ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E2</name><ele>x</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E3</name><ele>-1000</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E4</name><ele>1e39</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E5</name><ele>-0</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E6</name><ele>0.1</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E7</name><ele>1e-50</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E8</name><ele>12.5m</ele></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>E9</name><ele>-699.99</ele></wpt>"),
         1},
        {"proximity and display modes",
         sGpx("<wpt lat=\"1\" lon=\"2\"><name>X1</name><extensions><gpxx:WaypointExtension>"
              "<gpxx:Proximity>abc</gpxx:Proximity><gpxx:DisplayMode>SymbolAndName"
              "</gpxx:DisplayMode></gpxx:WaypointExtension></extensions></wpt>"
              "<wpt lat=\"1\" lon=\"2\"><name>X2</name><extensions><gpxx:WaypointExtension>"
              "<gpxx:Proximity> 1e3 </gpxx:Proximity><gpxx:DisplayMode> SymbolOnly "
              "</gpxx:DisplayMode></gpxx:WaypointExtension></extensions></wpt>"),
         1},
        {"positions on the edges and rounding",
         sGpx("<wpt lat=\"90\" lon=\"180\"><name>R1</name></wpt>"
              "<wpt lat=\"-90\" lon=\"-180\"><name>R2</name></wpt>"
              "<wpt lat=\"0.0000000419\" lon=\"-0.0000000419\"><name>R3</name></wpt>"
              "<wpt lat=\"12.345678901234\" lon=\"-98.7654321\"><name>R4</name></wpt>"),
         1},
    });
}

namespace {

// The mutations: a byte removed, put in or replaced from bytes that matter to
// XML, a piece of markup put in, a slice doubled, the end cut.
std::string sMutate(std::string s, std::mt19937 &oRandom) {
    static const char kBytes[] = "<>&;\"'=/!?-[]:#x\r\n\t \x00\x80\xC3\xEF\xBF\xBE\xA9"
                                 "0123456789.eE+";
    static const char *const kPieces[] = {"&amp;",
                                          "&#0;",
                                          "&#x41;",
                                          "<!--",
                                          "-->",
                                          "]]>",
                                          "<![CDATA[",
                                          "<?pi?>",
                                          "xmlns=\"\"",
                                          "a:b",
                                          " xmlns:a=\"urn:a\"",
                                          "</gpx>",
                                          "<wpt>",
                                          "&foo;",
                                          "<!DOCTYPE gpx>",
                                          " lat=\"1\"",
                                          "\xef\xbb\xbf"};
    auto nAt = [&](size_t nSize) {
        return nSize == 0 ? 0 : std::uniform_int_distribution<size_t>(0, nSize - 1)(oRandom);
    };
    int nChanges = 1 + static_cast<int>(oRandom() % 3);
    for (int k = 0; k < nChanges; ++k) {
        size_t n = nAt(s.size() + 1);
        char c = kBytes[nAt(sizeof(kBytes) - 1)];
        switch (oRandom() % 7) {
        case 0:
            s.resize(n);
            break;
        case 1:
            if (n < s.size()) {
                s.erase(n, 1);
            }
            break;
        case 2:
            s.insert(s.begin() + static_cast<std::ptrdiff_t>(n), c);
            break;
        case 3:
            if (n < s.size()) {
                s[n] = c;
            }
            break;
        case 4:
            s.insert(n, kPieces[nAt(sizeof(kPieces) / sizeof(kPieces[0]))]);
            break;
        case 5: {
            size_t nLength = std::min<size_t>(s.size() - std::min(n, s.size()), 1 + oRandom() % 64);
            s.insert(n, s.substr(n, nLength));
            break;
        }
        default:
            if (n < s.size()) {
                s.erase(n, std::min<size_t>(s.size() - n, 1 + oRandom() % 16));
            }
            break;
        }
    }
    return s;
}

} // namespace

TEST(GpxScanner, RandomMutationsOfPlainFiles) {
    std::vector<std::string> aSeeds = {
        sWrittenStore(),
        sReadFile(std::string(QUILLOX_SOURCE_DIR) + "/fuzz/corpus/gpx/tour.gpx"),
        kDecl + "<g:gpx xmlns:g=\"" + kGpx10 + "\" xmlns:x=\"" + kGarmin +
            "\">\n<g:wpt lat='1.5' lon='-2.25'><g:name>W&amp;1</g:name><g:ele>3</g:ele>"
            "<x:WaypointExtension><x:Proximity>9</x:Proximity></x:WaypointExtension></g:wpt>\n"
            "<g:trk><g:trkseg><g:trkpt lat=\"1\" lon=\"2\"/><g:trkpt lat=\"3\" lon=\"4\">"
            "<g:time>2001-02-03T04:05:06Z</g:time></g:trkpt></g:trkseg></g:trk>\n</g:gpx>\n",
    };
    for (const std::string &s : aSeeds) {
        ASSERT_FALSE(s.empty());
    }
    std::mt19937 oRandom(20261209);
    for (int k = 0; k < 3000; ++k) {
        const std::string &sSeed = aSeeds[static_cast<size_t>(k) % aSeeds.size()];
        std::string sDoc = sMutate(sSeed, oRandom);
        SCOPED_TRACE(::testing::Message() << "mutation " << k);
        vExpectSameAsExpat(sDoc);
        if (::testing::Test::HasFailure()) {
            break; // one document to look at is enough
        }
    }
}

// The scanner exists to read what programs write without expat; these files
// it must take whole, never give up on. (GPSBabel's own writing is held to the
// same in peer_gpx_scanner_test.cpp.)
TEST(GpxScanner, TakesThePlainFilesProgramsWrite) {
    std::vector<std::pair<std::string, std::string>> aFiles = {{"our writer", sWrittenStore()}};
    std::error_code oError;
    for (const auto &oEntry :
         std::filesystem::directory_iterator(std::filesystem::path(sPeerFile("")), oError)) {
        std::string sName = oEntry.path().filename().string();
        if (sName.size() > 13 && sName.substr(sName.size() - 13) == ".expected.gpx") {
            aFiles.push_back({sName, sReadFile(oEntry.path().string())});
        }
    }
    EXPECT_GE(aFiles.size(), 3u) << "the peer files' .expected.gpx were not found";
    for (const auto &[sWhat, sDoc] : aFiles) {
        SCOPED_TRACE(sWhat);
        ASSERT_FALSE(sDoc.empty());
        Both o = oCompareWithExpat(sDoc);
        EXPECT_NE(o.iScanner, -1) << "the scanner gave up";
        EXPECT_EQ(o.iExpat, 1);
    }
}
