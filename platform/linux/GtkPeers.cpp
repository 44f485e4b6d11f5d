// The peers: one GTK widget per control, showing the control's state and reporting
// the user's input through the control's User* methods.

#include <algorithm>
#include <cmath>
#include <cstring>

#include <webkit2/webkit2.h>

#include "platform/linux/GtkUi.h"
#include "platform/linux/PosixText.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

// The user's UTF-8 as the program's 8-bit text.
std::string AnsiText(const char* utf8) { return WideToAnsi(Utf8ToWide(utf8 ? utf8 : "")); }

// A style sheet of a widget's own, replaced whenever its rules change.
void SetStyle(GtkWidget* widget, const std::string& css) {
    GtkStyleContext* context = gtk_widget_get_style_context(widget);
    auto* old = static_cast<GtkCssProvider*>(g_object_get_data(G_OBJECT(widget), "velvinor-css"));
    if (old) gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(old));
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(provider), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_set_data_full(G_OBJECT(widget), "velvinor-css", provider, g_object_unref);
}

std::string CssColor(std::uint32_t color) {
    GdkRGBA c = ColorOf(color);
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", static_cast<int>(std::lround(c.red * 255)),
                  static_cast<int>(std::lround(c.green * 255)), static_cast<int>(std::lround(c.blue * 255)));
    return text;
}

// ---- forms ----

class FormPeer final : public GtkPeer {
public:
    FormPeer(GtkUi& ui, Form& form) : GtkPeer(ui, form), m_form(form) {}
    ~FormPeer() override { m_ui.FormGone(this); }

    void Make() override {
        m_widget = GTK_WIDGET(g_object_ref_sink(gtk_window_new(GTK_WINDOW_TOPLEVEL)));
        m_main = m_ui.MainWindow() == nullptr;
        m_area = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(m_widget), m_area);
        gtk_widget_show(m_area);
        g_object_set_data(G_OBJECT(m_widget), "velvinor-area", m_area);
        gtk_widget_set_app_paintable(m_widget, FALSE);
        g_signal_connect(m_widget, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                             auto* peer = static_cast<FormPeer*>(self);
                             peer->m_ui.Report([peer] { peer->m_form.UserClose(); });
                             return TRUE;  // the form decides; the window is never destroyed here
                         }),
                         this);
        g_signal_connect(m_widget, "configure-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEventConfigure* e, gpointer self) -> gboolean {
                             static_cast<FormPeer*>(self)->Configured(*e);
                             return FALSE;
                         }),
                         this);
        g_signal_connect(m_widget, "window-state-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEventWindowState* e, gpointer self) -> gboolean {
                             auto* peer = static_cast<FormPeer*>(self);
                             if (peer->m_main && (e->changed_mask & GDK_WINDOW_STATE_ICONIFIED))
                                 peer->m_ui.MainWindowState((e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
                             return FALSE;
                         }),
                         this);
        g_signal_connect(m_widget, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer self) {
                             static_cast<FormPeer*>(self)->m_ui.ShowCursorOn(w);
                         }),
                         this);
        m_ui.FormMade(this);
        ApplyStyle();
        Apply(Property::Text);
        Apply(Property::Bounds);
        if (!m_form.Enabled()) gtk_widget_set_sensitive(m_widget, FALSE);
        if (m_form.Visible()) Apply(Property::Visible);
    }

    void Update(Property changed) override { Apply(changed); }

protected:
    void Apply(Property changed) override {
        GtkWindow* window = GTK_WINDOW(m_widget);
        switch (changed) {
            case Property::Visible:
                if (m_form.Visible()) {
                    Apply(Property::Bounds);
                    gtk_widget_show(m_widget);
                    Raise();
                } else {
                    gtk_widget_hide(m_widget);
                }
                break;
            case Property::Bounds: {
                Rect b = m_form.Maximized() ? Rect{0, 0, m_ui.ScreenSize().width, m_ui.ScreenSize().height}
                                            : m_form.Bounds();
                m_placing = true;
                gtk_window_move(window, b.left, b.top);
                gtk_window_resize(window, std::max(b.width, 1), std::max(b.height, 1));
                gtk_widget_set_size_request(m_area, std::max(b.width, 1), std::max(b.height, 1));
                m_placing = false;
                break;
            }
            case Property::Text: {
                // The main window shows the application's title while its form has no caption.
                const std::string& text = m_form.Text();
                gtk_window_set_title(window, Utf8Text(text.empty() && m_main ? m_ui.Title() : text).c_str());
                break;
            }
            case Property::Enabled: gtk_widget_set_sensitive(m_widget, m_form.Enabled()); break;
            case Property::Style: ApplyStyle(); break;
            case Property::Focus:  // brought to the front
                gtk_window_present(window);
                Raise();
                break;
            default: break;
        }
    }

