#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

namespace korvane {

// An ordered list of icons that reports its changes, once per update bracket.
class TIconList : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    int count() const { return int(icons_.size()); }
    bool isEmpty() const { return icons_.isEmpty(); }
    // A null icon for an index outside the list.
    QIcon at(int index) const;

    void add(const QIcon& icon);
    // Index outside 0..count leaves the list as it is, as does remove outside the list.
    void insert(int index, const QIcon& icon);
    void remove(int index);
    void clear();
    void assign(const TIconList& other);

    // Changes between these report once, at the outermost endUpdate.
    void beginUpdate();
    void endUpdate();

signals:
    void changed();

private:
    void notify();

    QList<QIcon> icons_;
    int updateDepth_ = 0;
    bool changedMeanwhile_ = false;
};

} // namespace korvane
