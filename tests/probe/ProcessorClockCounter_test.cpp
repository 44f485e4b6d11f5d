#include "probe/ProcessorClockCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "platform/sim/SimMachine.h"

namespace vel {
namespace {

using Log = std::vector<std::string>;

const char* const kUnsupported =
    "messagebox caption=\"Probe\" text=\"Clock counter is not supported on this processor !\" buttons=OK -> OK";

// The simulated counter, each read noted in the priority log so the order of
// stamps and priority changes shows.
class LoggedCounter final : public ClockCounter {
public:
    LoggedCounter(sim::SimClockCounter& inner, Log& log) : m_inner(inner), m_log(log) {}
    bool Readable() override { return m_inner.Readable(); }
    std::uint64_t Read() override {
        m_log.push_back("stamp");
        return m_inner.Read();
    }

private:
    sim::SimClockCounter& m_inner;
    Log& m_log;
};

// A simulated machine with a 2 GHz counter; each read costs 30 cycles.
struct Rig {
    sim::SimMachine m;
    Application app{m.ui};
    LoggedCounter counter{m.clock, m.process.priorityLog};
    std::unique_ptr<TProcessorClockCounter> pcc;

    Rig() {
        app.SetTitle("Probe");
        m.clock.cyclesPerMs = 2'000'000;
    }
    TProcessorClockCounter& Create() {
        pcc = std::make_unique<TProcessorClockCounter>(app, m.process, counter);
        return *pcc;
    }
    Log& log() { return m.process.priorityLog; }
    long Messages() const {
        const auto& lines = m.trace.Lines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("messagebox", 0) == 0; });
    }
};

Log Bracket(const std::string& raiseClass, const std::string& raiseThread, const std::string& restoreClass,
            const std::string& restoreThread) {
    return {"class " + raiseClass, "thread " + raiseThread, "stamp", "stamp", "class " + restoreClass,
            "thread " + restoreThread};
}

