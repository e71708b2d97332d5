// The one definition of the automation interface's GUIDs.
#include <initguid.h>

#include "resources/TallowbyAutomation.h"
