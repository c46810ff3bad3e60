#pragma once

#include "platform/api/sound_player.h"

namespace korvane {

// Synchronous playback through libcanberra: the file when it exists, else the
// theme's "bell"; returns at once when no sound can be played.
class CanberraSoundPlayer : public SoundPlayer {
public:
    void playSync(const std::string& path) override;
};

} // namespace korvane