private:
    void ApplyStyle() {
        GtkWindow* window = GTK_WINDOW(m_widget);
        const BorderStyle border = m_form.Border();
        gtk_window_set_decorated(window, border != BorderStyle::None);
        gtk_window_set_resizable(window, border == BorderStyle::Sizeable || border == BorderStyle::SizeToolWin);
        gtk_window_set_type_hint(window, border == BorderStyle::SizeToolWin ? GDK_WINDOW_TYPE_HINT_UTILITY
                                         : border == BorderStyle::Dialog  ? GDK_WINDOW_TYPE_HINT_DIALOG
                                                                          : GDK_WINDOW_TYPE_HINT_NORMAL);
        // The other forms belong to the main window: they stay above it and go with it.
        if (!m_main)
            if (GtkWindow* main = m_ui.MainWindow(); main && main != window) gtk_window_set_transient_for(window, main);
        gtk_window_set_keep_above(window, m_form.TopMost());
        SetStyle(m_widget, "window { background-color: " + CssColor(m_form.Color()) + "; background-image: none; }");
        if (m_form.Maximized()) {
            gtk_window_fullscreen(window);
            Apply(Property::Bounds);
        } else {
            gtk_window_unfullscreen(window);
        }
    }

    // Without a window manager nothing raises a window but the program itself; a
    // window that stays on top stays above the one just raised.
    void Raise() {
        if (GdkWindow* w = gtk_widget_get_window(m_widget)) gdk_window_raise(w);
        m_ui.Restack();
    }

    void Configured(const GdkEventConfigure& e) {
        // A window with a frame is the user's to move and size: the program's state follows.
        if (m_placing || m_form.Border() == BorderStyle::None || !gtk_widget_get_visible(m_widget)) return;
        const Rect now{e.x, e.y, e.width, e.height};
        if (now == m_form.Bounds()) return;
        m_ui.Report([this, now] { m_form.UserPlace(now); });
    }

    Form& m_form;
    GtkWidget* m_area = nullptr;
    bool m_main = false;
    bool m_placing = false;
};

// ---- children ----

class LabelPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        GtkWidget* label = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_label_set_yalign(GTK_LABEL(label), 0);
        gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
        Place(label);
    }
};

class ButtonPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        GtkWidget* button = gtk_button_new_with_label("");
        g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                             auto* peer = static_cast<ButtonPeer*>(self);
                             peer->m_ui.Report([peer] { peer->m_control.UserClick(); });
                         }),
                         this);
        Place(button);
    }
};

class EditPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        GtkWidget* entry = gtk_entry_new();
        g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable* e, gpointer self) {
                             auto* peer = static_cast<EditPeer*>(self);
                             if (peer->m_setting) return;
                             std::string text = AnsiText(gtk_entry_get_text(GTK_ENTRY(e)));
                             if (text != peer->m_control.Text())
                                 peer->m_ui.Report([peer, text] { static_cast<Edit&>(peer->m_control).UserType(text); });
                         }),
                         this);
        Place(entry);
    }

protected:
    void Apply(Property changed) override {
        if (changed != Property::Text) return;
        // The user's own typing comes back as the control's text: setting it again
        // would move the caret at every key.
        if (AnsiText(gtk_entry_get_text(GTK_ENTRY(m_widget))) == m_control.Text()) return;
        m_setting = true;
        gtk_entry_set_text(GTK_ENTRY(m_widget), Utf8Text(m_control.Text()).c_str());
        m_setting = false;
    }

private:
    bool m_setting = false;
};

class CheckBoxPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        GtkWidget* box = gtk_check_button_new_with_label("");
        g_signal_connect(box, "toggled", G_CALLBACK(+[](GtkToggleButton* b, gpointer self) {
                             auto* peer = static_cast<CheckBoxPeer*>(self);
                             if (peer->m_setting) return;
                             // The program owns the state: the box shows it again, the click goes to the program.
                             const bool wanted = gtk_toggle_button_get_active(b);
                             peer->Apply(Property::Checked);
                             if (wanted != static_cast<CheckBox&>(peer->m_control).Checked())
                                 peer->m_ui.Report([peer] { peer->m_control.UserClick(); });
                         }),
                         this);
        Place(box);
        Apply(Property::Checked);
    }

protected:
    void Apply(Property changed) override {
        if (changed != Property::Checked) return;
        m_setting = true;
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_widget), static_cast<CheckBox&>(m_control).Checked());
        m_setting = false;
    }

private:
    bool m_setting = false;
};

class TrackBarPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        auto& bar = static_cast<TrackBar&>(m_control);
        GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, std::max(bar.Max(), 1), 1);
        gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
        gtk_scale_set_digits(GTK_SCALE(scale), 0);
        g_signal_connect(scale, "value-changed", G_CALLBACK(+[](GtkRange* r, gpointer self) {
                             auto* peer = static_cast<TrackBarPeer*>(self);
                             if (peer->m_setting) return;
                             auto& bar = static_cast<TrackBar&>(peer->m_control);
                             const int position = static_cast<int>(std::lround(gtk_range_get_value(r)));
                             if (position != bar.Position())
                                 peer->m_ui.Report([&bar, position] { bar.UserSetPosition(position); });
                         }),
                         this);
        Place(scale);
        Apply(Property::Range);
        Apply(Property::Position);
    }

protected:
    void Apply(Property changed) override {
        auto& bar = static_cast<TrackBar&>(m_control);
        m_setting = true;
        if (changed == Property::Range) {
            gtk_range_set_range(GTK_RANGE(m_widget), bar.Min(), std::max(bar.Max(), bar.Min() + 1));
            gtk_scale_clear_marks(GTK_SCALE(m_widget));
            const int step = std::max(bar.Frequency(), 1);
            if ((bar.Max() - bar.Min()) / step <= 100)
                for (int v = bar.Min(); v <= bar.Max(); v += step)
                    gtk_scale_add_mark(GTK_SCALE(m_widget), v, GTK_POS_BOTTOM, nullptr);
            gtk_range_set_value(GTK_RANGE(m_widget), bar.Position());
        } else if (changed == Property::Position) {
            gtk_range_set_value(GTK_RANGE(m_widget), bar.Position());
        }
        m_setting = false;
    }

private:
    bool m_setting = false;
};

class ProgressBarPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        Place(gtk_progress_bar_new());
        Apply(Property::Position);
    }

protected:
    void Apply(Property changed) override {
        if (changed != Property::Range && changed != Property::Position) return;
        auto& bar = static_cast<ProgressBar&>(m_control);
        const double span = bar.Max() - bar.Min();
        const double at = span > 0 ? (bar.Position() - bar.Min()) / span : 0;
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(m_widget), std::clamp(at, 0.0, 1.0));
    }
};

// A picture from the bytes of a BMP file, drawn over the form's colour.
class ImagePeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    ~ImagePeer() override {
        if (m_picture) g_object_unref(m_picture);
    }
    void Make() override {
        GtkWidget* area = gtk_drawing_area_new();
        g_signal_connect(area, "draw", G_CALLBACK(+[](GtkWidget* w, cairo_t* cr, gpointer self) -> gboolean {
                             static_cast<ImagePeer*>(self)->Draw(w, cr);
                             return TRUE;
                         }),
                         this);
        Place(area);
        Apply(Property::Picture);
    }

protected:
    void Apply(Property changed) override {
        if (changed != Property::Picture) return;
        if (m_picture) g_object_unref(m_picture);
        m_picture = nullptr;
        const std::string& bytes = static_cast<Image&>(m_control).Picture();
        if (!bytes.empty()) {
            GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
            if (loader) {
                bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(),
                                                  nullptr);
                ok = gdk_pixbuf_loader_close(loader, nullptr) && ok;
                if (ok)
                    if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader)) m_picture = GDK_PIXBUF(g_object_ref(pixbuf));
                g_object_unref(loader);
            }
        }
        gtk_widget_queue_draw(m_widget);
    }

