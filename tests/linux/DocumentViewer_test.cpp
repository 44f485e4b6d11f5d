// The document viewer (the program's own window, its GTK peer and WebKit) against
// documents written at test time by programs nobody here wrote, and a few written by
// hand in older shapes: the text the view shows (copied out of it as a user copies)
// equals the writer's own plain-text export, and pictures are proved from the
// screen's pixels.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

#include "media/RtfFrm.h"
#include "platform/linux/GtkUi.h"
#include "platform/linux/services/LinuxServices.h"
#include "runtime/RtfDocument.h"
#include "runtime/Text.h"
#include "services/LinuxTestSupport.h"

namespace vel {
namespace {

using Clock = std::chrono::steady_clock;

// A red picture of 40 by 30 pixels, and one in blue as JPEG.
std::string PictureBytes(const char* type, guint32 rgba) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 40, 30);
    gdk_pixbuf_fill(pixbuf, rgba);
    gchar* data = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &data, &size, type, nullptr, nullptr);
    std::string bytes(data, size);
    g_free(data);
    g_object_unref(pixbuf);
    return bytes;
}

std::string HexOf(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

// The parents' material every writer gets: Russian words with spaces and digits,
// dashes and quotes, a bold and an italic run, a picture.
const char* const kSource =
    "<html><head><meta charset=\"utf-8\"></head><body>\n"
    "<p>Памятка для родителей</p>\n"
    "<p>Детям <b>4–5 лет</b> игра даёт <i>«живые»</i> задания — по 10 минут.</p>\n"
    "<p>Одно занятие длится 15–20 минут; 3 раза в неделю.</p>\n"
    "<p>Картинка: <img src=\"red.png\" alt=\"\"> конец.</p>\n"
    "</body></html>\n";

// Runs a writer; its failure is the test's.
bool Write(const std::vector<std::string>& command, const std::vector<std::string>& env, const std::string& folder,
         std::string& why) {
    std::vector<char*> argv;
    for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    gchar** environment = g_get_environ();
    for (const auto& e : env) {
        const auto eq = e.find('=');
        environment = g_environ_setenv(environment, e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), TRUE);
    }
    gint status = 0;
    gchar* err = nullptr;
    GError* error = nullptr;
    const bool ran = g_spawn_sync(folder.c_str(), argv.data(), environment, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                  nullptr, &err, &status, &error);
    g_strfreev(environment);
    if (!ran) why = command[0] + ": " + error->message + " (scripts/install-deps.sh linux installs it)";
    else if (!g_spawn_check_wait_status(status, nullptr)) why = command[0] + " failed: " + (err ? err : "");
    if (error) g_error_free(error);
    g_free(err);
    return why.empty();
}

// Lines with text, each exactly as written: writers differ only in the blank lines
// they put between paragraphs.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    // A mark of UTF-8 at the start is no text.
    const std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    for (char c : body + "\n") {
        if (c == '\r') continue;
        if (c != '\n') {
            line += c;
            continue;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
    }
    return lines;
}

struct Document {
    std::string name;
    std::string rtf;
    std::string text;    // what the writer itself exports as plain text (UTF-8)
    guint32 picture;     // the colour of its picture (0xRRGGBB), or 0 for none
    bool frame = false;  // a picture only a frame stands for
};

class DocumentViewerTest : public ::testing::Test {
protected:
    // The view's text as a user copies it: all of it selected, copied to the clipboard.
    std::string ShownText() {
        webkit_web_view_execute_editing_command(View(), WEBKIT_EDITING_COMMAND_SELECT_ALL);
        webkit_web_view_execute_editing_command(View(), WEBKIT_EDITING_COMMAND_COPY);
        GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        std::string text;
        Wait("the copied text", [&] {
            gchar* copied = gtk_clipboard_wait_for_text(clipboard);
            text = copied ? copied : "";
            g_free(copied);
            return !text.empty();
        });
        gtk_clipboard_clear(clipboard);
        return text;
    }

    WebKitWebView* View() {
        GtkWidget* box = reinterpret_cast<GtkWidget*>(viewer.RxRichEdit.Handle());
        GtkWidget* child = box ? gtk_bin_get_child(GTK_BIN(box)) : nullptr;
        return child ? WEBKIT_WEB_VIEW(child) : nullptr;
    }

