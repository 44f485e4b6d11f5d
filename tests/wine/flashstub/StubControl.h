#pragma once
// The stand-in movie player control: an apartment-model COM object under the movie
// control's class id, for test prefixes only. What it is told goes to the log (see
// README.md); the FSCommands it raises come from its command sources. Its class id is
// the real control's (platform/win32/MovieControlIds.h).

#include <windows.h>

namespace flashstub {

// The DLL's module handle, for the control's window class.
void SetModule(HINSTANCE module);

// Creates a control and asks it for iid.
HRESULT CreateStubControl(REFIID iid, void** out);

// Controls alive now (the DLL may unload at zero).
LONG LiveControls();

}  // namespace flashstub
