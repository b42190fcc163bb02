#pragma once
// What a session manager's open does with the program: the set-up file inside the session
// and the ports, which the session's patchbay connects.

#include <filesystem>
#include <string>
#include <string_view>

#include "files/setup_file.h"

namespace kq505 {

class CKQ505App;

// The set-up of the session: the path the session manager gives, with ".kqset".
std::filesystem::path SessionSetupFile(std::string_view session_path);

struct SessionSetupRead {
    SetupReadResult result;
    bool missing = false;  // no file yet: the caller creates it from the state it holds
};
// Reads the file into `setup`, which stays as it was when the file is missing or refused.
SessionSetupRead ReadSessionSetup(const std::filesystem::path& file, SetupData& setup);

// Every port of the program opens unconnected (-1), for the session to connect: its
// patchbay restores the connections it saved, and a stored device would add others. The
// settings file goes on storing the devices it held (WriteIniSettings).
void LeavePortsToSession(CKQ505App& app);

// The answers to the session manager, in Japanese, naming the file (UTF-8).
std::string SessionOpenedText(std::string_view file_name, bool created);
std::string SessionCreateFailedText(std::string_view file_name);
std::string SessionSavedText(std::string_view file_name);
std::string SessionSaveFailedText(std::string_view file_name);

}  // namespace kq505
