// The printer against a CUPS server of the test's own: no printer at all, and a PDF
// queue (Debian's generic PDF printer writing to a file) whose page is proved from its
// pixels. The picture comes from a real GTK window on a virtual display.

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "LinuxTestSupport.h"
#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

GPid Spawn(std::vector<std::string> args, int* out = nullptr) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    GPid pid = 0;
    GError* error = nullptr;
    auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL |
                                          (out ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL));
    if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid, nullptr, out, nullptr,
                                  &error)) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return 0;
    }
    return pid;
}

void Stop(GPid& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto deadline = Clock::now() + limit;
    while (!done() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return done();
}

// A CUPS server listening on a socket in the test's folder only.
class CupsServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_find_program_in_path("cupsd") && !fs::exists("/usr/sbin/cupsd"))
            GTEST_SKIP() << "no cupsd (scripts/install-deps.sh linux installs it)";
        for (const char* d : {"etc/ppd", "cache", "state", "spool", "tmp", "log", "out"}) fs::create_directories(temp.path + "/" + d);
        // The filters run as the server's unprivileged user: the folders must let them in.
        fs::permissions(temp.path, fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
        fs::permissions(temp.path + "/tmp", fs::perms::all | fs::perms::sticky_bit);
        fs::permissions(temp.path + "/out", fs::perms::all | fs::perms::sticky_bit);
        socket = temp.path + "/cups.sock";
        WriteText(temp.path + "/etc/cupsd.conf", "Listen " + socket + "\nLogLevel warn\nWebInterface No\nBrowsing No\nPreserveJobFiles Yes\n"
                                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n");
        WriteText(temp.path + "/etc/cups-files.conf",
                  "ServerRoot " + temp.path + "/etc\nCacheDir " + temp.path + "/cache\nStateDir " + temp.path +
                      "/state\nRequestRoot " + temp.path + "/spool\nTempDir " + temp.path + "/tmp\nErrorLog " +
                      temp.path + "/log/error_log\nAccessLog " + temp.path + "/log/access_log\nPageLog " + temp.path +
                      "/log/page_log\nFileDevice Yes\n");
        server = Spawn({fs::exists("/usr/sbin/cupsd") ? "/usr/sbin/cupsd" : "cupsd", "-f", "-c",
                        temp.path + "/etc/cupsd.conf", "-s", temp.path + "/etc/cups-files.conf"});
        ASSERT_TRUE(WaitFor([&] { return fs::exists(socket) || waitpid(server, nullptr, WNOHANG) == server; }) &&
                    fs::exists(socket))
            << "cupsd did not start: " << ReadText(temp.path + "/log/error_log");
        setenv("CUPS_SERVER", socket.c_str(), 1);
        cupsSetServer(socket.c_str());
    }
    void TearDown() override {
        Stop(server);
        cupsSetServer(nullptr);
        unsetenv("CUPS_SERVER");
    }

    void AddPdfQueue() {
        const std::string ppd = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";
        if (!fs::exists(ppd)) GTEST_SKIP() << "no generic PDF printer description (cups-filters)";
        ASSERT_EQ(std::system(("lpadmin -p Pdf -E -v file://" + temp.path + "/out/page.pdf -P " + ppd +
                               " 2>/dev/null && lpadmin -d Pdf")
                                  .c_str()),
                  0);
    }

    TempFolder temp;
    std::string socket;
    GPid server = 0;
};

TEST_F(CupsServer, WithoutAnyPrinterEveryStepSaysSo) {
    auto printer = CreateCupsPrinter();
    EXPECT_EQ(printer->SetLandscape(), PrinterStatus::NoDefaultPrinter);
    EXPECT_EQ(printer->PrintWindowPicture(1, {0, 0, 10, 10}, "x"), PrinterStatus::NoDefaultPrinter);
    EXPECT_EQ(printer->SelectDefault(), PrinterStatus::NoDefaultPrinter);
    EXPECT_EQ(printer->SetLandscape(), PrinterStatus::NoDefaultPrinter);

    Stop(server);  // and no server at all
    EXPECT_EQ(CreateCupsPrinter()->SelectDefault(), PrinterStatus::NoDefaultPrinter);
}

