#include <gtest/gtest.h>

#include <string>

#include "support/FailureTesting.h"
#include "rom/Result.h"

namespace varn {
namespace {

Result<int> Half(int value)
{
    if (value % 2 != 0) {
        return Failure{"odd", 2, "Edit7"};
    }
    return value / 2;
}

Status Even(int value)
{
    if (value % 2 != 0) {
        return Failure{"odd", 2, "Edit7"};
    }
    return {};
}

TEST(ResultTest, FailureKeepsItsPageAndControlInBothShapes)
{
    const Failure expected{"odd", 2, "Edit7"};

    const Result<int> half = Half(3);
    ASSERT_FALSE(half.ok());
    EXPECT_EQ(half.failure(), expected);
    EXPECT_EQ(half.message(), "odd");

    const Status even = Even(3);
    ASSERT_FALSE(even.ok());
    EXPECT_EQ(even.failure(), expected);
    EXPECT_EQ(even.message(), "odd");
}

TEST(ResultTest, MessageOnlyFailureNamesNoPlace)
{
    const Status status = Failure{"メッセージ"};
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.failure(), (Failure{"メッセージ", -1, ""}));
    // Failing with an empty message is still failing.
    EXPECT_FALSE(Status(Failure{}).ok());
}

TEST(ResultTest, SuccessHasAnEmptyFailure)
{
    const Result<int> half = Half(4);
    ASSERT_TRUE(half.ok());
    EXPECT_EQ(half.value(), 2);
    EXPECT_EQ(half.failure(), Failure{});
    EXPECT_EQ(test::FailureOf(half), std::nullopt);

    const Status even = Even(4);
    EXPECT_TRUE(even.ok());
    EXPECT_EQ(even.failure(), Failure{});
    EXPECT_EQ(test::FailureOf(even), std::nullopt);
}

} // namespace
} // namespace varn
