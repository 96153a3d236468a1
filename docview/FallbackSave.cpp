#include "docview/FallbackSave.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/TimeText.h"
#include "docview/DataFile.h"

namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string Stem(const std::string& wantedPath) {
    const std::string stem = std::filesystem::path(wantedPath).stem().string();
    return stem.empty() || stem == "." || stem == ".." ? "recording" : stem;
}

}  // namespace

std::string FallbackFolder(const char* xdgStateHome, const char* home) {
    if (IsAbsolute(xdgStateHome)) {
        return std::string(xdgStateHome) + "/vavirir";
    }
    return std::string(home != nullptr && home[0] != '\0' ? home : "") + "/.local/state/vavirir";
}

std::string FallbackFolder() {
    return FallbackFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::string JournalFolder() {
    return FallbackFolder() + "/journal";
}

std::string SaveDocumentFallback(const CRoZudozuvDoc& doc, const std::string& wantedPath,
                                 const std::string& folder, std::time_t now) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw CDataFileError("cannot make the folder " + folder + ": " + error.message());
    }
    const std::string base = folder + "/" + Stem(wantedPath) + "-" + FileStampText(now);
    std::string path = base + kDocumentExtension;
    for (int n = 2; Exists(path); ++n) {
        path = base + "-" + std::to_string(n) + kDocumentExtension;
    }
    SaveDocumentFile(doc, path);
    return path;
}
