// The printer over CUPS: the default destination, the program's own landscape page
// of that destination's default paper, and one PDF page with the picture of a GTK
// widget, sent as one job.

#include <cairo-pdf.h>
#include <cups/cups.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/linux/services/LinuxServices.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Hundredths of a millimetre to PDF points.
double Points(int hundredthsOfMm) { return hundredthsOfMm * 72.0 / 2540.0; }

class CupsPrinter final : public Printer {
public:
    ~CupsPrinter() override { Forget(); }

    PrinterStatus SelectDefault() override {
        cups_dest_t* found = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
        if (!found) return PrinterStatus::NoDefaultPrinter;
        if (!m_dest || std::string(found->name) != m_dest->name) {
            Forget();  // settings belong to one printer
            m_dest = found;
        } else {
            cupsFreeDests(1, found);
        }
        return PrinterStatus::Ok;
    }

    PrinterStatus SetLandscape() override {
        if (!m_dest) return PrinterStatus::NoDefaultPrinter;
        if (!Info() || !cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, m_dest, m_info, 0, &m_paper))
            return PrinterStatus::NotSupported;
        m_landscape = true;
        return PrinterStatus::Ok;
    }

    PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) override {
        if (!m_dest) return PrinterStatus::NoDefaultPrinter;
        if (source.width <= 0 || source.height <= 0 || !Info()) return PrinterStatus::Failed;
        cairo_surface_t* picture = PictureOf(reinterpret_cast<GtkWidget*>(window), source);
        if (!picture) return PrinterStatus::Failed;
        cups_size_t paper = m_paper;
        if (!m_landscape && !cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, m_dest, m_info, 0, &paper))
            paper = cups_size_t{"iso_a4_210x297mm", 21000, 29700, 0, 0, 0, 0};
        std::string pdf = PdfPage(picture, paper, m_landscape);
        cairo_surface_destroy(picture);
        if (pdf.empty()) return PrinterStatus::Failed;
        return Send(pdf, AnsiToUtf8(title));
    }

private:
    bool Info() {
        if (!m_info) m_info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, m_dest);
        return m_info != nullptr;
    }

    void Forget() {
        if (m_info) cupsFreeDestInfo(m_info);
        if (m_dest) cupsFreeDests(1, m_dest);
        m_info = nullptr;
        m_dest = nullptr;
        m_landscape = false;
        m_paper = cups_size_t{};
    }

    // The widget as GTK draws it, with its children, cut to the source rectangle.
    static cairo_surface_t* PictureOf(GtkWidget* widget, const Rect& source) {
        if (!widget || !GTK_IS_WIDGET(widget) || !gtk_widget_is_drawable(widget)) return nullptr;
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, source.width, source.height);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            return nullptr;
        }
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_translate(cr, -source.left, -source.top);
        gtk_widget_draw(widget, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        return surface;
    }

    // One page of the paper, turned when landscape, with the picture as large as the
    // printable area allows, aspect kept, centred.
    static std::string PdfPage(cairo_surface_t* picture, const cups_size_t& paper, bool landscape) {
        double width = Points(paper.width), height = Points(paper.length);
        double left = Points(paper.left), right = Points(paper.right), top = Points(paper.top),
               bottom = Points(paper.bottom);
        if (landscape && width < height) {
            std::swap(width, height);
            // The portrait page turned a quarter anticlockwise: its bottom edge is now left.
            const double l = bottom, r = top, t = left, b = right;
            left = l, right = r, top = t, bottom = b;
        }
        const double areaW = width - left - right, areaH = height - top - bottom;
        const int pw = cairo_image_surface_get_width(picture), ph = cairo_image_surface_get_height(picture);
        if (areaW <= 0 || areaH <= 0 || pw <= 0 || ph <= 0) return {};
        const double scale = std::min(areaW / pw, areaH / ph);

        std::string pdf;
        cairo_surface_t* page = cairo_pdf_surface_create_for_stream(Append, &pdf, width, height);
        cairo_t* cr = cairo_create(page);
        cairo_translate(cr, left + (areaW - pw * scale) / 2, top + (areaH - ph * scale) / 2);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, picture, 0, 0);
        cairo_paint(cr);
        cairo_show_page(cr);
        const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
        cairo_surface_finish(page);
        const bool finished = cairo_surface_status(page) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(page);
        return ok && finished ? pdf : std::string();
    }

    // One job of one document; a job that could not be completed is cancelled, so
    // none is left behind.
    PrinterStatus Send(const std::string& pdf, const std::string& title) {
        int job = 0;
        if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, m_dest, m_info, &job, title.c_str(), 0, nullptr) != IPP_STATUS_OK ||
            job <= 0)
            return PrinterStatus::Failed;
        const bool started = cupsStartDestDocument(CUPS_HTTP_DEFAULT, m_dest, m_info, job, title.c_str(),
                                                   CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
        bool sent = started && cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
        if (started) sent = cupsFinishDestDocument(CUPS_HTTP_DEFAULT, m_dest, m_info) == IPP_STATUS_OK && sent;
        if (!sent) {
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, m_dest, job);
            return PrinterStatus::Failed;
        }
        return PrinterStatus::Ok;
    }

    cups_dest_t* m_dest = nullptr;
    cups_dinfo_t* m_info = nullptr;
    cups_size_t m_paper{};
    bool m_landscape = false;
};

}  // namespace

std::unique_ptr<Printer> CreateCupsPrinter() { return std::make_unique<CupsPrinter>(); }

}  // namespace vel::lnx
