#pragma once

#include "settings/Form1Interface.h"

namespace tallowby {

// Records the check box sample through `window`'s public operations: key
// "Check1Name" with "First Check Box", then "Check1Value" with "1". Neither
// value is read from the window. Stops at the first failure and returns it;
// what the first write stored stays stored.
Status RecordCheckBoxSample(Form1Interface &window);

} // namespace tallowby
