#pragma once

#include <vector>

#include <QMetaProperty>
#include <QObject>
#include <QString>

namespace korvane {

// A property of a control that the settings file holds, under its persisted name
// ("Text", "Checked", "Position", "InitialDir", "FileName").
struct PersistedProperty {
    QString name;
    QMetaProperty property;
};

// The properties of `control` that can be persisted, in a fixed order: a plain line
// edit's text, a check box's or a menu item's check state, and an int "position" or a
// QString "initialDir" / "fileName" property the control declares. Nothing else:
// captions, list contents, buttons, labels, memos, timers and fields of their own kind
// (a QLineEdit subclass such as the integer field) produce no keys.
std::vector<PersistedProperty> PersistableProperties(const QObject& control);

// The value as written: Booleans "TRUE" or "FALSE", integers in decimal, texts as they are.
QString PersistedValue(const QObject& control, const PersistedProperty& property);

// Applies a value read from the settings file (the empty text when the key is missing).
// Texts are set as read; Booleans change only on exactly "TRUE" or "FALSE"; integers only
// on a decimal number. A check box that changes state reacts as to a click.
void ApplyPersistedValue(QObject& control, const PersistedProperty& property, const QString& value);

} // namespace korvane
