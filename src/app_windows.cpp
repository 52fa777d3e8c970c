#include "app_windows.h"

#include "accounts/account_windows.h"
#include "customers/customer_windows.h"
#include "delivery_notes/delivery_note_windows.h"
#include "pricing/pricing_windows.h"
#include "reports/report_windows.h"
#include "shell/system_windows.h"
#include "waybills/waybill_windows.h"

// Each area registers its windows with the main window's registry.
void RegisterAppWindows()
{
    RegisterSystemWindows();
    RegisterPricingWindows();
    RegisterCustomerWindows();
    RegisterWaybillWindows();
    RegisterAccountWindows();
    RegisterReportWindows();
    RegisterDeliveryNoteWindows();
}
