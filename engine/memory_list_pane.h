#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/list_pane.h"

namespace korvane {

// A list pane held in memory, sorted or in insertion order, with check marks: the
// lists a program without a window fills (the seeding tool) and the tests' panes.
class MemoryListPane : public ListPane {
public:
    explicit MemoryListPane(std::string name, bool sorted = false) : name_(std::move(name)), sorted_(sorted) {}
    MemoryListPane(std::string name, bool sorted, const std::vector<std::string>& items);

    std::string name() const override { return name_; }
    std::size_t count() const override { return items_.size(); }
    std::string item(std::size_t index) const override { return items_.at(index).first; }
    void add(const std::string& text) override;
    void remove(std::size_t index) override;
    void clear() override;
    bool checked(std::size_t index) const override { return items_.at(index).second; }
    void setChecked(std::size_t index, bool checked) override;
    std::uint64_t revision() const override { return revision_; }

private:
    std::string name_;
    bool sorted_;
    std::vector<std::pair<std::string, bool>> items_;
    std::uint64_t revision_ = 0;
};

} // namespace korvane