    // Shows a document and waits until WebKit has loaded and drawn it.
    void Show(const std::string& rtf) {
        viewer.RxRichEdit.SetContent(rtf, true);
        viewer.Show();
        Wait("the viewer's web view", [&] { return View() != nullptr; });
        if (!m_watching) {
            // The view is made with its first document: watched from its second load on.
            m_watching = true;
            g_signal_connect(View(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer loads) {
                                 if (e == WEBKIT_LOAD_FINISHED) ++*static_cast<int*>(loads);
                             }),
                             &m_loads);
            viewer.RxRichEdit.SetContent(rtf, true);
        }
        Wait("the document loaded", [&, before = m_loads] { return m_loads > before; });
        // Drawn: the view's pixels reach the screen a few frames after the load.
        const auto drawn = Clock::now() + std::chrono::milliseconds(500);
        Wait("time to draw", [&] { return Clock::now() > drawn; });
    }

    // Pixels of the viewer on the screen within `tolerance` of a colour.
    int PixelsOf(guint32 rgb, int tolerance) {
        GdkWindow* window = gtk_widget_get_window(reinterpret_cast<GtkWidget*>(viewer.Handle()));
        int x = 0, y = 0;
        gdk_window_get_origin(window, &x, &y);
        GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y,
                                                     gdk_window_get_width(window), gdk_window_get_height(window));
        if (!shot) return -1;
        const int channels = gdk_pixbuf_get_n_channels(shot), stride = gdk_pixbuf_get_rowstride(shot);
        const guchar* pixels = gdk_pixbuf_get_pixels(shot);
        int count = 0;
        for (int row = 0; row < gdk_pixbuf_get_height(shot); ++row)
            for (int col = 0; col < gdk_pixbuf_get_width(shot); ++col) {
                const guchar* p = pixels + row * stride + col * channels;
                if (std::abs(p[0] - static_cast<int>(rgb >> 16 & 0xFF)) <= tolerance &&
                    std::abs(p[1] - static_cast<int>(rgb >> 8 & 0xFF)) <= tolerance &&
                    std::abs(p[2] - static_cast<int>(rgb & 0xFF)) <= tolerance)
                    ++count;
            }
        g_object_unref(shot);
        return count;
    }

    // Runs GTK's loop until `done`; a deadline sized for a loaded machine (WebKit's
    // processes start with the first document) says what it waited for.
    static void Wait(const char* what, const std::function<bool()>& done) {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!done()) {
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "waited 60 s for " << what;
                return;
            }
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(2000);
        }
    }

    // Each writer's document of the same material, with its own plain-text export.
    static std::vector<Document> Written(std::string& why) {
        lnx::TempFolder temp;
        lnx::WriteText(temp.path + "/parents.html", kSource);
        lnx::WriteText(temp.path + "/red.png", PictureBytes("png", 0xFF0000FF));
        std::vector<Document> documents;
        auto read = [&](const std::string& name, const std::string& rtf, const std::string& text) {
            documents.push_back({name, lnx::ReadText(temp.path + "/" + rtf), lnx::ReadText(temp.path + "/" + text),
                                 0xFF0000});
        };
        if (!Write({"pandoc", "-f", "html", "-t", "rtf", "-s", "parents.html", "-o", "pandoc.rtf"}, {}, temp.path, why) ||
            !Write({"pandoc", "-f", "html", "-t", "plain", "--wrap=none", "parents.html", "-o", "pandoc.txt"}, {},
                 temp.path, why))
            return {};
        read("pandoc", "pandoc.rtf", "pandoc.txt");
        // Pandoc's plain text stands "[]" for a picture without words; the view shows the picture.
        std::string& text = documents.back().text;
        text.replace(text.find("[]"), 2, "");
        for (const auto& [locale, name] : std::map<std::string, std::string>{{"C", "en"}, {"ru_RU.UTF-8", "ru"}}) {
            const std::vector<std::string> env = {"LANG=" + locale, "LC_ALL=" + locale, "HOME=" + temp.path};
            if (!Write({"abiword", "--to=rtf", "-o", "abiword-" + name + ".rtf", "parents.html"}, env, temp.path, why) ||
                !Write({"abiword", "--to=txt", "-o", "abiword-" + name + ".txt", "parents.html"}, env, temp.path, why))
                return {};
            read("abiword-" + name, "abiword-" + name + ".rtf", "abiword-" + name + ".txt");
        }
        const std::vector<std::string> office = {"soffice", "-env:UserInstallation=file://" + temp.path + "/office",
                                                 "--headless", "--infilter=HTML (StarWriter)", "--convert-to"};
        auto withOffice = [&](const char* filter) {
            std::vector<std::string> command = office;
            command.insert(command.end(), {filter, "parents.html"});
            return command;
        };
        if (!Write(withOffice("rtf"), {"HOME=" + temp.path}, temp.path, why) ||
            !Write(withOffice("txt:Text (encoded):UTF8"), {"HOME=" + temp.path}, temp.path, why))
            return {};
        read("libreoffice", "parents.rtf", "parents.txt");
        return documents;
    }

    bool m_watching = false;
    int m_loads = 0;
    const bool displayed = lnx::OpenVirtualDisplay();
    lnx::GtkUi ui;
    Application app{ui};
    Form main{app, "MainForm"};
    TRtfForm viewer{app};
    void SetUp() override {
        ASSERT_TRUE(displayed);
        ui.SetRichTextConverter(lnx::RtfToHtml);
        viewer.SetBounds({0, 0, 600, 440});
    }
};

