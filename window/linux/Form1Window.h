#pragma once

#include "settings/Form1Operations.h"

#include <QWidget>

class QCheckBox;

namespace tallowby {

// The main window: caption "Form1" and one check box, "Check1", placed by
// the window manager and sized from the design at the screen's logical
// resolution. It carries the settings operations and reacts to nothing
// itself: the check box only toggles its mark. Owned as Qt expects, on the
// stack of main; its reference count only keeps it while an operation runs,
// and should the last reference go inside an event (a window made with
// MakeRef), the window is deleted once the event is done. The class is
// Form1Window on both
// platforms; Form1 is the window's own name, which its caption and the
// object other programs call carry.
class Form1Window final : public QWidget, public Form1Operations {
public:
    explicit Form1Window(ProfileStore &store = ProfileStore::Process());

    QCheckBox *Check1() const { return check1_; }

private:
    void LastReferenceGone() override;

    QCheckBox *check1_; // owned by the window, as Qt children are
};

} // namespace tallowby
