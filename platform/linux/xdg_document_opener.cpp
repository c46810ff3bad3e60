#include "platform/linux/xdg_document_opener.h"

#include "platform/linux/detached_child.h"

namespace korvane {

bool XdgDocumentOpener::open(const std::string& path) {
    return linux_proc::StartDetached(opener_, {path});
}

} // namespace korvane
