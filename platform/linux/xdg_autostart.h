#pragma once

#include <string>

#include "platform/api/startup_registration.h"

namespace korvane {

// Start-up registration through an XDG autostart entry: a ".desktop" file whose name
// is made from the executable's full path (so every installation has its own) and
// whose Exec is that path. It goes into the machine-wide autostart folder when that
// folder is writable, else into the user's. Turning it off removes that one file from
// both folders, where it can. Failures are silent.
// An installed program is started by its command name instead, from the user's folder
// only: "<command>.desktop" with "Exec=<command>", whatever the executable's path.
class XdgAutostart : public StartupRegistration {
public:
    XdgAutostart(std::string machineFolder, std::string userFolder, std::string command = {});
    // The first folder of $XDG_CONFIG_DIRS (else /etc/xdg) and $XDG_CONFIG_HOME (else
    // ~/.config), each with "/autostart".
    static XdgAutostart FromEnvironment();
    // The user's folder of FromEnvironment, for the installed `command`.
    static XdgAutostart ForInstalledCommand(std::string command);

    void setAutoStart(const std::string& executable, bool on) override;

    // "korvane-" + the path's letters and digits (other runs become "-") + "-" + 16
    // hexadecimal digits of the path's MD5 + ".desktop": readable, and different for
    // different paths.
    static std::string EntryFileName(const std::string& executable);
    // The entry's text, with the path quoted for Exec as the Desktop Entry format wants.
    static std::string EntryText(const std::string& executable);

private:
    static std::string EntryTextFor(const std::string& execValue);

    std::string machineFolder_;
    std::string userFolder_;
    std::string command_;
};

} // namespace korvane
