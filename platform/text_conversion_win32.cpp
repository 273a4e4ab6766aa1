#include <windows.h>

#include <climits>

#include <Poco/UnicodeConverter.h>

#include "platform/text_utils.h"

// Narrow text is code page 936 whatever the system's own code page (CP_ACP) is: the station
// files, paths and manifests of existing stations are written in it. The conversion is named
// per call, so no process-wide locale is involved and any thread may convert.

namespace {

const UINT kNarrowCodePage = 936;

}  // namespace

// Bytes that are no character of the code page, and characters it lacks, become the
// system's replacement characters rather than failing the whole text.
std::wstring AnsiToWide(const std::string& text) {
    // The system counts in int; a text beyond that is no path or message of a station.
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(kNarrowCodePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    const int written =
        MultiByteToWideChar(kNarrowCodePage, 0, text.data(), size, &wide[0], needed);
    wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return wide;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(kNarrowCodePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string narrow(static_cast<size_t>(needed), '\0');
    const int written = WideCharToMultiByte(kNarrowCodePage, 0, text.data(), size, &narrow[0],
                                            needed, nullptr, nullptr);
    narrow.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return narrow;
}

size_t NarrowCharLength(const char* text) {
    // A lead byte followed by the terminator is a broken character: one byte, so that a scan
    // never steps over the end.
    return IsDBCSLeadByteEx(kNarrowCodePage, static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

std::string AnsiToUtf8(const std::string& text) {
    std::string utf8;
    Poco::UnicodeConverter::convert(AnsiToWide(text), utf8);
    return utf8;
}

std::string Utf8ToAnsi(const std::string& text) {
    std::wstring wide;
    Poco::UnicodeConverter::convert(text, wide);
    return WideToAnsi(wide);
}

const char kTextLineEnd[] = "\r\n";
