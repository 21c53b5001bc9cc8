// The program's stage: the stand-in set up so that the program's own code runs on the
// user's files.
//
//   drive E:  the archive file itself ("E:\" is the program's own path), read only
//   drive D:  the destination folder as a confined drive root, or a null drive for -t
//
// The program extracts into "D:\", so its own path rules apply unchanged and nothing
// outside the destination folder exists for it.
#pragma once

#include "input.h"

#include <windows.h>

#include <string>

constexpr char DESTINATION_ROOT[] = "D:\\";

// Drive D: left unmapped (a listing writes nothing), a null drive (-t: every write
// succeeds and is dropped), or the destination folder.
enum class Destination { Unmapped, NullDrive, Folder };

// Maps the drives, sets the program's instance and own path, and loads the configuration:
// the self-extractor's own block through the program's reader, or for a plain archive a
// block of defaults whose archive starts at 0. `folder` is the host folder for Folder.
// False, reported, when the self-extractor's block cannot be loaded.
bool stage_program(const Input &input, Destination destination, const std::string &folder);
