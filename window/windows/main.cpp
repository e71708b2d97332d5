#include "window/windows/Form1Window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const auto form = tallowby::Form1Window::Create(instance);
    if (!form)
        return static_cast<int>(::GetLastError());
    ::ShowWindow(form->Handle(), showCommand);
    ::UpdateWindow(form->Handle());
    return tallowby::RunMessageLoop(form->Handle());
}
