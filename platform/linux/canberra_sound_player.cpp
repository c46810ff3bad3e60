#include "platform/linux/canberra_sound_player.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include <canberra.h>

namespace korvane {

namespace {

// An alarm is seconds long; a stuck sound server must not freeze the window.
constexpr std::chrono::seconds kLongestSound{30};

struct Completion {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

void OnFinished(ca_context*, uint32_t, int, void* userdata) {
    auto* completion = static_cast<Completion*>(userdata);
    const std::lock_guard lock(completion->mutex);
    completion->finished = true;
    completion->done.notify_all();
}

} // namespace

void CanberraSoundPlayer::playSync(const std::string& path) {
    ca_context* context = nullptr;
    if (ca_context_create(&context) < 0) {
        return;
    }
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) < 0) {
        ca_context_destroy(context);
        return;
    }
    // Without a sound device libcanberra reports even an existing file as missing,
    // so the choice between the file and the default sound is made here.
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, path.c_str());
    } else {
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, "bell");
    }
    Completion completion;
    if (ca_context_play_full(context, 0, properties, OnFinished, &completion) >= 0) {
        std::unique_lock lock(completion.mutex);
        completion.done.wait_for(lock, kLongestSound, [&] { return completion.finished; });
    }
    // Destroying the context cancels a sound still playing and runs its callback.
    ca_context_destroy(context);
    ca_proplist_destroy(properties);
}

} // namespace korvane
