// The file a recording falls back to when it cannot be saved where asked.
#include <gtest/gtest.h>

#include "DocviewTestSupport.h"
#include "docview/DataFile.h"
#include "docview/FallbackSave.h"

using namespace docview_test;

TEST(FallbackSave, FolderFollowsTheStateDirectoryRule) {
    struct Case {
        const char* xdgStateHome;
        const char* home;
        const char* folder;
    };
    const Case cases[] = {
        {"/var/state", "/home/u", "/var/state/vavirir"},
        {nullptr, "/home/u", "/home/u/.local/state/vavirir"},
        {"", "/home/u", "/home/u/.local/state/vavirir"},
        {"relative/state", "/home/u", "/home/u/.local/state/vavirir"},  // only absolute counts
        {nullptr, nullptr, "/.local/state/vavirir"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FallbackFolder(c.xdgStateHome, c.home), c.folder)
            << (c.xdgStateHome ? c.xdgStateHome : "(unset)");
    }
}

TEST(FallbackSave, MakesTheFolderAndNeverReplacesAFile) {
    TempDir dir;
    setenv("TZ", "UTC", 1);
    tzset();
    const std::string folder = dir.File("state/vavirir");
    const std::time_t now = 1796704501;  // 2026-12-08 04:35:01 UTC
    const std::string first =
        SaveDocumentFallback(SampleDocument(), "/gone/rec.txt", folder, now).Value();
    EXPECT_EQ(first, folder + "/rec-20261208-043501.txt");
    const std::string second =
        SaveDocumentFallback(CRoZudozuvDoc(), "/gone/rec.txt", folder, now).Value();
    EXPECT_EQ(second, folder + "/rec-20261208-043501-2.txt");
    EXPECT_EQ(ReadFileBytes(first), WriteDocumentBytes(SampleDocument()));
    EXPECT_EQ(SaveDocumentFallback(CRoZudozuvDoc(), "/", folder, now).Value(),
              folder + "/recording-20261208-043501.txt");
    // a folder that cannot be made says why
    const std::string underFile = first + "/more";
    EXPECT_EQ(SaveDocumentFallback(CRoZudozuvDoc(), "rec.txt", underFile, now).Message(),
              "cannot make the folder " + underFile + ": Not a directory");
}