TEST(ProcessorClockCounter, UnusableCounterTellsOnceAndMeasuresNothing) {
    struct Case {
        const char* name;
        bool readable;
        std::uint64_t origin;
    } cases[] = {{"cannot be read", false, 1'000'000}, {"reads 0", true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.m.clock.readable = c.readable;
        r.m.clock.origin = c.origin;
        r.m.clock.cyclesPerRead = 0;
        auto& pcc = r.Create();
        EXPECT_FALSE(pcc.CounterSupported());
        EXPECT_EQ(pcc.Calibration(), 0);
        EXPECT_EQ(pcc.ClockCount(), 0);
        ASSERT_EQ(r.m.trace.Lines().back(), kUnsupported);
        // Nothing calibrated, and an unreadable counter never read.
        EXPECT_EQ(std::count(r.log().begin(), r.log().end(), "stamp"), c.readable ? 1 : 0);
        EXPECT_EQ(std::count_if(r.log().begin(), r.log().end(), [](auto& l) { return l != "stamp"; }), 0);

        int calls = 0;
        pcc.OnPreciseProc = [&](TProcessorClockCounter&) { ++calls; };
        pcc.MeasureTwice();
        pcc.Measure();
        pcc.SetClockPriority(cpHigh);
        EXPECT_EQ(pcc.ClockCount(), 0);
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(pcc.WarmUpRuns(), 0);
        EXPECT_EQ(r.Messages(), 1);
    }
}

TEST(ProcessorClockCounter, ConstructionCalibratesAtNormalWhateverTheProcessRunsAt) {
    Rig r;
    r.m.process.priorityClass = priority::HighClass;
    r.m.process.threadPriority = priority::ThreadHighest;
    auto& pcc = r.Create();

    EXPECT_TRUE(pcc.CounterSupported());
    EXPECT_EQ(r.Messages(), 0);
    EXPECT_EQ(pcc.ClockPriority(), cpNormal);
    EXPECT_EQ(pcc.Calibration(), 30);  // the stamps of an empty bracket
    EXPECT_EQ(pcc.ClockCount(), 0);
    EXPECT_EQ(pcc.StartStamp(), 0);
    // The test read, then two empty brackets raised to normal and back to high.
    Log expected{"stamp"};
    for (int i = 0; i < 2; ++i) {
        Log b = Bracket("0x20", "0", "0x80", "2");
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(r.log(), expected);

    const std::uint8_t* block = pcc.WarmUpBlock();
    ASSERT_NE(block, nullptr);
    const std::size_t n = TProcessorClockCounter::WarmUpBlockSize;
    EXPECT_EQ(n, 524288u);
    EXPECT_TRUE(std::all_of(block, block + n - 1, [](std::uint8_t b) { return b == 0x90; }));
    EXPECT_EQ(block[n - 1], 0xC3);
    EXPECT_EQ(pcc.WarmUpRuns(), 0);
}

TEST(ProcessorClockCounter, BracketRaisesBeforeItsStartStampAndRestoresAfterItsStop) {
    struct Case {
        TClockPriority priority;
        const char* cls;
        const char* thread;
    } cases[] = {{cpIdle, "0x40", "-15"}, {cpHigh, "0x80", "2"}, {cpRealTime, "0x100", "15"}, {cpNormal, "0x20", "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cls);
        Rig r;
        r.m.process.threadPriority = -1;
        auto& pcc = r.Create();
        pcc.SetClockPriority(c.priority);
        r.log().clear();
        pcc.StartCounter();
        r.m.process.Sleep(100);
        pcc.StopCounter();
        EXPECT_EQ(r.log(), Bracket(c.cls, c.thread, "0x20", "-1"));
        EXPECT_EQ(pcc.ClockCount(), 200'000'000);  // the bracket's own cost taken off
        EXPECT_EQ(r.m.process.priorityClass, priority::NormalClass);
        EXPECT_EQ(r.m.process.threadPriority, -1);
    }
}

TEST(ProcessorClockCounter, WritingTheSamePriorityDoesNotRecalibrate) {
    Rig r;
    auto& pcc = r.Create();
    r.m.clock.cyclesPerRead = 50;
    r.log().clear();

    pcc.SetClockPriority(cpNormal);
    EXPECT_TRUE(r.log().empty());
    EXPECT_EQ(pcc.Calibration(), 30);

    pcc.SetClockPriority(cpHigh);
    Log once = Bracket("0x80", "2", "0x20", "0"), twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(r.log(), twice);
    EXPECT_EQ(pcc.Calibration(), 50);
    EXPECT_EQ(pcc.ClockPriority(), cpHigh);
}

TEST(ProcessorClockCounter, ProcessDefinedRunsAtTheSnapshotLevels) {
    Rig r;
    r.m.process.priorityClass = 0x4000;  // below normal: no level of its own
    r.m.process.threadPriority = -1;
    auto& pcc = r.Create();
    pcc.SetClockPriority(cpProcessDefined);
    r.log().clear();
    pcc.StartCounter();
    pcc.StopCounter();
    EXPECT_EQ(r.log(), Bracket("0x4000", "-1", "0x4000", "-1"));

    // A class without a level of its own leaves the choice as it is.
    pcc.SyncClockPriority();
    EXPECT_EQ(pcc.ClockPriority(), cpProcessDefined);
}

TEST(ProcessorClockCounter, SyncFollowsTheClassInForceWithoutRecalibrating) {
    Rig r;
    r.m.process.priorityClass = priority::HighClass;
    auto& pcc = r.Create();
    pcc.SetClockPriority(cpProcessDefined);  // high, from the snapshot
    r.log().clear();
    pcc.SyncClockPriority();
    EXPECT_EQ(pcc.ClockPriority(), cpHigh);
    EXPECT_TRUE(r.log().empty());
}

TEST(ProcessorClockCounter, EventTimingCountsTheLastCallLessTheEmptyCall) {
    const std::uint64_t origins[] = {1'000'000, std::numeric_limits<std::uint64_t>::max() - 100'000'000};
    for (std::uint64_t origin : origins) {
        SCOPED_TRACE(origin);
        Rig r;
        r.m.clock.origin = origin;  // the second one wraps around during the sleeps
        auto& pcc = r.Create();
        std::vector<std::uint32_t> sleeps;
        pcc.OnPreciseProc = [&](TProcessorClockCounter& sender) {
            EXPECT_EQ(&sender, &pcc);
            sleeps.push_back(sleeps.empty() ? 100 : 250);
            r.m.process.Sleep(sleeps.back());
        };
        r.log().clear();

        pcc.MeasureTwice();
        EXPECT_EQ(sleeps.size(), 2u);
        EXPECT_EQ(pcc.ClockCount(), 500'000'000);  // the second pass alone
        EXPECT_EQ(pcc.CallOverhead(), 30);
        EXPECT_EQ(pcc.WarmUpRuns(), 1);
        EXPECT_EQ(r.log(), Log(8, "stamp"));  // no priority change

        pcc.Measure();
        EXPECT_EQ(sleeps.size(), 3u);
        EXPECT_EQ(pcc.ClockCount(), 500'000'000);
        EXPECT_EQ(pcc.WarmUpRuns(), 3);

        pcc.OnPreciseProc = nullptr;
        pcc.MeasureTwice();
        EXPECT_EQ(pcc.ClockCount(), 0);
        pcc.Measure();
        EXPECT_EQ(pcc.ClockCount(), 0);
        EXPECT_EQ(pcc.WarmUpRuns(), 3);
    }
}

}  // namespace
}  // namespace vel
