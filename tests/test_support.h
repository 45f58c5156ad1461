// Shared helpers for the tests: a fresh headless window system and the built game's data.
#pragma once

#include <string>

#include "platform/headless/headless.h"

// Installs a fresh headless backend whose data folder is the built game's.
HeadlessBackend& FreshHeadless();
// The built game's folder (graphics/, resources/, soundfx/, saves/ beside the program).
std::string GameDir();
// A new empty temporary folder for a test's files, private to this test process.
std::string TempFolder(std::string name);
// A file's 64-bit FNV-1a digest in hex, as the committed tables of traces, screens and
// generated files hold it: enough to tell two versions of a file apart.
std::string FileDigest(const std::string& path);
