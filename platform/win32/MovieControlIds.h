#pragma once
// The movie player control's identity: its class, its interfaces and the dispatch ids
// of the members the program uses. Written once for the host and the test stand-in.

#include "platform/win32/Win32.h"

namespace vel::win32::movie {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}: the control.
inline constexpr CLSID kClass = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}: its default (dual) interface.
inline constexpr IID kInterface = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}: its event (source) interface.
inline constexpr IID kEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Members of the default interface.
inline constexpr DISPID kMovie = 102;
inline constexpr DISPID kScaleMode = 120;
inline constexpr DISPID kWMode = 133;
inline constexpr DISPID kSetVariable = 151;
inline constexpr DISPID kGetVariable = 152;
inline constexpr DISPID kFlashVars = 170;
// The event interface's one event: command, args.
inline constexpr DISPID kFSCommand = 150;

}  // namespace vel::win32::movie
