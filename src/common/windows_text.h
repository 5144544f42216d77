// Text at the Windows API's edge: the program's strings are UTF-8, the wide
// ("W") functions take and give UTF-16. Only the *_win.cpp files use it.
#pragma once

#include <string>

// UTF-16 of a UTF-8 text. Raises EInOutError for bytes that are not UTF-8:
// no file name may silently become another.
std::wstring wide_of(const std::string& utf8);
// UTF-8 of a UTF-16 text (an unpaired surrogate becomes U+FFFD).
std::string utf8_of(const std::wstring& wide);
std::string utf8_of(const wchar_t* wide);
// The system's text for an error code of GetLastError(), without the full
// stop and line end it ends with, like strerror's.
std::string windows_error_text(unsigned long error);