private:
    void Draw(GtkWidget* widget, cairo_t* cr) {
        const int width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
        Control* form = m_control.Parent();
        GdkRGBA back = ColorOf(form ? static_cast<Form*>(form)->Color() : 0xF0F0F0);
        gdk_cairo_set_source_rgba(cr, &back);
        cairo_paint(cr);
        if (!m_picture) return;
        const int pw = gdk_pixbuf_get_width(m_picture), ph = gdk_pixbuf_get_height(m_picture);
        cairo_save(cr);
        if (static_cast<Image&>(m_control).Stretch() && pw > 0 && ph > 0)
            cairo_scale(cr, static_cast<double>(width) / pw, static_cast<double>(height) / ph);
        gdk_cairo_set_source_pixbuf(cr, m_picture, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
    }

    GdkPixbuf* m_picture = nullptr;
};

// The computer's folders as a tree: the user's home folder and the root of the file
// system, each folder read when it is first opened. As the system's tree control
// does, a click (the left button) reports the selected folder; choosing one by the
// keyboard does not. Hidden folders, and folders whose names code page 1251 cannot
// spell (the program could not name them back), are left out.
class FolderTreePeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    ~FolderTreePeer() override {
        if (m_store) g_object_unref(m_store);
    }
    void Make() override {
        m_store = gtk_tree_store_new(kColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_BOOLEAN);
        GtkWidget* tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(m_store));
        m_tree = tree;
        gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(tree), FALSE);
        gtk_tree_view_set_enable_search(GTK_TREE_VIEW(tree), FALSE);
        GtkTreeViewColumn* column = gtk_tree_view_column_new();
        GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
        g_object_set(icon, "icon-name", "folder", nullptr);
        gtk_tree_view_column_pack_start(column, icon, FALSE);
        GtkCellRenderer* text = gtk_cell_renderer_text_new();
        gtk_tree_view_column_pack_start(column, text, TRUE);
        gtk_tree_view_column_add_attribute(column, text, "text", kName);
        gtk_tree_view_append_column(GTK_TREE_VIEW(tree), column);
        g_signal_connect(tree, "test-expand-row",
                         G_CALLBACK(+[](GtkTreeView*, GtkTreeIter* row, GtkTreePath*, gpointer self) -> gboolean {
                             static_cast<FolderTreePeer*>(self)->Fill(*row);
                             return FALSE;
                         }),
                         this);
        g_signal_connect(tree, "button-release-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer self) -> gboolean {
                             if (e->button == 1) static_cast<FolderTreePeer*>(self)->Clicked();
                             return FALSE;
                         }),
                         this);
        const char* home = g_get_home_dir();
        if (home && *home && std::string(home) != "/") Add(nullptr, home, home);
        Add(nullptr, "/", "/");
        GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
        gtk_container_add(GTK_CONTAINER(scroll), tree);
        gtk_widget_show(tree);
        Place(scroll);
    }

