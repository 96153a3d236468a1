#include "common/Result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>

namespace {

Result<int> Parse(const std::string& text) {
    if (text.empty()) {
        return Error{"nothing to read"};
    }
    return std::stoi(text);
}

TEST(ResultTest, HoldsEitherTheValueOrTheUsersMessage) {
    const Result<int> good = Parse("42");
    ASSERT_TRUE(good.Ok());
    EXPECT_TRUE(static_cast<bool>(good));
    EXPECT_EQ(*good, 42);
    EXPECT_THROW((void)good.Message(), std::bad_variant_access);

    const Result<int> bad = Parse("");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.Message(), "nothing to read");
    EXPECT_THROW((void)bad.Value(), std::bad_variant_access);
}

TEST(ResultTest, MovesAValueThatCannotBeCopied) {
    Result<std::unique_ptr<std::string>> made = std::make_unique<std::string>("kept");
    std::unique_ptr<std::string> taken = std::move(made).Value();
    EXPECT_EQ(*taken, "kept");
}

TEST(ResultTest, StatusIsOkUnlessItCarriesAMessage) {
    const Status done;
    EXPECT_TRUE(done.Ok());
    EXPECT_THROW((void)done.Message(), std::bad_optional_access);

    const Status failed = Error{"Failed to save document."};
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Message(), "Failed to save document.");
}

}  // namespace
