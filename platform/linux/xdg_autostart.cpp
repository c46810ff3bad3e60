#include "platform/linux/xdg_autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include <pwd.h>
#include <unistd.h>

#include <nettle/md5.h>

namespace korvane {

namespace {

constexpr std::size_t kSlugLength = 48;

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid())) {
            home = user->pw_dir;
        }
    }
    return home;
}

bool IsAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The Exec value for one argument, in the format's two layers: the argument quoted
// ('"', '`', '$' and '\' take a backslash inside double quotes), then the string
// escapes on top (every backslash doubled, control characters as \n, \t, \r), so
// that '"' becomes \\" in the file. "%" is doubled so it is no field code.
std::string QuotedExec(const std::string& path) {
    std::string argument = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            argument += '\\';
        }
        argument += c;
    }
    argument += '"';
    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        case '%':
            value += "%%";
            break;
        default:
            value += c;
        }
    }
    return value;
}

bool WriteEntry(const std::string& folder, const std::string& name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::ofstream entry(path, std::ios::binary | std::ios::trunc);
    entry << text;
    entry.close();
    if (!entry) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return false;
    }
    return true;
}

bool Writable(const std::string& folder) {
    return !folder.empty() && ::access(folder.c_str(), W_OK) == 0;
}

} // namespace

XdgAutostart::XdgAutostart(std::string machineFolder, std::string userFolder, std::string command)
    : machineFolder_(std::move(machineFolder)), userFolder_(std::move(userFolder)), command_(std::move(command)) {}

XdgAutostart XdgAutostart::FromEnvironment() {
    std::string machine = EnvironmentValue("XDG_CONFIG_DIRS");
    machine = machine.substr(0, machine.find(':'));
    if (machine.empty()) {
        machine = "/etc/xdg";
    }
    std::string user = EnvironmentValue("XDG_CONFIG_HOME");
    if (user.empty()) {
        const std::string home = HomeFolder();
        user = home.empty() ? std::string() : home + "/.config";
    }
    return XdgAutostart(machine + "/autostart", user.empty() ? std::string() : user + "/autostart");
}

XdgAutostart XdgAutostart::ForInstalledCommand(std::string command) {
    return XdgAutostart(std::string(), FromEnvironment().userFolder_, std::move(command));
}

std::string XdgAutostart::EntryFileName(const std::string& executable) {
    std::string slug;
    for (const char c : executable) {
        if (IsAsciiAlphanumeric(c)) {
            slug += c;
        } else if (!slug.empty() && slug.back() != '-') {
            slug += '-';
        }
    }
    while (!slug.empty() && slug.back() == '-') {
        slug.pop_back();
    }
    if (slug.size() > kSlugLength) {
        slug.erase(0, slug.size() - kSlugLength);
    }
    md5_ctx hash;
    md5_init(&hash);
    md5_update(&hash, executable.size(), reinterpret_cast<const std::uint8_t*>(executable.data()));
    std::uint8_t digest[MD5_DIGEST_SIZE];
    md5_digest(&hash, sizeof digest, digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < 8; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return "korvane-" + slug + "-" + hex + ".desktop";
}

std::string XdgAutostart::EntryText(const std::string& executable) {
    return EntryTextFor(QuotedExec(executable));
}

std::string XdgAutostart::EntryTextFor(const std::string& execValue) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvane\n"
           "Exec=" +
           execValue +
           "\n"
           "Terminal=false\n";
}

void XdgAutostart::setAutoStart(const std::string& executable, bool on) {
    const bool byCommand = !command_.empty();
    const std::string name = byCommand ? command_ + ".desktop" : EntryFileName(executable);
    if (on) {
        const std::string text = byCommand ? EntryTextFor(command_) : EntryText(executable);
        if (Writable(machineFolder_) && WriteEntry(machineFolder_, name, text)) {
            return;
        }
        if (userFolder_.empty()) {
            return;
        }
        std::error_code ignored;
        std::filesystem::create_directories(userFolder_, ignored);
        WriteEntry(userFolder_, name, text);
        return;
    }
    for (const std::string& folder : {machineFolder_, userFolder_}) {
        if (!folder.empty()) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
}

} // namespace korvane
