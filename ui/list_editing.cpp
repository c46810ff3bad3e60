#include "ui/list_editing.h"

#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QMouseEvent>

#include "engine/list_menu_commands.h"
#include "ui/handler_guard.h"
#include "ui/list_box_pane.h"

namespace korvane {

ListEditing::ListEditing(MainFormControls& controls, WatchPanes panes, ListDrops drops, WatchFlags& flags,
                         MessagePanel& messages, ListHints& hints, QObject* parent)
    : QObject(parent), c_(controls), panes_(panes), drops_(std::move(drops)), flags_(flags), messages_(messages),
      hints_(hints) {
    setObjectName(QStringLiteral("ListEditing"));
    // Presses, moves and drags arrive at the lists' entry areas.
    for (TTextListBox* list : {c_.TextListBox1, c_.TextListBox2, c_.CheckListBox3, c_.TextListBox4}) {
        list->viewport()->installEventFilter(this);
    }
    for (TTextListBox* target : {c_.TextListBox2, c_.CheckListBox3, c_.TextListBox4}) {
        target->viewport()->setAcceptDrops(true);
    }
    connect(c_.CheckListBox3, &QListWidget::itemChanged, this,
            [this] { RunHandler([this] { CheckListBox3ClickCheck(); }); });
    const auto connectItem = [this](QAction* item, void (ListEditing::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    connectItem(c_.DeleteFocusedKillProcess1, &ListEditing::DeleteFocusedKillProcess1Click);
    connectItem(c_.Stripdowntoexenameonly1, &ListEditing::StripDownToExeNameOnly1Click);
    connectItem(c_.RemoveTheseFilesFromSafeList1, &ListEditing::RemoveTheseFilesFromSafeList1Click);
    for (QAction* item : {c_.CopyToClipboard1, c_.CopyToClipboard2, c_.CopyToClipboard3, c_.CopyToClipboard4}) {
        connect(item, &QAction::triggered, this,
                [this, item] { RunHandler([this, item] { CopyToClipboard1Click(item); }); });
    }
}

ListEntryDrag* ListEditing::dragData(TTextListBox& source) {
    return new ListEntryDrag(source, &source == c_.TextListBox1 ? TextListBox1StartDrag() : DragCursor::Drag);
}

DragCursor ListEditing::TextListBox1StartDrag() {
    return drops_.TextListBox1StartDrag(HighlightedRow(*c_.TextListBox1));
}

std::optional<ListEditing::Target> ListEditing::targetOf(const TTextListBox& list) const {
    if (&list == c_.TextListBox2) {
        return Target{&ListEditing::TextListBox2DragOver, &ListEditing::TextListBox2DragDrop};
    }
    if (&list == c_.CheckListBox3) {
        return Target{&ListEditing::CheckListBox3DragOver, &ListEditing::CheckListBox3DragDrop};
    }
    if (&list == c_.TextListBox4) {
        return Target{&ListEditing::TextListBox4DragOver, &ListEditing::TextListBox4DragDrop};
    }
    return std::nullopt;
}

// The drag, when a target takes it: the program's own drag data, from a list that
// still exists and that the target accepts, and not one that may be dropped nowhere.
const ListEntryDrag* ListEditing::Accepted(const QMimeData* data, bool (*accepts)(std::string_view source)) {
    const auto* drag = qobject_cast<const ListEntryDrag*>(data);
    if (drag == nullptr || drag->source() == nullptr || drag->cursor() == DragCursor::NoDrop ||
        !accepts(drag->sourceName())) {
        return nullptr;
    }
    return drag;
}

bool ListEditing::TextListBox2DragOver(const QMimeData* data) const {
    return Accepted(data, &korvane::TextListBox2DragOver) != nullptr;
}

bool ListEditing::CheckListBox3DragOver(const QMimeData* data) const {
    return Accepted(data, &korvane::CheckListBox3DragOver) != nullptr;
}

bool ListEditing::TextListBox4DragOver(const QMimeData* data) const {
    return Accepted(data, &korvane::TextListBox4DragOver) != nullptr;
}

void ListEditing::TextListBox2DragDrop(const ListEntryDrag& drag) {
    apply(drops_.TextListBox2DragDrop(drag.sourceName(), drag.draggedRow()));
}

void ListEditing::CheckListBox3DragDrop(const ListEntryDrag& drag) {
    apply(drops_.CheckListBox3DragDrop(drag.sourceName(), drag.draggedRow()));
}

void ListEditing::TextListBox4DragDrop(const ListEntryDrag& drag) {
    apply(drops_.TextListBox4DragDrop(drag.sourceName(), drag.draggedRow()));
}

void ListEditing::apply(const DropOutcome& outcome) {
    if (outcome.kind == DropOutcome::Kind::Notice) {
        messages_.CentralMessagesRtn(QString::fromStdString(outcome.notice));
    }
    if (outcome.forceCheck) {
        flags_.ForceCheck = true;
    }
}

bool ListEditing::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<TTextListBox*>(watched->parent());
    if (list == nullptr || watched != list->viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return dragEvent(*list, event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return mouseEvent(*list, event);
    default:
        return false;
    }
}

// Every drag event of a list is handled here: the list's own item moving stays off.
bool ListEditing::dragEvent(const TTextListBox& list, QEvent* event) {
    if (event->type() == QEvent::DragLeave) {
        return true;
    }
    auto* dragging = static_cast<QDropEvent*>(event);
    // A list locked behind the message panel takes nothing.
    const std::optional<Target> target = list.isEnabled() ? targetOf(list) : std::nullopt;
    if (!target || !(this->*target->DragOver)(dragging->mimeData())) {
        dragging->ignore();
        return true;
    }
    // A copy as far as the drag is concerned; a drop that moves an entry removes it itself.
    dragging->setDropAction(Qt::CopyAction);
    dragging->accept();
    if (event->type() == QEvent::Drop) {
        const auto* drag = qobject_cast<const ListEntryDrag*>(dragging->mimeData());
        RunHandler([this, &target, drag] { (this->*target->DragDrop)(*drag); });
    }
    return true;
}

// The Current, Safe and Never Kill lists start a drag by themselves when an entry is
// dragged. Moves with the button held are taken from the list meanwhile: they would
// move its highlight, which is the entry being dragged.
bool ListEditing::mouseEvent(TTextListBox& list, QEvent* event) {
    if (&list == c_.CheckListBox3) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            pressed_ = &list;
            pressedAt_ = mouse->position().toPoint();
        }
        return false;
    case QEvent::MouseMove:
        if (pressed_ != &list || !(mouse->buttons() & Qt::LeftButton)) {
            return false;
        }
        if ((mouse->position().toPoint() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
            pressed_ = nullptr;
            RunHandler([this, &list] { startDrag(list); });
        }
        return true;
    default:
        pressed_ = nullptr;
        return false;
    }
}

void ListEditing::startDrag(TTextListBox& source) {
    auto* drag = new QDrag(&source);
    drag->setMimeData(dragData(source));
    drag->exec(Qt::CopyAction);
}

void ListEditing::CheckListBox3ClickCheck() {
    flags_.ForceCheck = true;
    hints_.CheckListBox3Click();
}

void ListEditing::DeleteFocusedKillProcess1Click() {
    korvane::DeleteFocusedKillProcess1Click(panes_.kill, HighlightedRow(*c_.CheckListBox3));
}

void ListEditing::StripDownToExeNameOnly1Click() {
    korvane::StripDownToExeNameOnly1Click(panes_.kill, HighlightedRow(*c_.CheckListBox3));
}

void ListEditing::RemoveTheseFilesFromSafeList1Click() {
    korvane::RemoveTheseFilesFromSafeList1Click(panes_.neverKill, panes_.safe);
}

void ListEditing::CopyToClipboard1Click(const QObject* Sender) {
    const QString name = Sender->objectName();
    const ListPane* list = nullptr;
    if (name == QLatin1String("CopyToClipboard1")) {
        list = &panes_.current;
    } else if (name == QLatin1String("CopyToClipboard2")) {
        list = &panes_.safe;
    } else if (name == QLatin1String("CopyToClipboard3")) {
        list = &panes_.kill;
    } else if (name == QLatin1String("CopyToClipboard4")) {
        list = &panes_.neverKill;
    } else {
        return;
    }
    QGuiApplication::clipboard()->setText(QString::fromLocal8Bit(QByteArray::fromStdString(ListClipboardText(*list))));
}

} // namespace korvane
