#pragma once
// What a window program answers to --version or --help without opening its window. A window
// program on Windows has no console (it is built for the GUI subsystem, and Explorer starts it
// without one), so there the answer appears in a message box; elsewhere it goes to standard output.

#include <cstdio>
#include <string>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vok::ui {

/// Shows `text` (UTF-8) under `title`; false when it could not be shown or written.
inline bool showAnswer(const std::string& text, const char* title) {
#if defined(_WIN32)
    const auto wide = [](const std::string& utf8) {
        std::wstring result;
        const int size = static_cast<int>(utf8.size());
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
        result.resize(static_cast<std::size_t>(length));
        if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, result.data(), length);
        return result;
    };
    return MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), MB_OK | MB_ICONINFORMATION) != 0;
#else
    (void)title;
    return std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
#endif
}

}  // namespace vok::ui
