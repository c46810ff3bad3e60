#include "widgets/icon_list.h"

namespace korvane {

QIcon TIconList::at(int index) const {
    return icons_.value(index);
}

void TIconList::add(const QIcon& icon) {
    icons_.append(icon);
    notify();
}

void TIconList::insert(int index, const QIcon& icon) {
    if (index < 0 || index > count()) {
        return;
    }
    icons_.insert(index, icon);
    notify();
}

void TIconList::remove(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    icons_.removeAt(index);
    notify();
}

void TIconList::clear() {
    icons_.clear();
    notify();
}

void TIconList::assign(const TIconList& other) {
    icons_ = other.icons_;
    notify();
}

void TIconList::beginUpdate() {
    ++updateDepth_;
}

void TIconList::endUpdate() {
    if (updateDepth_ == 0) {
        return;
    }
    if (--updateDepth_ == 0 && changedMeanwhile_) {
        changedMeanwhile_ = false;
        emit changed();
    }
}

void TIconList::notify() {
    if (updateDepth_ > 0) {
        changedMeanwhile_ = true;
    } else {
        emit changed();
    }
}

} // namespace korvane
