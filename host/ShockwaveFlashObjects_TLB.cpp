#include "host/ShockwaveFlashObjects_TLB.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel {

TShockwaveFlash::TShockwaveFlash(MovieService& service, WindowHandle parent, FSCommandEvent onFSCommand)
    : m_player(service.Create(parent, std::move(onFSCommand))) {
    m_player->SetBounds(m_bounds);
    m_player->SetVisible(false);
}

void TShockwaveFlash::SetMovie(const std::string& path) { m_player->PutMovie(AnsiToWide(path)); }

std::string TShockwaveFlash::Movie() { return WideToAnsi(m_player->GetMovie()); }

void TShockwaveFlash::SetFlashVars(const std::string& vars) {
    if (!m_player->PutFlashVars(AnsiToWide(vars))) throw OleError("Unspecified error");
}

void TShockwaveFlash::SetScaleMode(int mode) { m_player->PutScaleMode(mode); }

void TShockwaveFlash::SetWMode(const std::string& mode) { m_player->PutWMode(AnsiToWide(mode)); }

std::string TShockwaveFlash::GetVariable(const std::string& name) {
    return WideToAnsi(m_player->GetVariable(AnsiToWide(name)));
}

void TShockwaveFlash::SetVariable(const std::string& name, const std::string& value) {
    m_player->SetVariable(AnsiToWide(name), AnsiToWide(value));
}

void TShockwaveFlash::SetVisible(bool visible) {
    m_visible = visible;
    m_player->SetVisible(visible);
}

void TShockwaveFlash::SetBounds(Rect bounds) {
    m_bounds = bounds;
    m_player->SetBounds(bounds);
}

void TShockwaveFlash::DoVerbShow() { m_player->DoVerbShow(); }

}  // namespace vel
