#pragma once
// Resource identifiers of pagelet.dll (TYPELIB 1 is the type library).
#define IDR_PAGELET_MODULE 101
#define IDR_HALDENBHO 106
