#pragma once
// The simulated default printer.

#include <string>

#include "platform/Printer.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimPrinter final : public Printer {
public:
    explicit SimPrinter(Trace& trace) : m_trace(trace) {}
    PrinterStatus SelectDefault() override;
    PrinterStatus SetLandscape() override;
    PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) override;

    bool hasDefault = true;
    bool supportsSettings = true;
    // Every job fails (out of paper, spooler stopped).
    bool failJobs = false;
    std::string name = "Printer";
    // The program's settings: a selection starts from the printer's own (portrait).
    bool selected = false;
    bool landscape = false;
    int pagesPrinted = 0;

private:
    Trace& m_trace;
};

}  // namespace vel::sim
