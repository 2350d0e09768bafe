#pragma once
// Resource identifiers of barlet.dll (TYPELIB 1 is the type library, manifest 2).
#define IDR_BARLET_MODULE 101
#define IDR_BARLETADDIN 106
#define IDI_PADLOCK_SET 203
#define IDI_PADLOCK_CLEAR 209
#define IDP_SET 210
#define IDP_SET_HOVER 211
#define IDP_CLEAR_HOVER 212
#define IDP_CLEAR 220
