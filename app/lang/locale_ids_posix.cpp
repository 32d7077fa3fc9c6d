#include "app/lang/locale_ids.h"

// No Windows locale here: nothing matches, so the language stays English.
LocaleIds CurrentLocaleIds() { return {}; }
