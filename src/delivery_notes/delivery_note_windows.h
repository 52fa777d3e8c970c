#pragma once

// Registers the delivery-note windows with the main window's registry.
void RegisterDeliveryNoteWindows();
