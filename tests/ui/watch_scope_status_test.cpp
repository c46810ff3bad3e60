#include <gtest/gtest.h>

#include <functional>

#include "platform/api/watch_scope.h"
#include "tests/ui/main_window_fixture.h"
#include "widgets/gauge_status_bar.h"

namespace korvane {
namespace {

// A scope whose words the test changes, as a service going and coming back does.
class ChangingScope : public WatchScope {
public:
    explicit ChangingScope(std::string text) : text_(std::move(text)) {}
    std::string text() const override { return text_; }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void change(std::string text) {
        text_ = std::move(text);
        handler_();
    }

private:
    std::string text_;
    std::function<void()> handler_;
};

using WatchScopeStatusTest = test::MainWindowTest;

TEST_F(WatchScopeStatusTest, TheStatusLineSaysWhatTheWatchSeesAndFollowsItsChanges) {
    auto scope = std::make_unique<ChangingScope>("Watching this user's processes only.");
    ChangingScope* words = scope.get();
    platform.services.scope = std::move(scope);
    form();
    auto* status = child<TGaugeStatusBar>("GaugeStatusBar1");
    EXPECT_EQ(status->simpleText().toStdString(), " Watching this user's processes only.");

    words->change("The guard service is gone: the last process list stays until it is back.");
    EXPECT_EQ(status->simpleText().toStdString(),
              " The guard service is gone: the last process list stays until it is back.");
    words->change("Watching all processes through the guard service.");
    EXPECT_EQ(status->simpleText().toStdString(), " Watching all processes through the guard service.");
}

} // namespace
} // namespace korvane
