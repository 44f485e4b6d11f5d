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

#include "platform/MoviePlayer.h"

namespace vel::win32 {

std::unique_ptr<MovieService> CreateMovieService();

}  // namespace vel::win32
