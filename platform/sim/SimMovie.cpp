#include "platform/sim/SimMovie.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::sim {

SimMoviePlayer::~SimMoviePlayer() {
    if (m_service.current == this) m_service.current = nullptr;
}

void SimMoviePlayer::PutMovie(const std::u16string& path) {
    m_movie = path;
    m_service.trace.Add("movie load " + Quote(WideToAnsi(path)));
    variables.clear();
}

bool SimMoviePlayer::PutFlashVars(const std::u16string& vars) {
    m_service.trace.Add("movie flashvars " + Quote(WideToAnsi(vars)) + (m_service.flashVarsFail ? " -> failed" : ""));
    return !m_service.flashVarsFail;
}

void SimMoviePlayer::PutScaleMode(int mode) { m_service.trace.Add("movie scale-mode " + std::to_string(mode)); }

void SimMoviePlayer::PutWMode(const std::u16string& mode) { m_service.trace.Add("movie wmode " + Quote(WideToAnsi(mode))); }

std::u16string SimMoviePlayer::GetVariable(const std::u16string& name) {
    if (m_service.getVariableFails) throw OleError("Unspecified error");
    if (name == u"$version") return AnsiToWide(m_service.version);
    auto it = variables.find(WideToAnsi(name));
    return it == variables.end() ? std::u16string() : AnsiToWide(it->second);
}

void SimMoviePlayer::SetVariable(const std::u16string& name, const std::u16string& value) {
    std::string n = WideToAnsi(name), v = WideToAnsi(value);
    if (m_service.setVariableFails) {
        m_service.trace.Add("movie var " + Quote(n) + " = " + Quote(v) + " -> failed");
        throw OleError("Unspecified error");
    }
    writes.emplace_back(n, v);
    auto it = variables.find(n);
    bool changed = it == variables.end() || it->second != v;
    variables[n] = v;
    if (changed || m_service.traceEveryWrite) m_service.trace.Add("movie var " + Quote(n) + " = " + Quote(v));
}

void SimMoviePlayer::SetBounds(Rect b) {
    if (b == m_bounds) return;
    m_bounds = b;
    m_service.trace.Add("movie place " + std::to_string(b.left) + "," + std::to_string(b.top) + " " +
                        std::to_string(b.width) + "x" + std::to_string(b.height));
}

void SimMoviePlayer::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    m_service.trace.Add(visible ? "movie show" : "movie hide");
}

void SimMoviePlayer::DoVerbShow() { m_service.trace.Add("movie verb-show"); }

std::unique_ptr<MoviePlayer> SimMovieService::Create(WindowHandle, FSCommandHandler onFSCommand) {
    if (!registered) {
        trace.Add("movie create -> class not registered");
        throw OleError("Class not registered");
    }
    auto player = std::make_unique<SimMoviePlayer>(*this, std::move(onFSCommand));
    current = player.get();
    return player;
}

}  // namespace vel::sim
