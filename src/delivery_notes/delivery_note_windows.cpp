#include "delivery_notes/delivery_note_windows.h"

#include "delivery_notes/d2.h"
#include "delivery_notes/d201.h"
#include "delivery_notes/d3.h"
#include "platform/window_registry.h"

void RegisterDeliveryNoteWindows()
{
    // No command of the main window opens these: D2 opens D201, which appends
    // to D2's list; D3 stands alone.
    WindowRegistry::registerChild("D2", [] { return new D2; }, {.maximized = true});
    WindowRegistry::registerChild("D3", [] { return new D3; }, {.maximized = true});
    WindowRegistry::registerDialog("D201", [](QWidget* parent) {
        D201 dlg(parent);
        dlg.formLoad();
        WindowRegistry::execModal(dlg);
    });
}
