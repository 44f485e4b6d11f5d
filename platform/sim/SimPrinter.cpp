#include "platform/sim/SimPrinter.h"

#include "runtime/Text.h"

namespace vel::sim {

PrinterStatus SimPrinter::SelectDefault() {
    if (!hasDefault) {
        m_trace.Add("printer select -> no default printer");
        return PrinterStatus::NoDefaultPrinter;
    }
    selected = true;
    landscape = false;
    m_trace.Add("printer select " + Quote(name));
    return PrinterStatus::Ok;
}

PrinterStatus SimPrinter::SetLandscape() {
    if (!selected) return PrinterStatus::NoDefaultPrinter;
    if (!supportsSettings) {
        m_trace.Add("printer landscape -> not supported");
        return PrinterStatus::NotSupported;
    }
    if (!landscape) m_trace.Add("printer landscape");
    landscape = true;
    return PrinterStatus::Ok;
}

PrinterStatus SimPrinter::PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) {
    if (!selected) return PrinterStatus::NoDefaultPrinter;
    std::string what = std::string(landscape ? "landscape" : "portrait") + " picture of window " +
                       std::to_string(window) + " " + std::to_string(source.left) + "," + std::to_string(source.top) +
                       " " + std::to_string(source.width) + "x" + std::to_string(source.height) + " title " +
                       Quote(title);
    if (failJobs) {
        m_trace.Add("printer page " + what + " -> failed");
        return PrinterStatus::Failed;
    }
    ++pagesPrinted;
    m_trace.Add("printer page " + what);
    return PrinterStatus::Ok;
}

}  // namespace vel::sim
