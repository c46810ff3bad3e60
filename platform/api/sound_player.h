#pragma once

#include <string>

namespace korvane {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Plays the sound file synchronously; the system's default sound when the file
    // is missing; returns at once when no sound can be played.
    virtual void playSync(const std::string& path) = 0;
};

} // namespace korvane