private:
    enum { kName, kPath, kFilled, kColumns };

    void Add(GtkTreeIter* parent, const std::string& name, const std::string& path) {
        GtkTreeIter row, placeholder;
        gtk_tree_store_append(m_store, &row, parent);
        gtk_tree_store_set(m_store, &row, kName, name.c_str(), kPath, path.c_str(), kFilled, FALSE, -1);
        // Every folder may hold others until it is opened and found empty.
        gtk_tree_store_append(m_store, &placeholder, &row);
    }

    void Fill(GtkTreeIter& row) {
        gboolean filled = FALSE;
        gchar* path = nullptr;
        gtk_tree_model_get(GTK_TREE_MODEL(m_store), &row, kPath, &path, kFilled, &filled, -1);
        std::string folder = path ? path : "";
        g_free(path);
        if (filled) return;
        gtk_tree_store_set(m_store, &row, kFilled, TRUE, -1);
        GtkTreeIter child;
        while (gtk_tree_model_iter_children(GTK_TREE_MODEL(m_store), &child, &row)) gtk_tree_store_remove(m_store, &child);
        std::vector<std::string> names;
        if (GDir* dir = g_dir_open(folder.c_str(), 0, nullptr)) {
            while (const gchar* name = g_dir_read_name(dir)) {
                const std::string full = (folder == "/" ? "" : folder) + "/" + name;
                if (name[0] != '.' && g_file_test(full.c_str(), G_FILE_TEST_IS_DIR) && Ansi(name))
                    names.push_back(name);
            }
            g_dir_close(dir);
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            gchar* ka = g_utf8_collate_key_for_filename(a.c_str(), -1);
            gchar* kb = g_utf8_collate_key_for_filename(b.c_str(), -1);
            const bool less = std::strcmp(ka, kb) < 0;
            g_free(ka);
            g_free(kb);
            return less;
        });
        for (const std::string& name : names) Add(&row, name, (folder == "/" ? "" : folder) + "/" + name);
    }

    void Clicked() {
        GtkTreeIter row;
        std::string path;
        if (gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(m_tree)), nullptr, &row)) {
            gchar* utf8 = nullptr;
            gtk_tree_model_get(GTK_TREE_MODEL(m_store), &row, kPath, &utf8, -1);
            path = utf8 ? AnsiText(utf8) : std::string();
            g_free(utf8);
        }
        m_ui.Report([this, path] { static_cast<FolderTree&>(m_control).UserSelect(path); });
    }

    GtkTreeStore* m_store = nullptr;
    GtkWidget* m_tree = nullptr;  // inside the scrolled window
};

// The document view: the document as HTML (the rich-text converter's) in a web view
// that runs no script and loads nothing; plain text as it is. The view (and WebKit's
// processes behind it) is made when there is a document to show, not at start-up.
class RichEditPeer final : public GtkPeer {
public:
    using GtkPeer::GtkPeer;
    void Make() override {
        Place(gtk_event_box_new());
        Apply(Property::Content);
    }

protected:
    void Apply(Property changed) override {
        if (changed != Property::Content && changed != Property::Style) return;
        auto& view = static_cast<RichEdit&>(m_control);
        if (!m_view && view.Content().empty()) return;
        std::string html;
        if (view.ContentIsRtf() && m_ui.Converter()) html = m_ui.Converter()(view.Content(), view.BackColor());
        if (html.empty()) {
            std::string text = Utf8Text(view.Content());
            gchar* escaped = g_markup_escape_text(text.c_str(), -1);
            html = "<!doctype html><html><head><meta charset=\"utf-8\"></head><body style=\"margin:8px;background:" +
                   CssColor(view.BackColor()) + "\"><pre style=\"white-space:pre-wrap;font-family:sans-serif\">" +
                   escaped + "</pre></body></html>";
            g_free(escaped);
        }
        webkit_web_view_load_html(WEBKIT_WEB_VIEW(View()), html.c_str(), "about:blank");
    }

private:
    GtkWidget* View() {
        if (m_view) return m_view;
        WebKitSettings* settings = webkit_settings_new();
        webkit_settings_set_enable_javascript(settings, FALSE);
        webkit_settings_set_auto_load_images(settings, FALSE);
        webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
        m_view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, nullptr));
        g_object_unref(settings);
        // Links lead nowhere from the viewer: a document is only read here.
        g_signal_connect(m_view, "decide-policy",
                         G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                        gpointer) -> gboolean {
                             if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
                             auto* action = webkit_navigation_policy_decision_get_navigation_action(
                                 WEBKIT_NAVIGATION_POLICY_DECISION(decision));
                             if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER)
                                 return FALSE;
                             webkit_policy_decision_ignore(decision);
                             return TRUE;
                         }),
                         nullptr);
        // No menu of its own, as the system's rich-text control has none.
        g_signal_connect(m_view, "context-menu", G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                                                WebKitHitTestResult*, gpointer) -> gboolean { return TRUE; }),
                         nullptr);
        gtk_container_add(GTK_CONTAINER(m_widget), m_view);
        gtk_widget_show(m_view);
        return m_view;
    }

    GtkWidget* m_view = nullptr;  // owned by the box
};

}  // namespace

