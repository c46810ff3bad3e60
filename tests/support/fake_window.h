#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/watch_host.h"

namespace korvane::test {

// The main window's side of the engine, recording what the engine asked of it.
class FakeWatchHost : public WatchHost {
public:
    bool isActivated() const override { return activated; }
    void setTrayIconActive(bool active) override { trayCalls.push_back(active); }
    void paintLogAlert() override { ++logAlerts; }
    void hideMainWindow() override {
        ++hides;
        if (onHide) {
            onHide();
        }
    }

    bool activated = true;
    std::vector<bool> trayCalls;
    int logAlerts = 0;
    int hides = 0;
    std::function<void()> onHide;
};

class FakePreferences : public WatchPreferences {
public:
    bool autoKillUnknown() const override { return autoKill; }
    bool autoKillUnknownChecksums() const override { return autoKillChecksums; }
    bool alarmOnPopup() const override { return alarm; }
    bool uncheckBypassedKillsAtEoj() const override { return uncheckAtEoj; }
    bool trustInstalledPackages() const override { return trustPackages; }

    bool autoKill = false;
    bool autoKillChecksums = false;
    bool alarm = false;
    bool uncheckAtEoj = false;
    bool trustPackages = false;
};

// The questionable dialog in memory. While "shown", it runs `whileShown` (a test
// can run nested passes there), then closes.
class FakeQuestionableDialog : public QuestionableDialog {
public:
    std::size_t count() const override { return entries.size(); }
    std::string item(std::size_t index) const { return entries.at(index).first; }
    SnapshotEntry entry(std::size_t index) const override { return entries.at(index).second; }
    void append(const std::string& line, const SnapshotEntry& entry) override { entries.emplace_back(line, entry); }
    void bringToFront() override { ++frontCalls; }
    void showModal() override {
        ++shows;
        if (whileShown) {
            whileShown();
        }
        if (onClose) {
            onClose();
        }
    }

    std::vector<std::pair<std::string, SnapshotEntry>> entries;
    int frontCalls = 0;
    int shows = 0;
    std::function<void()> whileShown;
    std::function<void()> onClose; // e.g. clears DialogUp as the real dialog does
};

} // namespace korvane::test
