#pragma once

#include <string>

namespace korvane {

// Starting the program with the user's session: one entry per executable path.
class StartupRegistration {
public:
    virtual ~StartupRegistration() = default;
    // Registers (on) or removes (off) the entry that starts `executable`; silent when
    // the system refuses either.
    virtual void setAutoStart(const std::string& executable, bool on) = 0;
};

} // namespace korvane
