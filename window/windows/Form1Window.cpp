#include "window/windows/Form1Window.h"

#include "window/Form1Design.h"
#include "window/windows/Check1Accessible.h"

#include <commctrl.h>

namespace tallowby {

namespace {

constexpr wchar_t kClassName[] = L"Tallowby.Form1";
constexpr int kCheck1Id = 1;
constexpr int kIconGroup = 1;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

const wchar_t *Wide(const char16_t *text) { return reinterpret_cast<const wchar_t *>(text); }

int SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    if (::GetClassInfoExW(instance, kClassName, &windowClass))
        return true;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                        ::GetSystemMetrics(SM_CXICON),
                                                        ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                          ::GetSystemMetrics(SM_CXSMICON),
                                                          ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    return ::RegisterClassExW(&windowClass) != 0;
}

} // namespace

Ref<Form1Window> Form1Window::Create(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!RegisterWindowClass(instance, &WindowProc))
        return {};

    Ref<Form1Window> form = Ref<Form1Window>::Adopt(new Form1Window(instance));
    const Form1Layout layout = LayoutForDpi(SystemDpi());
    RECT bounds{0, 0, layout.clientWidth, layout.clientHeight};
    ::AdjustWindowRectEx(&bounds, kStyle, FALSE, 0);
    // The object travels to WM_NCCREATE, which ties it to the handle.
    if (::CreateWindowExW(0, kClassName, Wide(kForm1Caption), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr, instance,
                          form.get()) == nullptr)
        return {};
    return form;
}

Form1Window::~Form1Window()
{
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *form = static_cast<Form1Window *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        form->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    if (auto *form = reinterpret_cast<Form1Window *>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
        return form->OnMessage(message, wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

bool Form1Window::OnCreate()
{
    const PixelRect box = LayoutForDpi(SystemDpi()).check1;
    check1_ = ::CreateWindowExW(0, L"BUTTON", Wide(kCheck1Caption),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, box.x, box.y, box.width,
                                box.height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCheck1Id)),
                                instance_, nullptr);
    if (check1_ == nullptr)
        return false;
    ::SendMessageW(check1_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // Without it, screen readers under Wine would not know it for a check box.
    AnswerAsCheckBox(check1_);
    return true;
}

// The check box is the only tab stop: the window hands it the focus.
void Form1Window::OnSetFocus() { ::SetFocus(check1_); }

void Form1Window::OnDestroy()
{
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
    check1_ = nullptr;
    ::PostQuitMessage(0);
}

int RunMessageLoop(HWND mainWindow)
{
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (::IsWindow(mainWindow) && ::IsDialogMessageW(mainWindow, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace tallowby
