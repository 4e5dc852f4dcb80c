// The thread's message queue: posted messages in order, then WM_QUIT, then WM_PAINT for
// windows that were exposed. SDL's events are turned into posted messages each time the
// queue is looked at.
#include <algorithm>
#include <deque>

#include "platform/trace/call_trace.h"
#include "platform/win32/platform_window.h"

namespace {

struct MessageQueue {
    std::deque<MSG> posted;
    bool quitPosted = false;
    int quitCode = 0;
};

MessageQueue& Queue() {
    static auto* queue = new MessageQueue; // outlives every static destructor
    return *queue;
}

bool IsLive(HWND window) {
    for (int i = 0; i < Win32Platform::WindowCount(); ++i)
        if (Win32Platform::WindowAt(i) == window)
            return true;
    return false;
}

bool Passes(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
    if (window && message.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message.message >= filterMin && message.message <= filterMax;
}

void PumpSdl() {
    if (!Win32Platform::VideoReady())
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        Win32Platform::TranslateSdlEvent(event);
}

// The character a key produces, as TranslateMessage sees it; 0 for none.
WPARAM CharacterOf(WPARAM key) {
    if (key == VK_RETURN || key == VK_ESCAPE || key == VK_BACK || key == VK_TAB || key == VK_SPACE)
        return key;
    if (key >= '0' && key <= '9')
        return key;
    if (key >= 'A' && key <= 'Z') {
        bool upper = (SDL_GetModState() & KMOD_SHIFT) != 0;
        return upper ? key : key - 'A' + 'a';
    }
    return 0;
}

} // namespace

namespace Win32Platform {

bool HasPostedMessage(HWND window, UINT message) {
    for (const MSG& m : Queue().posted)
        if (m.hwnd == window && m.message == message)
            return true;
    return false;
}

void ForgetWindowMessages(HWND window) {
    auto& posted = Queue().posted;
    posted.erase(
        std::remove_if(posted.begin(), posted.end(), [window](const MSG& m) { return m.hwnd == window; }),
        posted.end());
}

} // namespace Win32Platform

namespace {

// Each message function records itself while the call trace is on.
void TraceMessage(const char* function, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CallTrace::Enabled()) {
        CallTrace::Record(CallTrace::Formatter().WindowMessage(function, window, message, wParam, lParam));
    }
}

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(window) || !window->windowProc)
        return 0;
    return window->windowProc(window, message, wParam, lParam);
}

} // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TraceMessage("PostMessageW", window, message, wParam, lParam);
    if (window && !IsLive(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MSG posted{window, message, wParam, lParam, GetTickCount(), {}};
    Queue().posted.push_back(posted);
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TraceMessage("SendMessageW", window, message, wParam, lParam);
    return Deliver(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    TraceMessage("PostQuitMessage", nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
    Queue().quitPosted = true;
    Queue().quitCode = exitCode;
}

static BOOL PeekQueue(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!message)
        return FALSE;
    PumpSdl();
    MessageQueue& queue = Queue();
    bool remove = (removeFlags & PM_REMOVE) != 0;
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!Passes(*it, window, filterMin, filterMax))
            continue;
        *message = *it;
        if (remove)
            queue.posted.erase(it);
        return TRUE;
    }
    if (queue.quitPosted && !window) {
        MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, GetTickCount(), {}};
        if (Passes(quit, nullptr, filterMin, filterMax)) {
            *message = quit;
            if (remove)
                queue.quitPosted = false;
            return TRUE;
        }
    }
    for (int i = 0; i < Win32Platform::WindowCount(); ++i) {
        HWND candidate = Win32Platform::WindowAt(i);
        MSG paint{candidate, WM_PAINT, 0, 0, GetTickCount(), {}};
        if (!candidate->needsPaint || !Passes(paint, window, filterMin, filterMax))
            continue;
        *message = paint;
        // Painting validates the window; nothing else here would.
        if (remove)
            candidate->needsPaint = false;
        return TRUE;
    }
    return FALSE;
}

BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    const BOOL got = PeekQueue(message, window, filterMin, filterMax, removeFlags);
    if (CallTrace::Enabled()) {
        // The message taken, if any: what the loop will act on.
        CallTrace::Record(got ? CallTrace::Formatter().WindowMessage("PeekMessageW", message->hwnd,
                                                                     message->message, message->wParam,
                                                                     message->lParam)
                              : RecordedCall{"PeekMessageW", {}},
                          got ? "1" : "0");
    }
    return got;
}

BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    while (!PeekMessageW(message, window, filterMin, filterMax, PM_REMOVE)) {
        if (Win32Platform::VideoReady())
            SDL_WaitEventTimeout(nullptr, 10);
        else
            Sleep(10);
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* message) {
    if (message)
        TraceMessage("TranslateMessage", message->hwnd, message->message, message->wParam, message->lParam);
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
        return FALSE;
    WPARAM character = CharacterOf(message->wParam);
    if (!character)
        return FALSE;
    UINT charMessage = message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // The character comes next, before anything posted after the key.
    Queue().posted.push_front(MSG{message->hwnd, charMessage, character, message->lParam, message->time, {}});
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (!message || !message->hwnd)
        return 0;
    TraceMessage("DispatchMessageW", message->hwnd, message->message, message->wParam, message->lParam);
    return Deliver(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TraceMessage("DefWindowProcW", window, message, wParam, lParam);
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & KF_ALTDOWN_BIT))
            SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageW(window, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            break;
        case SC_MAXIMIZE:
            ShowWindow(window, SW_MAXIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case WM_SETCURSOR:
        if (IsLive(window))
            SetCursor(window->classCursor);
        return TRUE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_PAINT:
        if (IsLive(window))
            window->needsPaint = false;
        return 0;
    default:
        return 0;
    }
}

int TranslateAcceleratorW(HWND, HACCEL, MSG*) {
    return 0;
}
BOOL DestroyAcceleratorTable(HACCEL) {
    return TRUE;
}
