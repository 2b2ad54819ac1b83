// The recovery file format takes any text through unchanged and refuses a file that is not a
// complete record.
#include "core/RecoveryRecord.h"

#include <gtest/gtest.h>

using namespace tbn::core;

TEST(RecoveryRecordTest, AnyTextSurvivesTheFileAndACutFileIsRefused) {
    QString text = QStringLiteral("select 1;\r\n-- \u00e9\u4e2d \U0001F600\r\n");
    text += QChar(u'\0');
    text += QStringLiteral("\n\r") + QString(3 * 1024 * 1024, QLatin1Char('x'));
    const RecoveredText record{QStringLiteral("name 1"),
                               QStringLiteral("Data Source=a;Password=p w"), text};
    const QByteArray bytes = EncodeRecoveredText(record);

    const std::optional<RecoveredText> back = DecodeRecoveredText(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, record.name);
    EXPECT_EQ(back->cnn, record.cnn);
    EXPECT_TRUE(back->text == record.text);
    EXPECT_FALSE(DecodeRecoveredText(bytes.left(bytes.size() - 1)))
        << "a file cut short by a crash";
    EXPECT_FALSE(DecodeRecoveredText(bytes + 'x'));
    EXPECT_FALSE(DecodeRecoveredText("TBN recovery 1\n-1 0 1\nab"));
    EXPECT_FALSE(
        DecodeRecoveredText("TBN recovery 1\n9223372036854775807 9223372036854775807 2\nab"));
}
