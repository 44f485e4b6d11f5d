// How long the Linux document viewer takes to show a document, by its size and by the
// shape of its rich text: from the content's change to the view's first drawing after
// WebKit has loaded it. Prints one line a document, on a virtual display of its own
// (build/linux/tests/linux/velvinor_viewer_time). A measurement, not a test.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "media/RtfFrm.h"
#include "platform/linux/GtkUi.h"
#include "platform/linux/services/LinuxServices.h"
#include "runtime/RtfDocument.h"
#include "linux/services/LinuxTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Watch {
    int loads = 0;
    int draws = 0;
};

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Paragraphs(std::size_t bytes) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 ";
    const std::string line = "\\'c8\\'e3\\'f0\\'e0 \\'e4\\'eb\\'ff \\'e4\\'e5\\'f2\\'e5\\'e9 4\\endash 5 \\'eb\\'e5\\'f2.\\par\n";
    while (rtf.size() < bytes) rtf += line;
    return rtf + "}";
}

std::string FormatEveryLetter(std::size_t bytes) {
    std::string rtf = "{\\rtf1\\ansi ";
    for (std::size_t i = 0; rtf.size() < bytes; ++i) rtf += (i % 2 ? "\\b0 x" : "\\b y") + std::string(i % 40 ? "" : "\\par\n");
    return rtf + "}";
}

std::string Nested(std::size_t depth) {
    return "{\\rtf1 " + std::string(depth, '{') + "\\b x" + std::string(depth, '}') + "\\par}";
}

}  // namespace

int main() {
    if (!vel::lnx::OpenVirtualDisplay()) {
        std::fprintf(stderr, "no virtual display\n");
        return 1;
    }
    vel::lnx::GtkUi ui;
    vel::Application app{ui};
    vel::Form main{app, "MainForm"};
    vel::TRtfForm viewer{app};
    ui.SetRichTextConverter(vel::lnx::RtfToHtml);
    viewer.SetBounds({0, 0, 600, 440});
    Watch watch;
    WebKitWebView* view = nullptr;

    auto show = [&](const char* shape, const std::string& rtf) {
        const auto start = Clock::now();
        const std::string html = vel::lnx::RtfToHtml(rtf, 12318969);
        const double converted = Seconds(start);
        const auto shown = Clock::now();
        viewer.RxRichEdit.SetContent(rtf, true);
        viewer.Show();
        if (!view) {
            GtkWidget* box = reinterpret_cast<GtkWidget*>(viewer.RxRichEdit.Handle());
            view = WEBKIT_WEB_VIEW(gtk_bin_get_child(GTK_BIN(box)));
            g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer w) {
                                 if (e == WEBKIT_LOAD_FINISHED) ++static_cast<Watch*>(w)->loads;
                             }),
                             &watch);
            g_signal_connect_after(view, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer w) -> gboolean {
                                       ++static_cast<Watch*>(w)->draws;
                                       return FALSE;
                                   }),
                                   &watch);
            watch.loads = 0;
        }
        const int loads = watch.loads;
        while (watch.loads == loads && Seconds(shown) < 120) g_main_context_iteration(nullptr, TRUE);
        const int draws = watch.draws;
        while (watch.draws == draws && Seconds(shown) < 120) g_main_context_iteration(nullptr, TRUE);
        std::printf("%-18s %10zu bytes  html %10zu bytes  converted %7.3f s  shown %7.3f s\n", shape, rtf.size(),
                    html.size(), converted, Seconds(shown));
        std::fflush(stdout);
    };

    show("first (warm-up)", Paragraphs(2000));
    for (std::size_t kb : {16, 256, 1024, 2048, 3072, 4096, 8192})
        show("paragraphs", Paragraphs(kb * 1024));
    for (std::size_t kb : {64, 256, 1024, 2048})
        show("format each letter", FormatEveryLetter(kb * 1024));
    for (std::size_t depth : {32, 33, 1000, 100000, 1000000})
        show(("nested " + std::to_string(depth)).c_str(), Nested(depth));
    return 0;
}
