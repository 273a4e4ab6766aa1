#pragma once
// Windows builds only, given to every file by the build (-include), never included by code.
//
// windows.h turns names such as CreateProcess and DecryptFile into macros for their ...A/...W
// functions, and Poco's headers bring it into some files and not others: our own
// ExcuteProcess::CreateProcess and CsvDecryptor::DecryptFile would then be renamed in those
// files only (a link error at best). Included first everywhere and with its guard set, the
// header is never read again, so the few names this program declares itself stay names in
// every file; the Win32 backend calls the ...W functions by their full names. The lean and
// no-min/max settings are made here once, so no file sets them again.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#undef CreateProcess
#undef DecryptFile
#undef CreateFile
#undef GetObject
