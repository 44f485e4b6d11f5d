#pragma once
// Fixtures for the sound tests: a mixer whose change notices wait in a queue the
// test delivers itself (bounded, so a notice loop fails the test instead of
// hanging it), on its own or under the installed game.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "sound/SCFrm.h"
#include "sound/SndControls.h"
#include "support/Game.h"

namespace vel::test {

// The mixer service with its notice queue.
struct NoticeMixer {
    sim::Trace mixerTrace;
    std::deque<std::function<void()>> notices;
    sim::SimMixer mixer{mixerTrace, [this](std::function<void()> notice) { notices.push_back(std::move(notice)); }};

    // Runs notices (each may post more) until none waits, at most `limit` of them;
    // returns how many ran.
    template <typename Run>
    int Deliver(Run run, int limit) {
        int count = 0;
        while (!notices.empty() && count < limit) {
            auto notice = std::move(notices.front());
            notices.pop_front();
            run(notice);
            ++count;
        }
        return count;
    }
    static constexpr int kPatience = 10000;
};

// The line objects alone, set up on the window 0x77.
struct MixerRig : NoticeMixer {
    SndControls lines;
    int changes = 0;
    void Init() {
        lines.InitMixer(mixer, 0x77, [this] { ++changes; });
    }
    int Deliver() {
        int count = NoticeMixer::Deliver([](const std::function<void()>& notice) { notice(); }, kPatience);
        EXPECT_TRUE(notices.empty()) << "change notices still coming after " << count;
        return count;
    }
};

// An installed game on a simulated machine, its mixer being this fixture's.
struct SoundGame : NoticeMixer, Game {
    SoundGame() : Game("C:\\Game\\", DriveType::Fixed, true) {}

    // Starts the program (its windows exist afterwards; the loop is not entered).
    void Start() { Game::Start(&mixer); }
    TSoundControlForm& Form() { return *p->SoundControlForm; }
    // Delivers change notices until none comes (failing the test if they do not stop).
    int Settle(int limit = kPatience) {
        int count = NoticeMixer::Deliver([this](const std::function<void()>& notice) { p->app.RunPosted(notice); },
                                         limit);
        EXPECT_TRUE(notices.empty()) << "change notices still coming after " << count;
        return count;
    }
    void DeliverOne() {
        NoticeMixer::Deliver([this](const std::function<void()>& notice) { p->app.RunPosted(notice); }, 1);
    }
    std::int32_t Value(std::uint32_t controlId) { return mixer.FindControl(0, controlId)->value; }
};

}  // namespace vel::test
