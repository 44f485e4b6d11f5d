#pragma once
// The movie player control (the Shockwave Flash ActiveX control on Windows).
// Texts are wide at this boundary. Every call raises OleError on a failing result,
// except PutFlashVars, whose failure the caller branches on.

#include <functional>
#include <memory>
#include <string>

#include "platform/Types.h"

namespace vel {

using FSCommandHandler = std::function<void(const std::u16string& command, const std::u16string& args)>;

class MoviePlayer {
public:
    MoviePlayer() = default;
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;
    virtual ~MoviePlayer() = default;

    virtual void PutMovie(const std::u16string& path) = 0;     // dispid 102
    virtual std::u16string GetMovie() = 0;
    virtual bool PutFlashVars(const std::u16string& vars) = 0;  // dispid 170; false on failure
    virtual void PutScaleMode(int mode) = 0;                    // dispid 120
    virtual void PutWMode(const std::u16string& mode) = 0;      // dispid 133
    virtual std::u16string GetVariable(const std::u16string& name) = 0;
    virtual void SetVariable(const std::u16string& name, const std::u16string& value) = 0;

    // The control is a child window of its parent.
    virtual void SetBounds(Rect bounds) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void DoVerbShow() = 0;  // OLE verb show (-1)
    virtual WindowHandle Handle() = 0;
};

class MovieService {
public:
    MovieService() = default;
    MovieService(const MovieService&) = delete;
    MovieService& operator=(const MovieService&) = delete;
    virtual ~MovieService() = default;

    // Creates the control inside `parent`; its FSCommand events reach onFSCommand on the
    // window thread. Raises OleError when no player is registered.
    virtual std::unique_ptr<MoviePlayer> Create(WindowHandle parent, FSCommandHandler onFSCommand) = 0;
};

}  // namespace vel
