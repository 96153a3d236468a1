#pragma once

#include <gtest/gtest.h>

#include <string>

// EXPECT_TRUE(Succeeded(SaveDocumentFile(doc, path))): a failure shows the
// result's message.
template <class Outcome>
testing::AssertionResult Succeeded(const Outcome& result) {
    if (result.Ok()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << result.Message();
}

// The user's message of a failed result, or "no error".
template <class Outcome>
std::string MessageOf(const Outcome& result) {
    return result.Ok() ? std::string("no error") : result.Message();
}
