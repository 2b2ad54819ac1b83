// The conversions between the CR LF text windows exchange and the widgets' own line breaks.
#include "core/LineBreaks.h"

#include <gtest/gtest.h>

using tbn::core::BreakSnap;

TEST(LineBreaks, EveryKindOfBreakBecomesOneAndPositionsCountCrLfAsTwo) {
    EXPECT_EQ(tbn::core::ToLf("a\r\nb\rc\nd\r\n"), QStringLiteral("a\nb\nc\nd\n"));
    EXPECT_EQ(tbn::core::ToCrLf("a\n\nb"), QStringLiteral("a\r\n\r\nb"));
    EXPECT_EQ(tbn::core::ToLf("\r\r\n\n\r"), QStringLiteral("\n\n\n\n"));
    EXPECT_EQ(tbn::core::ToCrLf("\nx\n"), QStringLiteral("\r\nx\r\n"));
    const QString lf = QStringLiteral("ab\ncd\n");
    EXPECT_EQ(tbn::core::ToOutsidePosition(lf, 3), 4);
    EXPECT_EQ(tbn::core::ToOutsidePosition(lf, 6), 8);
    EXPECT_EQ(tbn::core::ToOutsidePosition(lf, 99), 8);
    EXPECT_EQ(tbn::core::ToInsidePosition(lf, 4, BreakSnap::Before), 3);
    EXPECT_EQ(tbn::core::ToInsidePosition(lf, 3, BreakSnap::Before), 2);  // between CR and LF
    EXPECT_EQ(tbn::core::ToInsidePosition(lf, 3, BreakSnap::After), 3);
    EXPECT_EQ(tbn::core::ToInsidePosition(lf, 99, BreakSnap::After), 6);
}
