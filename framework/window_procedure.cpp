// The framework window procedure: input to the application's callbacks, then the
// framework's own handling of window state, pausing and the default hot keys. The
// settings dialog and the GUI text-input layer that would see messages first do not exist
// in this framework, so F2 has no effect.
#include "framework/framework_internal.h"

using namespace FrameworkInternal;

namespace {

constexpr LONG MinimumTrackSize = 200;
constexpr WPARAM EnterCharacter = 13;

void CallKeyboard(UINT message, WPARAM wParam, LPARAM lParam) {
    KeyboardCallback keyboard = State().keyboard;
    if (!keyboard)
        return;
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    keyboard(static_cast<UINT>(wParam), down, (lParam & KF_ALTDOWN_BIT) != 0);
}

void CallMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MouseCallback mouse = State().mouse;
    if (!mouse)
        return;
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    int wheel = 0;
    if (message == WM_MOUSEWHEEL) {
        POINT point{x, y};
        ScreenToClient(window, &point);
        x = point.x;
        y = point.y;
        wheel = GET_WHEEL_DELTA_WPARAM(wParam);
    }
    mouse((wParam & 0x01) != 0, (wParam & 0x02) != 0, (wParam & 0x10) != 0, (wParam & 0x20) != 0,
          (wParam & 0x40) != 0, wheel, x, y);
}

void HandleHotKey(WPARAM key) {
    FrameworkState& state = State();
    switch (key) {
    case VK_ESCAPE:
        SendMessageW(Framework::Window(), WM_CLOSE, 0, 0);
        break;
    case VK_PAUSE:
        // Only the framework clock stops; rendering goes on.
        if (state.timePaused)
            Framework::Pause(false, false);
        else
            Framework::Pause(true, false);
        break;
    case VK_F3:
        Framework::Pause(true, true);
        Framework::ToggleReferenceRasterizer();
        Framework::Pause(false, false);
        break;
    case VK_F8:
        state.wireframe = !state.wireframe;
        if (state.device)
            state.device->SetRenderState(D3DRS_FILLMODE, state.wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
        break;
    default:
        break;
    }
}

void HandleSize(HWND window, WPARAM kind) {
    FrameworkState& state = State();
    if (Framework::IsWindowed())
        state.windowedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if (kind == SIZE_MINIMIZED) {
        if (state.clipCursorWhenFullScreen && FullScreenNow())
            ClipCursor(nullptr);
        Framework::Pause(true, true);
        state.minimized = true;
        state.maximized = false;
    } else if (kind == SIZE_MAXIMIZED) {
        if (state.minimized)
            Framework::Pause(false, false);
        state.minimized = false;
        state.maximized = true;
        CheckWindowSize();
    } else if (kind == SIZE_RESTORED) {
        if (state.maximized) {
            state.maximized = false;
            CheckWindowSize();
        } else if (state.minimized) {
            Framework::Pause(false, false);
            state.minimized = false;
            CheckWindowSize();
        }
    }
}

} // namespace

LRESULT Framework::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FrameworkState& state = State();
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP)
        CallKeyboard(message, wParam, lParam);
    if ((message >= WM_LBUTTONDOWN && message <= WM_XBUTTONDBLCLK) || message == WM_MOUSEWHEEL)
        CallMouse(window, message, wParam, lParam);
    if (state.message) {
        bool noFurtherProcessing = false;
        LRESULT result = state.message(window, message, wParam, lParam, &noFurtherProcessing);
        if (noFurtherProcessing)
            return result;
    }

    bool fullScreen = FullScreenNow();
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_SIZE:
        HandleSize(window, wParam);
        break;
    case WM_PAINT:
        if (state.renderingPaused && state.deviceObjectsCreated && state.deviceObjectsReset && state.device) {
            if (state.frameRender)
                state.frameRender(state.device, state.time, state.elapsedTime);
            HRESULT hr = state.device->Present(nullptr, nullptr, nullptr, nullptr);
            if (hr == D3DERR_DEVICELOST || hr == D3DERR_DRIVERINTERNALERROR)
                state.deviceIsLost = true;
        }
        break;
    case WM_CLOSE: {
        HMENU menu = GetMenu(window);
        if (menu)
            DestroyMenu(menu);
        DestroyWindow(window);
        UnregisterClassW(L"Direct3DWindowClass", nullptr);
        state.focusWindow = state.fullScreenWindow = state.windowedWindow = nullptr;
        return 0;
    }
    case WM_ACTIVATEAPP:
        state.active = wParam != 0;
        break;
    case WM_SETCURSOR:
        if (fullScreen && !state.renderingPaused) {
            SetCursor(nullptr);
            if (state.showCursorWhenFullScreen && state.device)
                state.device->ShowCursor(TRUE);
            return TRUE;
        }
        break;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        if (limits)
            limits->ptMinTrackSize = POINT{MinimumTrackSize, MinimumTrackSize};
        break;
    }
    case WM_KEYDOWN:
        if (state.handleDefaultHotKeys)
            HandleHotKey(wParam);
        break;
    case WM_SYSCHAR:
        if (state.handleDefaultHotKeys && wParam == EnterCharacter && (lParam & KF_ALTDOWN_BIT)) {
            Framework::Pause(true, true);
            Framework::ToggleFullScreen();
            Framework::Pause(false, false);
            return 0;
        }
        break;
    case WM_EXITMENULOOP:
        Framework::Pause(false, false);
        break;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
        Framework::Pause(true, true);
        break;
    case WM_EXITSIZEMOVE:
        Framework::Pause(false, false);
        CheckWindowSize();
        break;
    case WM_SYSCOMMAND:
        if (fullScreen) {
            WPARAM command = wParam & 0xFFF0;
            if (command == SC_SIZE || command == SC_MOVE || command == SC_MAXIMIZE || command == SC_KEYMENU ||
                command == SC_MONITORPOWER)
                return 1;
        }
        break;
    case WM_NCHITTEST:
        if (fullScreen)
            return HTCLIENT;
        break;
    case WM_MOUSEMOVE:
        if (fullScreen && !state.renderingPaused && state.device) {
            POINT cursor{};
            GetCursorPos(&cursor);
            state.device->SetCursorPosition(cursor.x, cursor.y, 0);
        }
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND)
            return TRUE;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
