#include "ui/persisted_properties.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

namespace korvane {

namespace {

void AddIfPresent(std::vector<PersistedProperty>& found, const QObject& control, const char* qtName,
                  const QString& name, int requiredType) {
    const QMetaObject* meta = control.metaObject();
    const int index = meta->indexOfProperty(qtName);
    if (index < 0) {
        return;
    }
    const QMetaProperty property = meta->property(index);
    if (property.isWritable() && property.metaType().id() == requiredType) {
        found.push_back({name, property});
    }
}

} // namespace

std::vector<PersistedProperty> PersistableProperties(const QObject& control) {
    std::vector<PersistedProperty> found;
    // Only plain fields: a subclass with a meta object of its own holds a value of its
    // own kind, not a text to persist.
    if (control.metaObject() == &QLineEdit::staticMetaObject) {
        AddIfPresent(found, control, "text", QStringLiteral("Text"), QMetaType::QString);
    }
    if (qobject_cast<const QCheckBox*>(&control) != nullptr || qobject_cast<const QAction*>(&control) != nullptr) {
        AddIfPresent(found, control, "checked", QStringLiteral("Checked"), QMetaType::Bool);
    }
    AddIfPresent(found, control, "position", QStringLiteral("Position"), QMetaType::Int);
    AddIfPresent(found, control, "initialDir", QStringLiteral("InitialDir"), QMetaType::QString);
    AddIfPresent(found, control, "fileName", QStringLiteral("FileName"), QMetaType::QString);
    return found;
}

QString PersistedValue(const QObject& control, const PersistedProperty& property) {
    const QVariant value = property.property.read(&control);
    switch (property.property.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Int:
        return QString::number(value.toInt());
    default:
        return value.toString();
    }
}

void ApplyPersistedValue(QObject& control, const PersistedProperty& property, const QString& value) {
    switch (property.property.metaType().id()) {
    case QMetaType::Bool: {
        if (value != QStringLiteral("TRUE") && value != QStringLiteral("FALSE")) {
            return;
        }
        const bool checked = value == QStringLiteral("TRUE");
        auto* box = qobject_cast<QCheckBox*>(&control);
        if (box == nullptr) {
            property.property.write(&control, checked);
        } else if (box->isChecked() != checked) {
            // The box's click reaction runs as for a user's click; emitted directly
            // rather than through click(), which does nothing while the box is disabled.
            box->setChecked(checked);
            Q_EMIT box->clicked(checked);
        }
        return;
    }
    case QMetaType::Int: {
        bool ok = false;
        const int number = value.toInt(&ok, 10);
        if (ok) {
            property.property.write(&control, number);
        }
        return;
    }
    default:
        property.property.write(&control, value);
    }
}

} // namespace korvane
