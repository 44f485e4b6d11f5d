#pragma once
// TProcessorClockCounter: counts processor clock cycles with the time-stamp counter,
// either around the caller's own code (a bracket at a chosen priority, its own cost
// taken off) or over one call of its event after a warm-up run.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace vel {

class Application;
class ClockCounter;
class Process;

enum TClockPriority : std::uint8_t { cpIdle, cpNormal, cpHigh, cpRealTime, cpProcessDefined };

class TProcessorClockCounter {
public:
    using TPreciseProc = std::function<void(TProcessorClockCounter& Sender)>;

    // 524,287 no-operation bytes and a return.
    static constexpr std::size_t WarmUpBlockSize = 524288;

    // The application shows the message when the counter cannot be used; the process
    // gives the priorities and the executable memory; the counter is the processor's.
    TProcessorClockCounter(Application& app, Process& process, ClockCounter& counter);
    TProcessorClockCounter(const TProcessorClockCounter&) = delete;
    TProcessorClockCounter& operator=(const TProcessorClockCounter&) = delete;
    virtual ~TProcessorClockCounter();

    TClockPriority ClockPriority() const { return m_clockPriority; }
    // A new value puts its priorities in force for later brackets and recalibrates.
    void SetClockPriority(TClockPriority value);
    std::int64_t Calibration() const { return m_calibration; }
    bool CounterSupported() const { return m_counterSupported; }
    std::int64_t ClockCount() const { return m_clockCount; }
    std::int64_t CallOverhead() const { return m_callOverhead; }
    std::int64_t StartStamp() const { return m_startStamp; }
    std::uint32_t SavedPriorityClass() const { return m_savedPriorityClass; }
    int SavedThreadPriority() const { return m_savedThreadPriority; }
    std::uint32_t ClockPriorityClass() const { return m_clockPriorityClass; }
    int ClockThreadPriority() const { return m_clockThreadPriority; }

    TPreciseProc OnPreciseProc;

    // Snapshot of the priorities, then ClockPriority follows ClockPriorityClass
    // (without recalibrating).
    virtual void SyncClockPriority();
    // One timed call of OnPreciseProc, the warm-up run before the empty call and again
    // before the event call.
    virtual void Measure();
    // The warm-up run once, then two timed calls of OnPreciseProc; the second counts.
    virtual void MeasureTwice();

    void SavePriorities();
    // A bracket around the caller's code; the count lands in ClockCount. Only for a
    // supported counter.
    void StartCounter();
    void StopCounter();
    // Cycles since StartCounter, less the calibration; changes nothing.
    std::int64_t ElapsedClocks();

    // Runs of the warm-up block so far (none when no executable memory was given).
    int WarmUpRuns() const { return m_warmUpRuns; }
    const std::uint8_t* WarmUpBlock() const { return m_warmUpBlock; }

private:
    bool TestCounter();
    void Calibrate();
    void RunWarmUp();
    void MeasureEmptyCall();
    void MeasureEvent();
    void MeasurePass();
    std::int64_t Stamp();

    Application& m_app;
    Process& m_process;
    ClockCounter& m_counter;

    TClockPriority m_clockPriority = cpNormal;
    std::int64_t m_calibration = 0;
    bool m_counterSupported = false;
    std::int64_t m_clockCount = 0;
    std::int64_t m_callOverhead = 0;
    std::int64_t m_startStamp = 0;
    std::uint8_t* m_warmUpBlock = nullptr;
    int m_warmUpRuns = 0;
    std::uint32_t m_savedPriorityClass = 0;
    int m_savedThreadPriority = 0;
    std::uint32_t m_clockPriorityClass = 0;
    int m_clockThreadPriority = 0;
    // Called as the event is called, so that its cost matches the event call's.
    TPreciseProc m_emptyProc;
};

}  // namespace vel
