#include "window/windows/AutomationRegistration.h"
#include "window/windows/Com.h"
#include "window/windows/Form1Window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const tallowby::ComApartment apartment;
    const auto form = tallowby::Form1Window::Create(instance);
    if (!form)
        return static_cast<int>(::GetLastError());
    const tallowby::AutomationRegistration reachable(form->Automation());
    ::ShowWindow(form->Handle(), showCommand);
    ::UpdateWindow(form->Handle());
    return tallowby::RunMessageLoop(form->Handle());
}
