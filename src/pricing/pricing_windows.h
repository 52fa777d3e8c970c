#pragma once

// Registers the pricing standard, the channels and the zone windows with the main window's registry.
void RegisterPricingWindows();
