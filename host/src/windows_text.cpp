// Windows' own words for its error codes, for the messages of the stand-in and its tools.

#ifdef _WIN32

#include <standin/Standin.h>
#include <windows.h>

#include <filesystem>
#include <string>

namespace standin {

std::string windowsErrorText(unsigned long code) {
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::string text = length > 0 ? std::filesystem::path(words, words + length).u8string()
                                  : "Windows error " + std::to_string(code);
    if (words != nullptr) LocalFree(words);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace standin

#endif
