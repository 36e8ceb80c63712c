#include "audio/Sound.h"

#include "audio/Mixer.h"
#include "audio/Mp3Player.h"
#include "audio/Music.h"
#include "audio/OggPlayer.h"
#include "core/Config.h"
#include "core/MemoryFile.h"

#include <iostream>

// The audio globals, in this one file so that they are built before main in
// this order and destroyed at exit in the reverse one: the players first
// (their decode threads joined, so nothing submits any more), then every
// output is stopped and its mixer thread let end, then the registry's lock
// and the registry.
List<AudioOutput*> output_registry;
Mutex output_registry_lock;

namespace {

struct OutputsStoppedAtExit {
    ~OutputsStoppedAtExit() { AudioOutput::stop_all(); }
};
OutputsStoppedAtExit outputs_stopped_at_exit;

}  // namespace

OggPlayer ogg_player;
Mp3Player mp3_player;

Sound::~Sound() {
    for (auto& [name, music] : sounds) {
        music->stop();
        delete music;
    }
    for (auto& [name, file] : files) delete file;
}

bool Sound::load(const Config& factory) {
    const Config::Section* section = factory.find_section("sounds");
    if (!section) {
        std::cout << "[!] Sound::load: Could not find [sounds] section\n";
        return false;
    }
    for (const auto& [name, path] : *section)
        if (!import_mp3(path, name)) return false;
    return true;
}

bool Sound::import_mp3(const String& path, const String& name) {
    MemoryFile* file = new MemoryFile(path.is_null() ? "" : path.c_str());
    if (!file->is_loaded()) {
        delete file;
        std::cout << "[!] Sound::import_mp3: \"" << path << "\" could not be found.\n";
        return false;
    }
    Music* music = new Music;
    music->set(file, Music::mp3);
    // The first entry of a name stays.
    if (!files.emplace(name, file).second) delete file;
    if (!sounds.emplace(name, music).second) delete music;
    return true;
}

void Sound::play_sound(const String& name) {
    auto found = sounds.find(name);
    if (found == sounds.end()) {
        std::cout << "[!] Sound::play_sound: \"" << name << "\" could not be found.\n";
        return;
    }
    found->second->play(nullptr);
}
