#pragma once

#include <exception>
#include <utility>

namespace korvane {

// The program's error handler is empty: a failing step (a file that cannot be
// read, a list index outside its list) abandons the rest of the handler silently
// and leaves what the completed steps did. Every event handler runs through here,
// so no exception ever reaches the Qt event loop.
template <class Handler> void RunHandler(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception&) {
        // Abandoned, as the completed steps left it.
    }
}

} // namespace korvane
