#pragma once
// A fast, strict reader of the plain XML that programs write: UTF-8 (with or
// without a byte order mark and an XML declaration), elements, attributes,
// namespaces, text with the five predefined entities and character
// references, and comments. At anything else (a DTD, CDATA, a processing
// instruction, another encoding, a reference to a control character, a token
// larger than its buffer) and at anything that is not well-formed, it gives
// up rather than guess: the caller then reads the document with a full XML
// parser. So whatever it does read, it reads as such a parser would.
//
// Element names and attribute names are split into namespace and local
// name, as an XML parser with namespace processing gives them.

#include <cstddef>
#include <cstdio>
#include <span>
#include <string_view>

struct XmlAttribute {
    std::string_view svUri; // empty for an attribute without a prefix
    std::string_view svLocal;
    std::string_view svValue; // as written: the scanner gives up at '&' in values
};

// What the scanner finds, in document order. Each call returns false to stop
// the scan, which then counts as given up. The views live only for the call.
class XmlScanHandler {
  public:
    virtual ~XmlScanHandler() = default;
    virtual bool fStartElement(std::string_view svUri, std::string_view svLocal,
                               std::span<const XmlAttribute> aAttributes) = 0;
    // Text inside the root element, with references resolved; a run of text
    // may come in several calls.
    virtual bool fText(std::string_view svText) = 0;
    // Whether text at this place matters; text that does not is only checked.
    virtual bool fWantsText() const = 0;
    virtual bool fEndElement() = 0;
};

enum class XmlScanResult {
    kDone,     // the whole document was read
    kGaveUp,   // the scanner met what it does not read, or the handler stopped it
    kReadError // the file could not be read (errno says why)
};

XmlScanResult eScanXml(std::string_view svDocument, XmlScanHandler &oHandler);
// Reads the file from where it stands, in pieces: memory does not grow with it.
XmlScanResult eScanXmlFile(std::FILE *pFile, XmlScanHandler &oHandler);
