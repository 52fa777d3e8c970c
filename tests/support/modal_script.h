#pragma once
#include "support/testenv.h"

#include "platform/window_registry.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <map>

// Works every modal dialog through a script instead of a user; records the
// object names of the dialogs it was given. A dialog without a step is
// cancelled; in strict mode it also fails the test with the dialog's name, and
// so does a dialog shown under the busy pointer.
class ModalScript {
public:
    using Step = std::function<void(QDialog&)>;
    explicit ModalScript(bool strict = false)
        : m_strict(strict)
    {
        WindowRegistry::setModalDriver([this](QDialog& d) {
            shown << d.objectName();
            if (BusyPointer()) {
                shownBusy << d.objectName();
                if (m_strict)
                    ADD_FAILURE() << "dialog under the busy pointer: " << d.objectName().toStdString();
            }
            auto it = steps.find(d.objectName());
            if (it != steps.end()) {
                it->second(d);
                return;
            }
            if (m_strict)
                ADD_FAILURE() << "unscripted dialog: " << d.objectName().toStdString() << " \""
                              << d.windowTitle().toStdString() << "\"";
            d.reject();
        });
    }
    ~ModalScript() { WindowRegistry::setModalDriver({}); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    void setStrict(bool on) { m_strict = on; }
    void on(const QString& name, Step step) { steps[name] = std::move(step); }
    // The dialog of that name is cancelled, as intended.
    void cancel(const QString& name)
    {
        on(name, [](QDialog& d) { d.reject(); });
    }
    QStringList shown;
    QStringList shownBusy; // shown while a wait cursor was up

private:
    std::map<QString, Step> steps;
    bool m_strict = false;
};
