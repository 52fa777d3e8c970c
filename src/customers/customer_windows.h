#pragma once

// Registers the customer window and the reference lists.
void RegisterCustomerWindows();
