#pragma once

// Registers the waybill window with the main window's registry.
void RegisterWaybillWindows();
