#pragma once
// The interface a value plug-in implements for `$dll(plug-in)`. A plug-in is a shared library
// that exports, with C linkage and by these plain names:
//
//   void Install(const wchar_t* parameter);
//     Called once each time a pattern naming the plug-in is compiled, with the `$dll` call's
//     first parameter (the plug-in's path as written in the pattern). Its result is not used.
//
//   const wchar_t* GetValue(int reserved);
//     Called with 0 for every value. The returned text is the value; null gives an empty value.
//
// Wide strings are `wchar_t`, which is 32 bits (UTF-32) on Linux, NUL-terminated.
//
// Threads: every worker thread has an engine of its own and every engine its own `$dll`
// generator, so Install and GetValue may be called from several threads at the same time (each
// engine calls both only from the thread it runs on). A plug-in keeps no unguarded shared state.
//
// Ownership: the plug-in owns the text GetValue returns; the caller copies it at once and never
// frees it. It must stay valid until the same thread calls GetValue again, so a plug-in returns
// a string literal or a thread-local buffer. The text handed to Install belongs to the caller
// and is valid only during the call.
//
// The library is opened with dlopen when the pattern is compiled and closed (dlclose) when the
// engine drops the compiled pattern; the system keeps it loaded while any engine still uses it.

extern "C" {
using PluginInstallFunction = void (*)(const wchar_t* parameter);
using PluginGetValueFunction = const wchar_t* (*)(int reserved);
}

inline constexpr const char kPluginInstallName[] = "Install";
inline constexpr const char kPluginGetValueName[] = "GetValue";
