#pragma once
// Lets the compiler check printf-style arguments of the project's formatting functions.
#if defined(__GNUC__)
#define VX_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VX_PRINTF_FORMAT(fmt, args)
#endif