void GtkPeer::Place(GtkWidget* widget) {
    m_widget = GTK_WIDGET(g_object_ref_sink(widget));
    Control* parent = m_control.Parent();
    GtkFixed* area = parent ? FormArea(parent->Handle()) : nullptr;
    if (!area) throw Error("No window for the parent of " + m_control.Path());
    Rect b = m_control.Bounds();
    gtk_fixed_put(area, m_widget, b.left, b.top);
    for (Property p : {Property::Bounds, Property::Text, Property::Enabled, Property::Font, Property::Visible})
        GtkPeer::Update(p);
}

void GtkPeer::Update(Property changed) {
    if (!m_widget) return;
    switch (changed) {
        case Property::Visible: gtk_widget_set_visible(m_widget, m_control.Visible()); break;
        case Property::Bounds: {
            Rect b = m_control.Bounds();
            if (GtkWidget* area = gtk_widget_get_parent(m_widget); area && GTK_IS_FIXED(area))
                gtk_fixed_move(GTK_FIXED(area), m_widget, b.left, b.top);
            gtk_widget_set_size_request(m_widget, std::max(b.width, 0), std::max(b.height, 0));
            if (GTK_IS_LABEL(m_widget)) Update(Property::Font);
            break;
        }
        case Property::Text:
            if (GTK_IS_LABEL(m_widget)) gtk_label_set_text(GTK_LABEL(m_widget), Utf8Text(m_control.Text()).c_str());
            else if (GTK_IS_BUTTON(m_widget) && !GTK_IS_SCALE(m_widget)) {
                gtk_button_set_label(GTK_BUTTON(m_widget), Utf8Text(m_control.Text()).c_str());
                // A caption longer than its button is cut rather than widening it.
                if (GtkWidget* label = gtk_bin_get_child(GTK_BIN(m_widget)); label && GTK_IS_LABEL(label))
                    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
            }
            Apply(changed);
            break;
        case Property::Enabled: gtk_widget_set_sensitive(m_widget, m_control.Enabled()); break;
        case Property::Focus: FocusControl(m_widget); break;
        case Property::Font: {
            // The form's pixels are the control's size: GTK's own padding and least
            // sizes (a theme's buttons and entries are taller than the form's) give way.
            std::string css =
                "* { min-height: 0; min-width: 0; }\n"
                "button, entry { padding: 0 2px; }\n"
                "checkbutton, radiobutton { padding: 0; }\n"
                "check, radio { min-width: 13px; min-height: 13px; margin: 0 4px 0 0; }\n";
            const vel::Font font = m_control.EffectiveFont();
            int size = font.height;
            // A line of text must fit a label as tall as one line on the form: this
            // system's fonts stand taller over the same size (a line takes up to 1.25 of it).
            if (GTK_IS_LABEL(m_widget) && size > 0 && m_control.Bounds().height * 100 < size * 125)
                size = std::max(1, m_control.Bounds().height * 100 / 125);
            if (size > 0)
                css += "* { font-size: " + std::to_string(size) + "px;" + (font.bold ? " font-weight: bold;" : "") + " }\n";
            SetStyle(m_widget, css);
            break;
        }
        default: Apply(changed); break;
    }
}

std::unique_ptr<GtkPeer> CreateFormPeer(GtkUi& ui, Form& form) { return std::make_unique<FormPeer>(ui, form); }

std::unique_ptr<GtkPeer> CreateChildPeer(GtkUi& ui, Control& control) {
    switch (control.Kind()) {
        case ControlKind::Label: return std::make_unique<LabelPeer>(ui, control);
        case ControlKind::Button: return std::make_unique<ButtonPeer>(ui, control);
        case ControlKind::Edit: return std::make_unique<EditPeer>(ui, control);
        case ControlKind::Image: return std::make_unique<ImagePeer>(ui, control);
        case ControlKind::TrackBar: return std::make_unique<TrackBarPeer>(ui, control);
        case ControlKind::CheckBox: return std::make_unique<CheckBoxPeer>(ui, control);
        case ControlKind::ProgressBar: return std::make_unique<ProgressBarPeer>(ui, control);
        case ControlKind::FolderTree: return std::make_unique<FolderTreePeer>(ui, control);
        case ControlKind::RichEdit: return std::make_unique<RichEditPeer>(ui, control);
        case ControlKind::Form: break;
    }
    throw Error("No peer for " + control.Path());
}

}  // namespace vel::lnx
