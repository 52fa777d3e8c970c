#pragma once
#include "shell/window_registry.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <map>

// Works every modal dialog through a script instead of a user; records the
// object names of the dialogs it was given. A dialog without a step is
// cancelled.
class ModalScript {
public:
    using Step = std::function<void(QDialog&)>;
    ModalScript()
    {
        WindowRegistry::setModalDriver([this](QDialog& d) {
            shown << d.objectName();
            auto it = steps.find(d.objectName());
            if (it != steps.end())
                it->second(d);
            else
                d.reject();
        });
    }
    ~ModalScript() { WindowRegistry::setModalDriver({}); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    void on(const QString& name, Step step) { steps[name] = std::move(step); }
    QStringList shown;

private:
    std::map<QString, Step> steps;
};
