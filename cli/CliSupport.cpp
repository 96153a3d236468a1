#include "cli/CliSupport.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "docview/DataFile.h"

std::string PathValue(const std::string& option, const std::string& value, DashMeans dash) {
    RequireNonEmptyPath(value, option.c_str());
    if (value == "-" && dash == DashMeans::Refused) {
        throw UsageError(option + " needs a file name; \"-\" (the standard output) is not one");
    }
    return value;
}

std::size_t ChunkValue(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > 1000000) {
        throw UsageError("--chunk needs a whole number from 1 to 1000000");
    }
    return static_cast<std::size_t>(value);
}

void RequireNonEmptyPath(const std::string& path, const char* what) {
    if (path.empty()) {
        throw UsageError(std::string(what) + " needs a file name, not \"\"");
    }
}

void RequireArgument(bool given, const char* what) {
    if (!given) {
        throw UsageError(std::string(what) + " is missing");
    }
}

void Say(const char* command, const char* format, ...) {
    std::fprintf(stderr, "vavirir-cli%s%s: ", *command != '\0' ? " " : "", command);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

std::string FileMessage(const std::string& path, const std::string& message) {
    std::string text = message;
    if (text.rfind(path + "\n", 0) == 0) {
        text.replace(0, path.size() + 1, path + ": ");
    } else if (text.find(path) == std::string::npos) {
        text = path + ": " + text;
    }
    for (char& c : text) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return text;
}

bool LoadDataFile(const char* command, const std::string& path, CRoZudozuvDoc& doc) {
    try {
        LoadDocumentFile(path, doc);
        return true;
    } catch (const CDataFileError& error) {
        Say(command, "%s", FileMessage(path, error.what()).c_str());
        return false;
    }
}

bool OutputReaderGone() {
    struct stat info {};
    if (fstat(STDOUT_FILENO, &info) != 0 || !(S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
        return false;
    }
    // The writing end of a pipe without a reader polls as an error.
    pollfd end{STDOUT_FILENO, POLLOUT, 0};
    return poll(&end, 1, 0) == 1 && (end.revents & POLLERR) != 0;
}

int FinishOutput(const char* command, int exitCode) {
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    const int error = errno;
    if (!failed || OutputReaderGone()) {
        return exitCode;
    }
    if (exitCode == 0) {
        Say(command, "cannot write the output: %s", std::strerror(error));
        return 1;
    }
    return exitCode;
}
