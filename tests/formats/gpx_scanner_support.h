#pragma once
// The GPX reader's scanner held to expat: a document read by each parser into
// a store of its own, the results, standard error and stores compared.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "formats/gpx.h"
#include "gpx_store_compare.h"
#include "gpx_test_support.h"
#include "store/workspace.h"

namespace gpx_scanner_test {

struct Import {
    int iResult = 0;
    std::string sErr;
};

inline Import oImport(Workspace &w, std::string_view svDoc, GpxParser eParser,
                      const char *pszName = "t.gpx") {
    Import o;
    ::testing::internal::CaptureStderr();
    o.iResult = iImportGpxBufferWith(&w, svDoc, pszName, eParser);
    o.sErr = ::testing::internal::GetCapturedStderr();
    return o;
}

struct Both {
    int iScanner = 0;
    int iExpat = 0;
    std::string sExpatErr;
};

inline void vExpectSameImport(const Import &oGot, const Workspace &wGot, const Import &oExpat,
                              const Workspace &wExpat) {
    EXPECT_EQ(oGot.iResult, oExpat.iResult);
    EXPECT_EQ(oGot.sErr, oExpat.sErr);
    EXPECT_EQ(gpx_compare::sStoreDifference(*wGot.pStore, *wExpat.pStore), "")
        << "(this store, then expat's)";
}

// Reads the document with each parser into a fresh store. A scanner that gave
// up has stored and said nothing; one that did not agrees with expat in its
// result, its standard error and every record. The reader that tries the
// scanner first always agrees with expat.
inline Both oCompareWithExpat(std::string_view svDoc) {
    Workspace s, e, b;
    Import oScanner = oImport(s, svDoc, GpxParser::kScanner);
    Import oExpat = oImport(e, svDoc, GpxParser::kExpat);
    {
        SCOPED_TRACE("scanner, then expat when it gives up");
        vExpectSameImport(oImport(b, svDoc, GpxParser::kScannerThenExpat), b, oExpat, e);
    }
    if (oScanner.iResult == -1) {
        EXPECT_EQ(oScanner.sErr, "") << "the scanner gave up but spoke";
        EXPECT_TRUE(gpx_compare::fStoreEmpty(*s.pStore)) << "the scanner gave up but stored";
    } else {
        SCOPED_TRACE("scanner");
        vExpectSameImport(oScanner, s, oExpat, e);
    }
    return {oScanner.iResult, oExpat.iResult, oExpat.sErr};
}

inline void vExpectSameAsExpat(std::string_view svDoc) {
    oCompareWithExpat(svDoc);
}

// The writer's GPX of the store with every field GPX carries.
inline std::string sWrittenStore() {
    exchange_test::ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    return exchange_test::sExport(w, oFolder, kFileGpx, "all.gpx");
}

} // namespace gpx_scanner_test
