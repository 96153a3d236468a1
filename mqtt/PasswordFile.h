#pragma once

// The broker's password in a file of its own: only its owner may read it
// (mode 0600), and it is never printed.

#include <string>

#include "common/Result.h"

// The first line of the file, without its line end; a failure gives the
// system's reason, e.g. "cannot read /x: No such file or directory".
Result<std::string> ReadPasswordFile(const std::string& path);

// True when others than the owner may read or write the file.
bool PasswordFileIsShared(const std::string& path);

// Writes the password as the file's one line, mode 0600, replacing the file
// in one step (a file beside it, renamed).
Status WritePasswordFile(const std::string& path, const std::string& password);