// A window on the virtual display: red on the left, blue on the right.
class PrintedWindow {
public:
    PrintedWindow() {
        if (!OpenVirtualDisplay()) return;
        m_window = gtk_offscreen_window_new();
        GtkWidget* area = gtk_drawing_area_new();
        gtk_widget_set_size_request(area, 400, 300);
        g_signal_connect(area, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) -> gboolean {
                             cairo_set_source_rgb(cr, 1, 0, 0);
                             cairo_rectangle(cr, 0, 0, 200, 300);
                             cairo_fill(cr);
                             cairo_set_source_rgb(cr, 0, 0, 1);
                             cairo_rectangle(cr, 200, 0, 200, 300);
                             cairo_fill(cr);
                             return TRUE;
                         }),
                         nullptr);
        gtk_container_add(GTK_CONTAINER(m_window), area);
        gtk_widget_show_all(m_window);
        while (gtk_events_pending()) gtk_main_iteration();
    }
    ~PrintedWindow() {
        if (m_window) gtk_widget_destroy(m_window);
    }
    WindowHandle Handle() const { return reinterpret_cast<WindowHandle>(m_window); }

private:
    GtkWidget* m_window = nullptr;
};

TEST_F(CupsServer, PrintsOneLandscapePageWithThePictureOfTheWindow) {
    AddPdfQueue();
    PrintedWindow window;
    ASSERT_NE(window.Handle(), 0u) << "no virtual display";
    auto printer = CreateCupsPrinter();
    ASSERT_EQ(printer->SelectDefault(), PrinterStatus::Ok);
    ASSERT_EQ(printer->SetLandscape(), PrinterStatus::Ok);
    ASSERT_EQ(printer->PrintWindowPicture(window.Handle(), {0, 0, 400, 300}, Ru("Вельвинор")), PrinterStatus::Ok);
    EXPECT_EQ(printer->PrintWindowPicture(0, {0, 0, 400, 300}, "no window"), PrinterStatus::Failed);

    cups_job_t* jobs = nullptr;
    int count = 0;
    ASSERT_TRUE(WaitFor([&] {
        if (jobs) cupsFreeJobs(count, jobs);
        count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Pdf", 0, CUPS_WHICHJOBS_ALL);
        return count == 1 && jobs[0].state >= IPP_JSTATE_CANCELED;
    })) << ReadText(temp.path + "/log/error_log");
    EXPECT_EQ(jobs[0].state, IPP_JSTATE_COMPLETED);
    EXPECT_STREQ(jobs[0].title, "Вельвинор");
    cupsFreeJobs(count, jobs);

    const std::string page = temp.path + "/out/page.pdf";
    ASSERT_TRUE(fs::exists(page)) << ReadText(temp.path + "/log/error_log");
    ASSERT_EQ(std::system(("pdftoppm -r 30 -singlefile -png " + page + " " + temp.path + "/page").c_str()), 0);
    GError* error = nullptr;
    GdkPixbuf* png = gdk_pixbuf_new_from_file((temp.path + "/page.png").c_str(), &error);
    ASSERT_TRUE(png) << error->message;
    const int w = gdk_pixbuf_get_width(png), h = gdk_pixbuf_get_height(png);
    auto pixel = [&](double x, double y) {
        const guchar* p = gdk_pixbuf_get_pixels(png) + static_cast<int>(y * (h - 1)) * gdk_pixbuf_get_rowstride(png) +
                          static_cast<int>(x * (w - 1)) * gdk_pixbuf_get_n_channels(png);
        return std::string(p[0] > 200 && p[1] < 60 && p[2] < 60   ? "red"
                           : p[0] < 60 && p[1] < 60 && p[2] > 200 ? "blue"
                           : p[0] > 230 && p[1] > 230 && p[2] > 230 ? "white"
                                                                    : "other");
    };
    // The sheet comes out upright with the landscape page turned a quarter onto it,
    // as a landscape page is printed: the window's left half at the bottom.
    EXPECT_LT(w, h) << "the paper is upright";
    EXPECT_EQ(pixel(0.5, 0.3), "blue");
    EXPECT_EQ(pixel(0.5, 0.7), "red");
    EXPECT_EQ(pixel(0.2, 0.4), "blue");
    EXPECT_EQ(pixel(0.8, 0.6), "red");

    // What the program sent: one landscape page.
    std::string sent;
    for (const auto& entry : fs::directory_iterator(temp.path + "/spool"))
        if (entry.path().filename().string().rfind("d", 0) == 0) sent = entry.path().string();
    ASSERT_FALSE(sent.empty()) << "the job's document is kept";
    ASSERT_EQ(std::system(("pdfinfo " + sent + " > " + temp.path + "/info.txt").c_str()), 0);
    const std::string info = ReadText(temp.path + "/info.txt");
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       792 x 612 pts"), std::string::npos) << info;
    g_object_unref(png);
}

}  // namespace
}  // namespace vel::lnx
