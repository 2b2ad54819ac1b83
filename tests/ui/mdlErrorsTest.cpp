#include "core/ErrorCodes.h"
#include "support/ScriptedMsgBox.h"
#include "ui/mdlErrors.h"

#include <gtest/gtest.h>
#include <stdexcept>

using tbn::test::ScriptedMsgBox;

TEST(ShowError, BuildsTwoLinesTitledWithTheContextOnly) {
    ScriptedMsgBox boxes;
    boxes.Answer(1);
    const int answer = mdlErrors::ShowError(tbn::Error(-2147217900, "near \"selec\": syntax error"),
                                            QStringLiteral("frmMain >> ExecuteQuery"), 16);
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().prompt,
              QStringLiteral("Application error:\r\n#-2147217900 near \"selec\": syntax error"));
    EXPECT_EQ(boxes.Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
    EXPECT_EQ(boxes.Last().style, 16);
}

TEST(ShowError, KeepsEmptyAndMultiLineDescriptionsAsTheyAre) {
    ScriptedMsgBox boxes;
    boxes.Answer(1).Answer(1);
    mdlErrors::ShowError(tbn::Error(13, ""), QStringLiteral("frmConnections >> FillCnns"), 16);
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Application error:\r\n#13 "));
    mdlErrors::ShowError(tbn::Error(0, "first\r\nsecond\nthird"), QStringLiteral("x"), 16);
    EXPECT_EQ(boxes.Last().prompt,
              QStringLiteral("Application error:\r\n#0 first\r\nsecond\nthird"));
}

TEST(ShowError, DescriptionIsShownAsUtf8) {
    ScriptedMsgBox boxes;
    boxes.Answer(1);
    mdlErrors::ShowError(tbn::Error(1, "no such table: Bücher"), QStringLiteral("t"), 16);
    EXPECT_TRUE(boxes.Last().prompt.endsWith(QStringLiteral("no such table: Bücher")));
}

TEST(Guarded, ReportsAnyFailureUnderItsContextAndConsumesIt) {
    ScriptedMsgBox boxes;
    boxes.Answer(1).Answer(1).Answer(1);
    EXPECT_FALSE(mdlErrors::Guarded(QStringLiteral("mdlOLEDB >> EditCnn"),
                                    [] { throw tbn::Error(-1001, "bad"); }));
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Application error:\r\n#-1001 bad"));
    EXPECT_EQ(boxes.Last().title, QStringLiteral("mdlOLEDB >> EditCnn"));
    EXPECT_EQ(boxes.Last().style, 16);

    EXPECT_FALSE(mdlErrors::Guarded(QStringLiteral("c"), [] { throw std::runtime_error("boom"); }));
    EXPECT_EQ(boxes.Last().prompt,
              QStringLiteral("Application error:\r\n#%1 boom").arg(tbn::ErrorCode::Unexpected));
    EXPECT_FALSE(mdlErrors::Guarded(QStringLiteral("c"), [] { throw std::bad_alloc(); }));
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Application error:\r\n#7 Out of memory"));

    bool ran = false;
    EXPECT_TRUE(mdlErrors::Guarded(QStringLiteral("c"), [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(boxes.Count(), 3u);
}
