#pragma once
// The program's main routine and the global references to its windows, each created
// once in a fixed order and kept until the run ends.

#include <memory>

#include "forms/Forms.h"
#include "platform/Platform.h"

namespace vel {

class TMainForm;
class TMessageForm;
class TSoundControlForm;
class TIntroForm;
class TRtfForm;

class Program {
public:
    explicit Program(const Platform& platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // Steps up to the message loop. False when the run ended before the loop
    // (another installed copy runs, or the movie player is unusable).
    bool Start();
    // The message loop, until termination is requested.
    void Run();

    Platform platform;
    Application app;

    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TMessageForm> MessageForm;
    std::unique_ptr<TSoundControlForm> SoundControlForm;
    std::unique_ptr<TIntroForm> IntroForm;
    std::unique_ptr<TRtfForm> RtfForm;
};

// Start, loop and end: what the program's entry point runs.
int RunVelvinor(Platform& platform);

}  // namespace vel
