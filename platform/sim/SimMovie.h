#pragma once
// The simulated movie player and the service that creates it.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/MoviePlayer.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimMovieService;

class SimMoviePlayer final : public MoviePlayer {
public:
    SimMoviePlayer(SimMovieService& service, FSCommandHandler handler) : m_service(service), m_handler(std::move(handler)) {}
    ~SimMoviePlayer() override;
    void PutMovie(const std::u16string& path) override;
    std::u16string GetMovie() override { return m_movie; }
    bool PutFlashVars(const std::u16string& vars) override;
    void PutScaleMode(int mode) override;
    void PutWMode(const std::u16string& mode) override;
    std::u16string GetVariable(const std::u16string& name) override;
    void SetVariable(const std::u16string& name, const std::u16string& value) override;
    void SetBounds(Rect bounds) override;
    void SetVisible(bool visible) override;
    void DoVerbShow() override;
    WindowHandle Handle() override { return 0x5F1A; }

    void Raise(const std::u16string& command, const std::u16string& args) { m_handler(command, args); }
    bool Visible() const { return m_visible; }
    Rect Bounds() const { return m_bounds; }
    // Every variable write in order, and the last value of each.
    std::vector<std::pair<std::string, std::string>> writes;
    std::map<std::string, std::string> variables;

private:
    SimMovieService& m_service;
    FSCommandHandler m_handler;
    std::u16string m_movie;
    bool m_visible = true;
    Rect m_bounds;
};

class SimMovieService final : public MovieService {
public:
    explicit SimMovieService(Trace& trace) : trace(trace) {}
    std::unique_ptr<MoviePlayer> Create(WindowHandle parent, FSCommandHandler onFSCommand) override;

    Trace& trace;
    std::string version = "WIN 9,0,124,0";  // "$version"
    bool registered = true;
    bool flashVarsFail = false;
    bool getVariableFails = false;
    bool setVariableFails = false;
    // Variable writes are traced only when the value changes, unless this is set.
    bool traceEveryWrite = false;
    SimMoviePlayer* current = nullptr;
};

}  // namespace vel::sim
