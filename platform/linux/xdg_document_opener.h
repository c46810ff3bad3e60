#pragma once

#include <string>
#include <utility>

#include "platform/api/document_opener.h"

namespace korvane {

// Opens documents through the desktop's opener, xdg-open, started detached with the
// descriptor limit the program started with (never the one the watch raised).
class XdgDocumentOpener : public DocumentOpener {
public:
    explicit XdgDocumentOpener(std::string opener = "xdg-open") : opener_(std::move(opener)) {}

    bool open(const std::string& path) override;

private:
    std::string opener_;
};

} // namespace korvane
