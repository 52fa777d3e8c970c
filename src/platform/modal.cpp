#include "platform/modal.h"

#include "platform/platform.h"

#include <QDialog>
#include <QPointer>

namespace {
ModalDriver& driver()
{
    static ModalDriver d;
    return d;
}
} // namespace

void SetModalDriver(ModalDriver d)
{
    driver() = std::move(d);
}

int ExecModal(QDialog& dialog)
{
    NormalPointer pointer;
    if (!driver())
        return dialog.exec();
    // As exec() would: a fresh result, the dialog shown and modal.
    dialog.setResult(0);
    dialog.setModal(true);
    dialog.show();
    // The driver may close (or delete) the dialog, so keep a guarded pointer.
    QPointer<QDialog> guard(&dialog);
    driver()(dialog);
    if (guard && guard->isVisible())
        guard->reject();
    return guard ? guard->result() : 0;
}
