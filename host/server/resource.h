#pragma once
// Resource identifiers of TessaryBG.exe (TYPELIB 1 is the type library).
#define IDR_HOST_CLASS 101
