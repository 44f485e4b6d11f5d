#pragma once
// The movie service on Windows: hosts the movie player ActiveX control (class
// {D27CDB6E-AE6D-11CF-96B8-444553540000}) in place, as a child window of the given
// parent, through a minimal OLE container site of its own.
//
// Threading: create the service, its players and release them all on the window
// thread. OLE is initialised there by the first Create and uninitialised when the
// service and every player it made are gone, whichever goes last.
// FSCommand events reach the handler synchronously on that thread, from inside the
// control's event call; the handler may call back into the player and may run a
// modal loop. An exception that leaves the handler is swallowed at the COM boundary,
// so the handler reports its own errors.

#include <memory>
#include <vector>

#include "platform/MoviePlayer.h"

namespace vel::win32 {

// A text property of the control's stored design-time state, put by name after the
// control is initialised and before any movie loads.
struct StoredProperty {
    const wchar_t* name;
    const char16_t* value;
};

// The program's host: the control's stored state as the program stores it (script
// access "always" among it).
std::unique_ptr<MovieService> CreateMovieService();
// A host whose controls get other stored texts, as another container's would (the
// checks use it to leave script access unset or to store another value).
std::unique_ptr<MovieService> CreateMovieService(std::vector<StoredProperty> storedState);

}  // namespace vel::win32
