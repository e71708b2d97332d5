#pragma once

#include "settings/Form1Operations.h"
#include "window/windows/Form1Automation.h"

#include <windows.h>

namespace tallowby {

// The main window on Windows: a top-level window of its own class, caption
// "Form1", at the platform's default position, and one standard check box,
// "Check1", sized from the design at the system's resolution. It carries
// the settings operations and handles no event of its own beyond what
// every window needs. Owned through its reference count, which is also
// the count of its COM automation object.
class Form1Window final : public Form1Operations {
public:
    // Creates the window, hidden. Returns no object when the platform
    // refuses, with the reason in GetLastError.
    static Ref<Form1Window> Create(HINSTANCE instance);

    HWND Handle() const { return window_; }
    HWND Check1() const { return check1_; }
    // The window's operations for other programs; shares the window's count.
    IForm1 *Automation() { return &automation_; }

private:
    explicit Form1Window(HINSTANCE instance) : instance_(instance) {}
    ~Form1Window() override;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnSetFocus();
    void OnDestroy();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND check1_ = nullptr; // a child: destroyed with the window
    Form1Automation automation_{*this};
};

// Runs the message loop until the main window has gone; Tab and Space go
// through the dialog manager so the check box works from the keyboard.
// Returns the exit code the loop ended with.
int RunMessageLoop(HWND mainWindow);

} // namespace tallowby
