// Saving and opening files: replacing a file safely and the user messages.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "DocviewTestSupport.h"
#include "docview/DataFile.h"

using namespace docview_test;

namespace {

std::string LoadError(const std::string& path) {
    CRoZudozuvDoc doc;
    try {
        LoadDocumentFile(path, doc);
    } catch (const CDataFileError& e) {
        return e.what();
    }
    return "no error";
}

std::string SaveError(const CRoZudozuvDoc& doc, const std::string& path) {
    try {
        SaveDocumentFile(doc, path);
    } catch (const CDataFileError& e) {
        return e.what();
    }
    return "no error";
}

std::size_t EntriesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
}

bool RunningAsRoot() {
    return geteuid() == 0;
}

}  // namespace

TEST(DataFileIo, SaveThenLoadAndReplace) {
    TempDir dir;
    const std::string path = dir.File("doc.txt");
    SaveDocumentFile(SampleDocument(), path);
    EXPECT_EQ(ReadFileBytes(path), WriteDocumentBytes(SampleDocument()));
    chmod(path.c_str(), 0640);

    CRoZudozuvDoc loaded;
    LoadDocumentFile(path, loaded);
    EXPECT_EQ(loaded.channels, SampleDocument().channels);
    EXPECT_EQ(loaded.summary, SampleDocument().summary);
    EXPECT_EQ(loaded.Role(), DocumentRole::NotRecording);

    // saving again replaces the content, keeps the permissions and leaves no
    // temporary file behind
    SaveDocumentFile(CRoZudozuvDoc(), path);
    EXPECT_EQ(ReadFileBytes(path), WriteDocumentBytes(CRoZudozuvDoc()));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    // through a symbolic link the link stays and its target changes
    const std::string link = dir.File("link.txt");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    SaveDocumentFile(SampleDocument(), link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(path), WriteDocumentBytes(SampleDocument()));
}

TEST(DataFileIo, FailedWriteKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.File("doc.txt");
    SaveDocumentFile(SampleDocument(), path);
    const Bytes before = ReadFileBytes(path);

    // A file size limit makes the write fail part-way, as a full disk would.
    CRoZudozuvDoc big;
    big.channels[0].assign(5000, Record(1.0, "mVDC", 0.0, 0, "3/5/2018 9:7:5", "mVDC"));
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto* previousHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = SaveError(big, path);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(error, "Destination disk drive is full.");
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(DataFileIo, SaveErrorsNameTheFile) {
    TempDir dir;
    const std::string missingFolder = dir.File("no/such/folder/doc.txt");
    EXPECT_EQ(
        SaveError(SampleDocument(), missingFolder),
        missingFolder +
            "\nCannot find this file.\nVerify that the correct path and file name are given.");
    EXPECT_EQ(SaveError(SampleDocument(), dir.Path().string()),
              dir.Path().string() + " is a directory.");
    if (RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    const std::string readOnly = dir.File("read-only.txt");
    SaveDocumentFile(CRoZudozuvDoc(), readOnly);
    chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(SaveError(SampleDocument(), readOnly), "Access to " + readOnly + " was denied.");
    EXPECT_EQ(ReadFileBytes(readOnly), WriteDocumentBytes(CRoZudozuvDoc()));

    const std::filesystem::path locked = dir.Path() / "locked";
    std::filesystem::create_directory(locked);
    chmod(locked.c_str(), 0555);
    const std::string inLocked = (locked / "doc.txt").string();
    EXPECT_EQ(SaveError(SampleDocument(), inLocked), "Access to " + inLocked + " was denied.");
}

TEST(DataFileIo, LoadErrorsNameTheFileAndNeverBlock) {
    TempDir dir;
    const std::string missing = dir.File("missing.txt");
    EXPECT_EQ(LoadError(missing), missing + " was not found.");
    EXPECT_EQ(LoadError(dir.Path().string()), dir.Path().string() + " is a directory.");
    // a pipe with no writer would block an ordinary open and read
    const std::string fifo = dir.File("fifo.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadError(fifo), kFailedToOpenDocument);
    EXPECT_EQ(LoadError("/dev/zero"), kFailedToOpenDocument);

    const std::string damaged = dir.File("damaged.txt");
    WriteFileBytes(damaged, HexBytes("01 00 FF FF 02 00 07 00"));
    EXPECT_EQ(LoadError(damaged), kUnexpectedFileFormat);

    if (!RunningAsRoot()) {
        const std::string secret = dir.File("secret.txt");
        SaveDocumentFile(SampleDocument(), secret);
        chmod(secret.c_str(), 0);
        EXPECT_EQ(LoadError(secret), "Access to " + secret + " was denied.");
    }
}

TEST(DataFileIo, DevicesAndPipesAreWrittenInPlaceNeverReplaced) {
    TempDir dir;
    struct stat before {};
    ASSERT_EQ(stat("/dev/null", &before), 0);
    SaveDocumentFile(SampleDocument(), "/dev/null");
    struct stat after {};
    ASSERT_EQ(stat("/dev/null", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(SaveError(SampleDocument(), "/dev/full"), "Destination disk drive is full.");
    struct stat full {};
    ASSERT_EQ(stat("/dev/full", &full), 0);
    EXPECT_TRUE(S_ISCHR(full.st_mode));

    // A FIFO hands the whole file to its reader; nothing is left beside it.
    const std::string fifo = dir.File("pipe.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] { received = ReadFileBytes(fifo); });
    SaveDocumentFile(SampleDocument(), fifo);
    reader.join();
    EXPECT_EQ(received, WriteDocumentBytes(SampleDocument()));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(DataFileIo, LargeFileReadInBlocks) {
    // More than one read buffer, with strings crossing the block boundaries.
    TempDir dir;
    CRoZudozuvDoc doc;
    for (int i = 0; i < 30000; ++i) {
        doc.channels[i % 2].push_back(
            Record(i * 0.25, "KΩ", 0.0, i, "3/5/2018 9:7:" + std::to_string(i % 60), "RES"));
    }
    const std::string path = dir.File("large.txt");
    SaveDocumentFile(doc, path);
    CRoZudozuvDoc loaded;
    LoadDocumentFile(path, loaded);
    EXPECT_EQ(loaded.channels, doc.channels);

    // the same file cut short is refused at any length
    Bytes bytes = ReadFileBytes(path);
    for (std::size_t keep : {std::size_t{65535}, std::size_t{65536}, bytes.size() - 1}) {
        WriteFileBytes(path, Bytes(bytes.begin(), bytes.begin() + keep));
        EXPECT_EQ(LoadError(path), kUnexpectedFileFormat) << keep;
    }
}
