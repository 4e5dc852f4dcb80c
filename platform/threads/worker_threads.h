#pragma once
// Whether the program may start threads of its own. The browser build runs on the page's one
// thread (threads there would need SharedArrayBuffer and a server that isolates the page), so
// the work that natively runs beside the main loop runs in the caller's turn instead.

#ifdef __EMSCRIPTEN__
inline constexpr bool kWorkerThreadsAvailable = false;
#else
inline constexpr bool kWorkerThreadsAvailable = true;
#endif
