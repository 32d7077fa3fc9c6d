#include <windows.h>

#include "app/lang/locale_ids.h"

LocaleIds CurrentLocaleIds() { return {::GetSystemDefaultLCID(), ::GetUserDefaultLCID()}; }
