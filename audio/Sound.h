// The named store of sounds: every MP3 file of the [sounds] section of the
// factory file, held in memory and played by name.
#pragma once

#include "core/String.h"

#include <map>

class Config;
class MemoryFile;
struct Music;

class Sound {
public:
    Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    // Stops every handle's streams, then frees the handles and the files.
    ~Sound();

    // Imports every name = path of [sounds] in name order; false without the
    // section or at the first file that cannot be read (the earlier ones
    // stay loaded).
    bool load(const Config& factory);
    bool import_mp3(const String& path, const String& name);
    // Starts the named sound once more; an unknown name only prints.
    void play_sound(const String& name);

private:
    std::map<String, MemoryFile*> files;
    std::map<String, Music*> sounds;
};
