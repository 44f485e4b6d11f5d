#include "probe/ProcessorClockCounter.h"

#include <cstring>

#include "forms/Forms.h"
#include "platform/ClockCounter.h"
#include "platform/Process.h"
#include "platform/Ui.h"

namespace vel {

namespace {

constexpr std::uint8_t kNop = 0x90;
constexpr std::uint8_t kRet = 0xC3;

// Counts are 64-bit two's complement; differences wrap over the full 64 bits.
std::int64_t Minus(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

}  // namespace

TProcessorClockCounter::TProcessorClockCounter(Application& app, Process& process, ClockCounter& counter)
    : m_app(app), m_process(process), m_counter(counter), m_emptyProc([](TProcessorClockCounter&) {}) {
    m_counterSupported = TestCounter();

    m_warmUpBlock = static_cast<std::uint8_t*>(m_process.AllocateExecutable(WarmUpBlockSize));
    if (m_warmUpBlock) {
        std::memset(m_warmUpBlock, kNop, WarmUpBlockSize - 1);
        m_warmUpBlock[WarmUpBlockSize - 1] = kRet;
    }

    m_clockPriority = cpNormal;
    m_clockPriorityClass = priority::NormalClass;
    m_clockThreadPriority = priority::ThreadNormal;
    SyncClockPriority();
    Calibrate();
    m_startStamp = 0;
    m_clockCount = 0;
}

TProcessorClockCounter::~TProcessorClockCounter() { m_process.FreeExecutable(m_warmUpBlock, WarmUpBlockSize); }

bool TProcessorClockCounter::TestCounter() {
    m_calibration = 0;
    bool faulted = false;
    try {
        // Reading a counter that cannot be read would fault: it is not read at all.
        if (m_counter.Readable()) m_calibration = ElapsedClocks();
    } catch (...) {
        faulted = true;
    }
    bool supported = !faulted && m_calibration != 0;
    if (!supported) m_app.MessageBox("Clock counter is not supported on this processor !", m_app.Title(), mb::Ok);
    return supported;
}

void TProcessorClockCounter::SetClockPriority(TClockPriority value) {
    if (value == m_clockPriority) return;
    m_clockPriority = value;
    switch (value) {
        case cpIdle:
            m_clockPriorityClass = priority::IdleClass;
            m_clockThreadPriority = priority::ThreadIdle;
            break;
        case cpNormal:
            m_clockPriorityClass = priority::NormalClass;
            m_clockThreadPriority = priority::ThreadNormal;
            break;
        case cpHigh:
            m_clockPriorityClass = priority::HighClass;
            m_clockThreadPriority = priority::ThreadHighest;
            break;
        case cpRealTime:
            m_clockPriorityClass = priority::RealTimeClass;
            m_clockThreadPriority = priority::ThreadTimeCritical;
            break;
        case cpProcessDefined:
            m_clockPriorityClass = m_savedPriorityClass;
            m_clockThreadPriority = m_savedThreadPriority;
            break;
    }
    Calibrate();
}

void TProcessorClockCounter::SyncClockPriority() {
    SavePriorities();
    switch (m_clockPriorityClass) {
        case priority::NormalClass: m_clockPriority = cpNormal; break;
        case priority::IdleClass: m_clockPriority = cpIdle; break;
        case priority::HighClass: m_clockPriority = cpHigh; break;
        case priority::RealTimeClass: m_clockPriority = cpRealTime; break;
        default: break;
    }
}

void TProcessorClockCounter::SavePriorities() {
    // The process service works on the current process and thread, so there are no
    // handles to keep.
    m_savedPriorityClass = m_process.GetPriorityClass();
    m_savedThreadPriority = m_process.GetThreadPriority();
}

void TProcessorClockCounter::Calibrate() {
    if (!m_counterSupported) return;
    m_calibration = 0;
    SavePriorities();
    StartCounter();
    StopCounter();
    StartCounter();
    StopCounter();
    m_calibration = m_clockCount;
}

std::int64_t TProcessorClockCounter::Stamp() { return static_cast<std::int64_t>(m_counter.Read()); }

void TProcessorClockCounter::StartCounter() {
    m_process.SetPriorityClass(m_clockPriorityClass);
    m_process.SetThreadPriority(m_clockThreadPriority);
    m_startStamp = Stamp();
}

void TProcessorClockCounter::StopCounter() {
    const std::int64_t t = Stamp();
    m_clockCount = Minus(Minus(t, m_startStamp), m_calibration);
    m_process.SetPriorityClass(m_savedPriorityClass);
    m_process.SetThreadPriority(m_savedThreadPriority);
}

std::int64_t TProcessorClockCounter::ElapsedClocks() { return Minus(Minus(Stamp(), m_startStamp), m_calibration); }

#if defined(__clang__)
// The block is plain code without the type signature that clang's function check
// looks for in front of a routine.
__attribute__((no_sanitize("function")))
#endif
void TProcessorClockCounter::RunWarmUp() {
    if (!m_warmUpBlock) return;  // no executable memory: the measurement goes on cold
    void (*routine)();
    static_assert(sizeof routine == sizeof m_warmUpBlock);
    std::memcpy(&routine, &m_warmUpBlock, sizeof routine);
    routine();
    ++m_warmUpRuns;
}

// Steps 1 to 3 of a pass: the cost of the stamps around an empty call.
void TProcessorClockCounter::MeasureEmptyCall() {
    m_startStamp = Stamp();
    m_emptyProc(*this);
    m_callOverhead = Minus(Stamp(), m_startStamp);
}

// Steps 4 to 6 of a pass: the event's call, less that cost.
void TProcessorClockCounter::MeasureEvent() {
    m_startStamp = Stamp();
    OnPreciseProc(*this);
    m_clockCount = Minus(Minus(Stamp(), m_startStamp), m_callOverhead);
}

void TProcessorClockCounter::MeasurePass() {
    MeasureEmptyCall();
    MeasureEvent();
}

void TProcessorClockCounter::Measure() {
    m_clockCount = 0;
    if (!m_counterSupported || !OnPreciseProc) return;
    RunWarmUp();
    MeasureEmptyCall();
    RunWarmUp();
    MeasureEvent();
}

void TProcessorClockCounter::MeasureTwice() {
    m_clockCount = 0;
    if (!m_counterSupported || !OnPreciseProc) return;
    RunWarmUp();
    MeasurePass();
    MeasurePass();
}

}  // namespace vel
