#pragma once

#include "engine/memory_list_pane.h"

namespace korvane::test {

using korvane::MemoryListPane;

} // namespace korvane::test
