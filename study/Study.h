#pragma once

#include <filesystem>
#include <string>

#include "study/StudyStore.h"

// The user's store of this run, one for the whole program: the windows that keep something of the
// user's (settings, the place, bookmarks, history) reach it here.
namespace veloria::study {

// The store opened by OpenStudy, or nullptr when there is none: the program then works as before
// and keeps nothing of the user's, so every caller asks.
StudyStore* Study();

// Opens the store of dataDir for the rest of the run, replacing one opened before. Returns a
// message for the user, or an empty string: a file that was set aside, or a store that could not
// be opened at all (Study() is then nullptr).
std::string OpenStudy(const std::filesystem::path& dataDir, Check check = Check::AtOpening);

// Makes the check left for later when the store was opened: a damaged file is set aside and a new
// store opened in its place, as at an opening. Returns a message for the user, or an empty string.
std::string CheckStudy();
void CloseStudy();

}  // namespace veloria::study
