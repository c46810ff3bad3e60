#include "ui/persistent_form.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>

#include "engine/file_error.h"
#include "store/settings_codec.h"
#include "store/single_instance.h"
#include "ui/persisted_properties.h"
#include "ui/window_placement.h"

namespace korvane {

namespace {

// The file must never stay plain on disk, whatever failed before.
void EncodeQuietly(const std::string& path) {
    try {
        EncodeSettingsFile(path);
    } catch (const FileError&) {
        // Nothing better to do: the next start reads it as damaged.
    }
}

} // namespace

TPersistentForm::TPersistentForm(InstanceLock& instanceLock, const std::string& dataFolder, const QString& title,
                                 QWidget* parent)
    : QWidget(parent), settingsFileName_(dataFolder + title.toStdString() + ".ini") {
    if (const std::optional<std::string> message = CheckSingleInstance(instanceLock, title.toStdString())) {
        secondInstance_ = true;
        QMessageBox box(QMessageBox::NoIcon, title, QString::fromStdString(*message), QMessageBox::Ok);
        box.exec();
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void TPersistentForm::setVisible(bool visible) {
    QWidget::setVisible(visible && !secondInstance_);
}

void TPersistentForm::registerOnce() {
    if (!registered_) {
        registered_ = true;
        RegisterPersistedProperties();
    }
}

void TPersistentForm::RegisterPersistedProperties() {
    PersistedNames << QStringLiteral("Text") << QStringLiteral("Checked") << QStringLiteral("Position")
                   << QStringLiteral("InitialDir") << QStringLiteral("FileName");
    PersistedNames.sort();
}

bool TPersistentForm::IsPersistedProperty(const QString& className, const QString& propertyName) const {
    return PersistedNames.contains(propertyName) || PersistedNames.contains(className + u'.' + propertyName);
}

std::string TPersistentForm::sectionName() const {
    return objectName().toStdString();
}

QObjectList TPersistentForm::DesignOrder() const {
    QObjectList order;
    for (QObject* child : findChildren<QObject*>()) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QStringLiteral("qt_"))) {
            order.append(child);
        }
    }
    return order;
}

template <typename Visit> void TPersistentForm::forEachPersisted(Visit visit) {
    for (QObject* control : DesignOrder()) {
        if (control->objectName() == QStringLiteral("MaskEdit1")) {
            continue; // holds the lock password, which is never written here
        }
        const QString className = QString::fromLatin1(control->metaObject()->className());
        for (const PersistedProperty& property : PersistableProperties(*control)) {
            if (IsPersistedProperty(className, property.name)) {
                visit(*control, property, (control->objectName() + u'.' + property.name).toStdString());
            }
        }
    }
}

void TPersistentForm::SaveComponentValues(IniSection& settings) {
    forEachPersisted([&settings](QObject& control, const PersistedProperty& property, const std::string& key) {
        settings.writeString(key, PersistedValue(control, property).toStdString());
    });
}

void TPersistentForm::LoadComponentValues(const IniSection& settings) {
    forEachPersisted([&settings](QObject& control, const PersistedProperty& property, const std::string& key) {
        ApplyPersistedValue(control, property, QString::fromStdString(settings.readString(key, "")));
    });
}

void TPersistentForm::RestoreSettings() {
    if (secondInstance_) {
        return;
    }
    registerOnce();
    try {
        DecodeSettingsFile(settingsFileName_);
        const IniSection settings(settingsFileName_, sectionName());
        const int top = settings.readInteger("Top", 0);
        const int left = settings.readInteger("Left", 0);
        const int newWidth = settings.readInteger("Width", 0);
        const int newHeight = settings.readInteger("Height", 0);
        LoadComponentValues(settings);
        // 0 means "not stored"; a window really at 0 simply keeps its design place.
        if (top != 0) {
            PlaceWindow(*this, {x(), top});
        }
        if (left != 0) {
            PlaceWindow(*this, {left, y()});
        }
        if (newWidth != 0) {
            resize(newWidth, height());
        }
        if (newHeight != 0) {
            resize(width(), newHeight);
        }
    } catch (const FileError&) {
        // An unreadable settings file leaves the design values.
    }
    EncodeQuietly(settingsFileName_);
}

void TPersistentForm::SaveSettings() {
    if (secondInstance_) {
        return;
    }
    registerOnce();
    try {
        DecodeSettingsFile(settingsFileName_);
        IniSection settings(settingsFileName_, sectionName());
        settings.writeInteger("Top", y());
        settings.writeInteger("Left", x());
        settings.writeInteger("Width", width());
        settings.writeInteger("Height", height());
        SaveComponentValues(settings);
        settings.save();
    } catch (const FileError&) {
        // A settings file that cannot be written keeps what it held.
    }
    EncodeQuietly(settingsFileName_);
}

} // namespace korvane
