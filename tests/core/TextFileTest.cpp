#include "core/TextFile.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace tbn::core {
namespace {

QStringList Split(const char* bytes, qsizetype size = -1) {
    return SplitLines(QByteArrayView(bytes, size < 0 ? qsizetype(qstrlen(bytes)) : size));
}

TEST(TextFileTest, LinesEndAtCrLfOrLoneCrButNotAtLoneLf) {
    EXPECT_EQ(Split(""), QStringList());
    EXPECT_EQ(Split("a\r\nb\r\n"), QStringList({"a", "b"}));
    EXPECT_EQ(Split("a\rb\r"), QStringList({"a", "b"}));
    EXPECT_EQ(Split("a\nb\r\nc"), QStringList({"a\nb", "c"}));
    EXPECT_EQ(Split("last line without end"), QStringList({"last line without end"}));
    EXPECT_EQ(Split("\r\n\r\n"), QStringList({"", ""}));
    EXPECT_EQ(Split("a\r\r\nb\n"), QStringList({"a", "", "b\n"}));
    EXPECT_EQ(Split("\n"), QStringList({"\n"}));
}

TEST(TextFileTest, EachLineIsUtf8WhenValidAndWindows1252Otherwise) {
    const QString eAcute = QString::fromUtf8("\xC3\xA9");
    const QString euro = QString::fromUtf8("\xE2\x82\xAC");
    EXPECT_EQ(Split("caf\xE9 \x80\r\n"), QStringList({"caf" + eAcute + " " + euro}));
    EXPECT_EQ(Split("caf\xC3\xA9 \xE2\x82\xAC"), QStringList({"caf" + eAcute + " " + euro}));
    // An old Windows line followed by a line this program appended in UTF-8.
    EXPECT_EQ(Split("caf\xE9\r\ncaf\xC3\xA9\r\n"), QStringList({"caf" + eAcute, "caf" + eAcute}));
    // Overlong and truncated sequences are not UTF-8.
    EXPECT_EQ(Split("\xC0\xAF|\xC3"),
              QStringList({QString::fromUtf8("\xC3\x80\xC2\xAF|\xC3\x83")}));
    EXPECT_EQ(DecodeWindows1252("\x81\x8D\x9F\xA0\xFF"),
              QString::fromUtf16(u"\u0081\u008D\u0178\u00A0\u00FF"));
}

TEST(TextFileTest, LeadingByteOrderMarkIsSkippedOnlyAtTheStartOfTheFile) {
    EXPECT_EQ(Split("\xEF\xBB\xBFselect 1\r\n\xEF\xBB\xBFx"),
              QStringList({"select 1", QChar(0xFEFF) + QString("x")}));
}

TEST(TextFileTest, NulBytesAndHugeLinesSurvive) {
    EXPECT_EQ(Split("a\0b\r\n\0", 6),
              QStringList({QString("a") + QChar(0) + "b", QString(QChar(0))}));

    QByteArray huge(32 * 1024 * 1024, 'x');
    huge[7] = '\xE9';
    const QStringList lines = SplitLines(huge);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), huge.size());
    EXPECT_EQ(lines[0][7], QChar(0xE9));

    const QStringList many = SplitLines(QByteArray(300000, '\r'));
    EXPECT_EQ(many.size(), 300000);
}

TEST(TextFileTest, WrittenLinesAreUtf8WithCrLfAndReadBackUnchanged) {
    const QStringList lines = {"select * from t", "",
                               QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"),
                               "embedded\nline feed", "  padded  "};
    const QByteArray bytes = EncodeLines(lines);
    EXPECT_TRUE(bytes.startsWith("select * from t\r\n\r\n\xE6\x97\xA5"));
    EXPECT_TRUE(bytes.endsWith("  padded  \r\n"));

    test::TempDir dir;
    dir.write("t.txt", bytes);
    EXPECT_EQ(ReadLines(dir.file("t.txt")), lines);
}

TEST(TextFileTest, FailedReadRaises) {
    test::TempDir dir;
    dir.write("t.txt", "a\r\nb\r\n");
    FaultInjector::Scope fault(FileOpKind::Read, 1, EIO);
    try {
        ReadLines(dir.file("t.txt"));
        FAIL() << "no error";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::PathFileAccess) << e.Description();
    }
}

}  // namespace
}  // namespace tbn::core
