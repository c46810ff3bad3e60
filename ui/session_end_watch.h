#pragma once

#include <QObject>

namespace korvane {

class EndOfSession;
class TForm1;

// The ways the session, or anyone, asks the program to save or to end: a request to
// terminate (SIGTERM, SIGHUP) and the application's quit save and end the program
// without the quit question; the session manager's request to save, sent at every
// checkpoint and before a logout that may still be cancelled, saves and lets the
// watch go on.
class SessionEndWatch : public QObject {
public:
    SessionEndWatch(TForm1& form, EndOfSession& requests);

protected:
    // Takes the application's requests to quit, which would otherwise only ask the
    // windows to close; the main window refuses that without a confirmed quit.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm1& form_;
};

} // namespace korvane
