#pragma once

#include <functional>
#include <optional>

namespace korvane::test {

// Runs `body` in a forked child that the kernel ends after `seconds`, so a call that
// blocks or never ends fails the test instead of hanging it. The result is what
// `body` returned (0 to 125), 126 when it threw, or std::nullopt when the deadline
// passed first.
std::optional<int> RunWithDeadline(unsigned seconds, const std::function<int()>& body);

} // namespace korvane::test