TEST_F(DocumentViewerTest, ShowsWhatEachWriterExportsAsPlainText) {
    std::string why;
    std::vector<Document> documents = Written(why);
    ASSERT_TRUE(why.empty()) << why;
    // Older shapes, by hand: code page 1251 in "\'xx" only; a Cyrillic font's charset
    // in a Western document; a metafile, which only a frame stands for; a JPEG.
    documents.push_back({"cp1251",
                         "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n\\f0\\b \\'c4\\'ee\\'f0"
                         "\\'ee\\'e3\\'e8\\'e5 \\'f0\\'ee\\'e4\\'e8\\'f2\\'e5\\'eb\\'e8!\\b0\\par\r\n\\'ce\\'e4\\'ed\\'ee "
                         "\\'e7\\'e0\\'ed\\'ff\\'f2\\'e8\\'e5 \\endash  5 \\'ec\\'e8\\'ed\\'f3\\'f2.\\par}",
                         "Дорогие родители!\nОдно занятие – 5 минут.\n", 0});
    documents.push_back({"fcharset204",
                         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Times New Roman;}{\\f1 Arial;}}"
                         "\\f0\\'c8\\'e3\\'f0\\'e0 \\f1 (Game) \\f0\\'e8\\'e4\\'b8\\'f2.\\par}",
                         "Игра (Game) идёт.\n", 0});
    documents.push_back({"metafile",
                         "{\\rtf1\\ansi\\ansicpg1251 a {\\pict\\wmetafile8\\picw2000\\pich1000\\picwgoal1200\\pichgoal600 "
                         "0100090000030a00000000000000000000000000} b\\par}",
                         "a  b\n", 0x808080, true});
    documents.push_back({"jpeg",
                         "{\\rtf1\\ansi x{\\pict\\jpegblip\\picw40\\pich30 " +
                             HexOf(PictureBytes("jpeg", 0x0000FFFF)) + "}y\\par}",
                         "xy\n", 0x0000FF});

    for (const Document& d : documents) {
        SCOPED_TRACE(d.name);
        Show(d.rtf);
        EXPECT_EQ(Lines(ShownText()), Lines(d.text));
        if (d.picture && !d.frame) {
            EXPECT_GE(PixelsOf(d.picture, 40), 30 * 22) << "the picture on the screen";
        } else if (d.frame) {
            EXPECT_GE(PixelsOf(d.picture, 8), 2 * (80 + 40) - 8) << "the frame of a picture that cannot be shown";
        } else {
            EXPECT_EQ(PixelsOf(0xFF0000, 40), 0) << "the last document's picture is gone";
        }
    }
    // Bold and italic where the writers put them.
    for (const Document& d : documents) {
        if (d.picture != 0xFF0000) continue;
        SCOPED_TRACE(d.name);
        std::map<std::string, std::pair<bool, bool>> styled;
        for (const RtfBlock& b : ReadRtfDocument(d.rtf).blocks)
            for (const RtfInline& item : b.paragraph.items) {
                for (const char* words : {"4–5 лет", "«живые»", "Детям", "задания"})
                    if (item.text.find(words) != std::string::npos)
                        styled[words] = {item.format.bold, item.format.italic};
            }
        EXPECT_EQ(styled["4–5 лет"], std::make_pair(true, false));
        EXPECT_EQ(styled["«живые»"], std::make_pair(false, true));
        EXPECT_EQ(styled["Детям"], std::make_pair(false, false));
        EXPECT_EQ(styled["задания"], std::make_pair(false, false));
    }
}

}  // namespace
}  // namespace vel
