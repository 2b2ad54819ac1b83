// A row set moved into memory part-way keeps the failure its reading met for after its rows.
#include "core/Error.h"
#include "db/providers/BufferedCursor.h"

#include <gtest/gtest.h>

using tbn::db::BufferedCursor;

TEST(BufferedCursor, AFailureMetWhileReadingIsRaisedOnceAfterTheRowsReadBeforeIt) {
    BufferedCursor rows({"n"});
    rows.AppendValue("1");
    rows.AppendNull();
    rows.FailAtEnd(tbn::Error(42, "the link broke"));

    EXPECT_EQ(rows.Value(0), "1");
    rows.Next();
    EXPECT_TRUE(rows.IsNull(0));
    try {
        rows.Next();
        FAIL() << "the failure after the last row was not raised";
    } catch (const tbn::Error& error) {
        EXPECT_EQ(error.Number(), 42);
    }
    EXPECT_TRUE(rows.AtEnd());
    EXPECT_NO_THROW(rows.Next());
}
