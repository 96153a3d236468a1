#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace test_support {

// A test that works in a fresh folder of its own, named after the test, where
// the recordings it starts also keep their crash journals. The folder goes
// when the test passes and stays to be looked at when it fails.
class TestFolderTest : public ::testing::Test {
  protected:
    explicit TestFolderTest(std::string prefix) : m_prefix(std::move(prefix)) {}

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                (m_prefix + info->name() + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        setenv("XDG_STATE_HOME", PathOf("state").c_str(), 1);
    }
    void TearDown() override {
        if (!HasFailure()) {
            std::filesystem::remove_all(m_dir);
        }
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;

  private:
    std::string m_prefix;
};

}  // namespace test_support
