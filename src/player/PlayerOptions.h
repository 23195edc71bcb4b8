#pragma once

#include "player/PlayerResult.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the player was asked to do on its command line.
struct PlayerOptions {
    bool help = false;
    bool version = false;
    std::string commandFile; // as given: a bare name or a path
    std::string wavFile;     // render into this WAV file instead of playing
    std::string midiFile;    // write the notes into this MIDI file instead of playing
    std::string soundFont;   // SoundFont to play with; empty: search the usual folders
    int program = 0;         // General MIDI instrument 0..127
    bool builtIn = false;    // play with the built-in synthesizer, no SoundFont
};

// Reads the player's arguments (without the program name): "--help",
// "--version", or "[--wav OUT.wav] [--midi OUT.mid] [--soundfont PATH | --builtin]
// [--program N] FILE"; fails, saying why, on anything else.
PlayerResult<PlayerOptions> ParsePlayerOptions(const std::vector<std::string>& arguments);

// Where to read `commandFile` from: a bare name lies in the History folder
// beside the player (`playerFolder`); a path is taken as it is.
std::filesystem::path ResolveCommandFile(const std::string& commandFile, const std::filesystem::path& playerFolder);

// Reads a whole command file (a pipe too); fails when it cannot be read or
// is larger than any command text could be.
PlayerResult<std::string> ReadCommandFile(const std::filesystem::path& path);
