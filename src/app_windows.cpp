#include "app_windows.h"

// Each business area registers its windows with the main window's registry here.
void RegisterAppWindows()
{
}
