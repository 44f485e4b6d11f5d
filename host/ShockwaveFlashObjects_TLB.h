#pragma once
// TShockwaveFlash: the main window's movie player control over the movie service.
// Texts are 8-bit here and wide at the service, converted in this class.

#include <memory>
#include <string>

#include "platform/MoviePlayer.h"
#include "platform/Types.h"

namespace vel {

class TShockwaveFlash {
public:
    using FSCommandEvent = std::function<void(const std::u16string& command, const std::u16string& args)>;

    // Raises OleError when no player is registered. Design-time state: 1024 by 768, hidden.
    TShockwaveFlash(MovieService& service, WindowHandle parent, FSCommandEvent onFSCommand);

    void SetMovie(const std::string& path);
    std::string Movie();
    // Raises OleError when the player refuses the parameters.
    void SetFlashVars(const std::string& vars);
    void SetScaleMode(int mode);
    void SetWMode(const std::string& mode);
    std::string GetVariable(const std::string& name);
    void SetVariable(const std::string& name, const std::string& value);

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    Rect Bounds() const { return m_bounds; }
    void SetBounds(Rect bounds);
    int Width() const { return m_bounds.width; }
    int Height() const { return m_bounds.height; }
    // Asks the control to show itself again (OLE verb show).
    void DoVerbShow();
    WindowHandle Handle() { return m_player->Handle(); }

private:
    std::unique_ptr<MoviePlayer> m_player;
    bool m_visible = false;
    Rect m_bounds{0, 0, 1024, 768};
};

}  // namespace vel
