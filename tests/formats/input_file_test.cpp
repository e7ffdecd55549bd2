#include "formats/input_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_files.h"

// Around the first read's block, and past a large page, every byte comes back.
TEST(WholeFile, ComesBackByteForByte) {
    TempFolder oFolder;
    for (size_t nSize : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{3} << 20}) {
        std::string sBytes(nSize, '\0');
        for (size_t k = 0; k < nSize; ++k) {
            sBytes[k] = static_cast<char>(k * 131 + k / 7);
        }
        const std::string sName = oFolder.sPath("f" + std::to_string(nSize));
        vWriteFile(sName, sBytes);
        FileBytes oData;
        ASSERT_EQ(iReadWholeFile(sName.c_str(), oData), 1) << nSize;
        EXPECT_TRUE(oData.sv() == sBytes) << nSize;
    }
}
