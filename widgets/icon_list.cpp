#include "widgets/icon_list.h"

namespace korvane {

QIcon TIconList::at(int index) const {
    return m_icons.value(index);
}

void TIconList::add(const QIcon& icon) {
    m_icons.append(icon);
    notify();
}

void TIconList::insert(int index, const QIcon& icon) {
    if (index < 0 || index > count()) {
        return;
    }
    m_icons.insert(index, icon);
    notify();
}

void TIconList::remove(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    m_icons.removeAt(index);
    notify();
}

void TIconList::clear() {
    m_icons.clear();
    notify();
}

void TIconList::assign(const TIconList& other) {
    m_icons = other.m_icons;
    notify();
}

void TIconList::beginUpdate() {
    ++m_updateDepth;
}

void TIconList::endUpdate() {
    if (m_updateDepth == 0) {
        return;
    }
    if (--m_updateDepth == 0 && m_changedMeanwhile) {
        m_changedMeanwhile = false;
        emit changed();
    }
}

void TIconList::notify() {
    if (m_updateDepth > 0) {
        m_changedMeanwhile = true;
    } else {
        emit changed();
    }
}

} // namespace korvane
