// Any bytes, taken as a PE image and as a bare VS_VERSIONINFO resource, give an
// answer: no crash, no read outside the input, no endless loop, no unbounded memory.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_version.h"
#include "engine/pe_version_resource.h"

namespace {

constexpr std::string_view kKeys[] = {"companyname",    "filedescription", "fileversion",      "internalname",
                                      "legalcopyright", "legaltrademarks", "originalfilename", "productname",
                                      "productversion", "comments"};

void LookUpEveryKey(std::string resource) {
    const std::optional<korvane::FileVersionInfo> info = korvane::FileVersionInfo::FromResource(std::move(resource));
    if (!info) {
        return;
    }
    for (const std::string_view key : kKeys) {
        const std::string value = info->Value(key);
        // A value is shown only when plausible; anything else must have come back empty.
        if (!value.empty() && !korvane::IsPlausibleVersionText(value)) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (std::optional<std::string> resource = korvane::FindVersionResource(input)) {
        LookUpEveryKey(std::move(*resource));
    }
    LookUpEveryKey(std::string(input));
    return 0;
}
