#pragma once

// Registers the ledger entry windows, the ledgers and the balance refresh with the main window's registry.
void RegisterAccountWindows();
