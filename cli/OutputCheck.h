#pragma once

// The files a command writes, checked before it starts, and the last resort
// when the save at its end fails anyway.

#include <optional>
#include <string>
#include <vector>

#include "record/Document.h"

// A file named on the command line, with the words that name it in messages
// ("--out", "the input").
struct NamedFile {
    std::string label;
    std::string path;
};

// The first pair of files among inputs and outputs that are one and the same
// file, compared by device and inode (so a symbolic or hard link is caught):
// "--xls a.txt is the same file as --out a.txt". An output that does not exist
// yet is compared by its folder and name. Character devices (/dev/null) may be
// named twice. Empty paths are skipped.
std::optional<std::string> SameFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs);

// Why path cannot take a saved file, or nothing when it can: it is a
// directory, its folder is missing, read-only or full, or it may not be written.
// A file beside it is made and removed to find out.
std::optional<std::string> OutputProblem(const std::string& path);

// Both checks, before anything is read from the meter or written. Prints
// "vavirir-cli <command>: <why>" and returns 2 for a clash, 1 for an output that
// cannot be written, 0 when all is well.
int CheckFiles(const char* command, const std::vector<NamedFile>& inputs,
               const std::vector<NamedFile>& outputs);

// Saves doc at path. When that fails, says why, saves it to a new file in the
// fallback folder instead, names that file and returns false.
bool SaveOrKeep(const char* command, const CRoZudozuvDoc& doc, const std::string& path);
