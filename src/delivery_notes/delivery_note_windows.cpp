#include "delivery_notes/delivery_note_windows.h"

#include "shell/window_registry.h"

void RegisterDeliveryNoteWindows()
{
}
