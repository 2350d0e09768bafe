// For resource scripts: the file name that a module's version block states,
// "<base><TESSARY_SUFFIX>.dll", the suffix being empty for 64-bit modules and
// 32 for the 32-bit ones that ship beside them. The build defines the suffix.
#pragma once

#ifndef TESSARY_SUFFIX
#define TESSARY_SUFFIX
#endif

#define TESSARY_PASTE_(a, b) a##b
#define TESSARY_PASTE(a, b) TESSARY_PASTE_(a, b)
#define TESSARY_QUOTE_(x) #x
#define TESSARY_QUOTE(x) TESSARY_QUOTE_(x)
#define TESSARY_MODULE_FILE(base) TESSARY_QUOTE(TESSARY_PASTE(base, TESSARY_SUFFIX).dll)
