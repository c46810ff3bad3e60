#pragma once

#include <cstddef>
#include <string>

#include "engine/process_snapshot.h"

namespace korvane {

// What the main window provides to the watch engine.
class WatchHost {
public:
    virtual ~WatchHost() = default;
    // The watch is activated exactly when the activation button reads "Activated".
    virtual bool isActivated() const = 0;
    // Shows (true) or hides (false) the notification-area icon.
    virtual void setTrayIconActive(bool active) = 0;
    // Paints the "Log" button in its alert colours.
    virtual void paintLogAlert() = 0;
    virtual void hideMainWindow() = 0;
};

// The preference check boxes the engine reads, each as it is in force now.
class WatchPreferences {
public:
    virtual ~WatchPreferences() = default;
    // "Auto Kill unknown processes without prompting.": ticked and confirmed.
    virtual bool autoKillUnknown() const = 0;
    // "Auto Kill unknown checksums": ticked.
    virtual bool autoKillUnknownChecksums() const = 0;
    // "Alarm on popup": ticked.
    virtual bool alarmOnPopup() const = 0;
    // "Uncheck Bypassed Kills at EOJ": ticked.
    virtual bool uncheckBypassedKillsAtEoj() const = 0;
    // "Trust installed packages": the package database vouches for the files it records.
    virtual bool trustInstalledPackages() const = 0;
};

// The questionable-processes dialog as the engine sees it. Each line keeps the
// snapshot entry it names, so that a decision hits that very process and path.
class QuestionableDialog {
public:
    virtual ~QuestionableDialog() = default;
    virtual std::size_t count() const = 0;
    // The snapshot entry the line at `index` was made from.
    virtual SnapshotEntry entry(std::size_t index) const = 0;
    virtual void append(const std::string& line, const SnapshotEntry& entry) = 0;
    // Puts the dialog in front and on top of other windows.
    virtual void bringToFront() = 0;
    // Shows the dialog modally; returns when it has closed.
    virtual void showModal() = 0;
};

} // namespace korvane
