#include "ui/session_end_watch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include "platform/api/end_of_session.h"
#include "ui/main_form.h"

namespace korvane {

SessionEndWatch::SessionEndWatch(TForm1& form, EndOfSession& requests) : QObject(&form), form_(form) {
    if (const int descriptor = requests.startReceiving(); descriptor >= 0) {
        auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, &requests] {
            if (requests.takeRequests()) {
                form_.endWithTheSession();
            }
        });
    }
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { form_.CommitSessionData(); });
    QCoreApplication::instance()->installEventFilter(this);
}

bool SessionEndWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Quit || watched != QCoreApplication::instance()) {
        return false;
    }
    form_.endWithTheSession();
    return true;
}

} // namespace korvane
