#pragma once

#include <string>

#include <QObjectList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "platform/api/instance_lock.h"
#include "store/ini_section.h"

namespace korvane {

// Base of the main window: one running instance per title, and the window's geometry
// and control values kept in the settings file "<executable folder><title>.ini",
// section = the window's objectName, encoded on disk.
//
// A derived window builds its controls in its constructor, then calls
// RestoreSettings() before its own creation handler. The application calls
// SaveSettings() once the window has closed and before destroying it: a destructor
// could not reach the derived window's DesignOrder().
class TPersistentForm : public QWidget {
    Q_OBJECT

public:
    // Takes the instance lock for `title`. A second instance shows the one-instance
    // message modally, asks the application to quit (effective once its event loop
    // runs) and never shows itself; it neither reads nor writes the settings file,
    // which belongs to the running instance.
    TPersistentForm(InstanceLock& instanceLock, const std::string& dataFolder, const QString& title,
                    QWidget* parent = nullptr);

    bool isSecondInstance() const { return secondInstance_; }
    const std::string& settingsFileName() const { return settingsFileName_; }

    // Writes Top, Left, Width, Height and the control values, then encodes the file.
    void SaveSettings();

    void setVisible(bool visible) override;

protected:
    // Decodes the file, reads the control values and the non-zero geometry, encodes it again.
    void RestoreSettings();

    // The controls whose values are persisted, in design order; keys are written in
    // this order. Default: the named descendants, depth first in creation order, without
    // Qt's internal parts ("qt_" names).
    virtual QObjectList DesignOrder() const;

    virtual void SaveComponentValues(IniSection& settings);
    virtual void LoadComponentValues(const IniSection& settings);
    // True when PersistedNames holds `propertyName` or `className` + "." + `propertyName`.
    virtual bool IsPersistedProperty(const QString& className, const QString& propertyName) const;
    // Adds "Text", "Checked", "Position", "InitialDir", "FileName" and sorts; a derived
    // window may add names of either form.
    virtual void RegisterPersistedProperties();

    QStringList PersistedNames;

private:
    void registerOnce();
    std::string sectionName() const;
    // Persisted properties of the controls in design order, MaskEdit1 never among them.
    template <typename Visit> void forEachPersisted(Visit visit);

    bool secondInstance_ = false;
    bool registered_ = false;
    std::string settingsFileName_;
};

} // namespace korvane
