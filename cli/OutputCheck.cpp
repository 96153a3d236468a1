#include "cli/OutputCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "docview/DataFile.h"
#include "docview/FallbackSave.h"

namespace {

// A file as the system knows it; a file not made yet is known by its folder
// and its name.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    bool characterDevice = false;

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && name == other.name;
    }
};

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        return FileIdentity{info.st_dev, info.st_ino, {}, S_ISCHR(info.st_mode)};
    }
    if (errno == ENOENT && stat(FolderOf(path).c_str(), &info) == 0) {
        return FileIdentity{info.st_dev, info.st_ino,
                            std::filesystem::path(path).filename().string(), false};
    }
    return std::nullopt;
}

// Makes and removes a file beside path, writing one byte: a read-only or full
// file system refuses it, as it would refuse the save.
std::optional<std::string> ProbeFolder(const std::string& folder) {
    std::string probe = folder + "/.vavirir-check-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    const char byte = 0;
    const bool written = write(fd, &byte, 1) == 1;
    const int error = errno;
    close(fd);
    unlink(probe.c_str());
    if (!written) {
        return std::string(std::strerror(error));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> SameFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs) {
    std::vector<std::pair<const NamedFile*, FileIdentity>> seen;
    for (const auto* files : {&inputs, &outputs}) {
        for (const NamedFile& file : *files) {
            if (file.path.empty()) {
                continue;
            }
            const std::optional<FileIdentity> identity = IdentityOf(file.path);
            if (!identity || identity->characterDevice) {
                continue;
            }
            for (const auto& [other, otherIdentity] : seen) {
                if (otherIdentity == *identity) {
                    return file.label + " " + file.path + " is the same file as " + other->label +
                           " " + other->path;
                }
            }
            seen.emplace_back(&file, *identity);
        }
    }
    return std::nullopt;
}

std::optional<std::string> OutputProblem(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return path + " is a directory";
        }
        if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
            if (access(path.c_str(), W_OK) != 0) {
                return path + ": " + std::strerror(errno);
            }
            return std::nullopt;
        }
        if (!S_ISREG(info.st_mode)) {
            return path + " is not a regular file";
        }
        if (access(path.c_str(), W_OK) != 0) {
            return path + ": " + std::strerror(errno);
        }
    } else if (errno != ENOENT) {
        return path + ": " + std::strerror(errno);
    }
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &info) != 0) {
        return "the folder " + folder + " does not exist";
    }
    if (!S_ISDIR(info.st_mode)) {
        return folder + " is not a folder";
    }
    if (const auto problem = ProbeFolder(folder)) {
        return "cannot write in " + folder + ": " + *problem;
    }
    return std::nullopt;
}

int CheckFiles(const char* command, const std::vector<NamedFile>& inputs,
               const std::vector<NamedFile>& outputs) {
    if (const auto clash = SameFileClash(inputs, outputs)) {
        std::fprintf(stderr, "vavirir-cli %s: %s; nothing was written\n", command, clash->c_str());
        return 2;
    }
    for (const NamedFile& output : outputs) {
        if (output.path.empty()) {
            continue;
        }
        if (const auto problem = OutputProblem(output.path)) {
            std::fprintf(stderr, "vavirir-cli %s: %s cannot be saved: %s\n", command,
                         output.label.c_str(), problem->c_str());
            return 1;
        }
    }
    return 0;
}

bool SaveOrKeep(const char* command, const CRoZudozuvDoc& doc, const std::string& path) {
    const Status saved = SaveDocumentFile(doc, path);
    if (saved) {
        return true;
    }
    std::fprintf(stderr, "vavirir-cli %s: cannot save to %s: %s\n", command, path.c_str(),
                 saved.Message().c_str());
    const Result<std::string> kept =
        SaveDocumentFallback(doc, path, FallbackFolder(), std::time(nullptr));
    if (kept) {
        std::fprintf(stderr, "vavirir-cli %s: %zu records saved to %s instead\n", command,
                     doc.channels[0].size(), kept->c_str());
    } else {
        std::fprintf(stderr, "vavirir-cli %s: the fallback file could not be written either: %s\n",
                     command, kept.Message().c_str());
    }
    return false;
}
