// Every form at its own geometry on GTK: each visible control's allocation lies
// inside the bounds the form gives it and inside the form, and overlaps no other
// (a label may lie under the controls its form puts on it). Message boxes, which GTK lays out itself, keep their parts
// inside the box and apart.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>

#include "forms/Forms.h"
#include "install/StartingFrm.h"
#include "media/MessageFrm.h"
#include "media/RtfFrm.h"
#include "platform/Mixer.h"
#include "platform/linux/GtkUi.h"
#include "runtime/Text.h"
#include "services/LinuxTestSupport.h"
#include "sound/SCFrm.h"

namespace vel {
namespace {

using Clock = std::chrono::steady_clock;

// A computer without a mixer: the sound window still has its controls.
class NoMixer final : public Mixer {
public:
    std::uint32_t NumDevs() override { return 0; }
    MmResult GetDevCaps(std::uint32_t, std::uint32_t&) override { return 2; }
    MmResult Open(std::uint32_t, WindowHandle, std::function<void()>, MixerHandle&) override { return 2; }
    MmResult Close(MixerHandle) override { return 5; }
    MmResult GetDestination(std::uint32_t, std::uint32_t, MixerLine&) override { return 2; }
    MmResult GetSource(std::uint32_t, std::uint32_t, std::uint32_t, MixerLine&) override { return 2; }
    MmResult GetLineByComponentType(std::uint32_t, std::uint32_t, MixerLine&) override { return 2; }
    MmResult GetLineControls(std::uint32_t, std::uint32_t, std::uint32_t, std::vector<MixerControl>&) override { return 2; }
    MmResult GetValue(std::uint32_t, std::uint32_t, std::int32_t&) override { return 2; }
    MmResult SetValue(std::uint32_t, std::uint32_t, std::int32_t) override { return 2; }
};

GtkWidget* Widget(const Control& c) { return reinterpret_cast<GtkWidget*>(c.Handle()); }

bool Overlap(const GdkRectangle& a, const GdkRectangle& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}
bool Overlap(const Rect& a, const Rect& b) {
    return Overlap(GdkRectangle{a.left, a.top, a.width, a.height}, GdkRectangle{b.left, b.top, b.width, b.height});
}
std::string Text(const GdkRectangle& r) {
    std::ostringstream out;
    out << r.x << "," << r.y << " " << r.width << "x" << r.height;
    return out.str();
}

// Runs GTK's loop until the form's visible controls are laid out (allocated), or 30 s.
void LaidOut(const Form& form) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    auto done = [&] {
        if (!gtk_widget_get_mapped(Widget(form))) return false;
        for (const Control* c : form.Children())
            if (c->Visible() && !gtk_widget_get_mapped(Widget(*c))) return false;
        return true;
    };
    while (!done()) {
        ASSERT_LT(Clock::now(), deadline) << "waited 30 s for " << form.Path() << " to be laid out";
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(2000);
    }
    // Sizes settle in the frames after the first mapping.
    for (const auto settled = Clock::now() + std::chrono::milliseconds(300); Clock::now() < settled;) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(2000);
    }
}

// Each visible control inside its bounds and the form's area, and over no other.
void ExpectAtItsGeometry(const Form& form, const char* state) {
    SCOPED_TRACE(form.Path() + " " + state);
    LaidOut(form);
    GtkWidget* area = gtk_bin_get_child(GTK_BIN(Widget(form)));
    GtkAllocation areaBox;
    gtk_widget_get_allocation(area, &areaBox);
    GtkAllocation window;
    gtk_widget_get_allocation(Widget(form), &window);
    EXPECT_LE(areaBox.width, window.width) << "the form's area is wider than its window";
    std::vector<std::pair<const Control*, GdkRectangle>> shown;
    for (const Control* c : form.Children()) {
        if (!c->Visible()) continue;
        GtkAllocation a;
        gtk_widget_get_allocation(Widget(*c), &a);
        const Rect b = c->Bounds();
        EXPECT_TRUE(a.x >= b.left && a.y >= b.top && a.x + a.width <= b.left + b.width && a.y + a.height <= b.top + b.height)
            << c->Path() << " at " << Text(a) << " outside its bounds " << Text({b.left, b.top, b.width, b.height});
        EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= window.width && a.y + a.height <= window.height)
            << c->Path() << " at " << Text(a) << " outside the form's " << window.width << "x" << window.height;
        shown.push_back({c, a});
    }
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            // A label may lie under the controls its form puts on it; nothing else overlaps.
            const bool labelUnder = (shown[i].first->Kind() == ControlKind::Label ||
                                     shown[j].first->Kind() == ControlKind::Label) &&
                                    Overlap(shown[i].first->Bounds(), shown[j].first->Bounds());
            if (!labelUnder) {
                EXPECT_FALSE(Overlap(shown[i].second, shown[j].second))
                    << shown[i].first->Path() << " at " << Text(shown[i].second) << " lies over "
                    << shown[j].first->Path() << " at " << Text(shown[j].second);
            }
        }
}

class FormGeometryTest : public ::testing::Test {
protected:
    const bool displayed = lnx::OpenVirtualDisplay();
    lnx::GtkUi ui;
    Application app{ui};
    Form main{app, "MainForm"};
    void SetUp() override { ASSERT_TRUE(displayed); }
};

TEST_F(FormGeometryTest, TheInstallerDialogInEachState) {
    TStartingForm dialog{app};
    dialog.FormCreate();
    struct Run {
        TStartingForm* dialog;
        int step = 0;
    } run{&dialog};
    // Each state is shown modally, as the transfer shows it, and checked from its loop.
    const guint source = g_timeout_add(50, +[](gpointer data) -> gboolean {
        auto* r = static_cast<Run*>(data);
        if (!gtk_widget_get_mapped(Widget(*r->dialog))) return G_SOURCE_CONTINUE;
        switch (r->step++) {
            case 0: ExpectAtItsGeometry(*r->dialog, "question"); r->dialog->SetModalResult(mb::IdYes); break;
            case 1: ExpectAtItsGeometry(*r->dialog, "folder"); r->dialog->PathBtnClick(); break;
            case 2: ExpectAtItsGeometry(*r->dialog, "folder with the tree"); r->dialog->SetModalResult(mb::IdOk); break;
            case 3: ExpectAtItsGeometry(*r->dialog, "notice"); r->dialog->SetModalResult(mb::IdOk); break;
        }
        return G_SOURCE_CONTINUE;
    }, &run);
    dialog.EnterQuestionState(Ru("Перенести файлы программы на жесткий диск?"));
    dialog.ShowModal();
    dialog.EnterFolderState("/tmp/Velvinor");
    dialog.ShowModal();
    dialog.EnterNoticeState(Ru("Программа установлена."));
    dialog.ShowModal();
    g_source_remove(source);
    EXPECT_EQ(run.step, 4);
}

TEST_F(FormGeometryTest, TheOtherForms) {
    NoMixer mixer;
    TSoundControlForm sound{app, mixer};
    sound.Show();
    ExpectAtItsGeometry(sound, "shown");
    sound.Hide();

    TRtfForm viewer{app};
    viewer.SetBounds({10, 10, 700, 500});
    viewer.Show();
    ExpectAtItsGeometry(viewer, "shown");
    viewer.Hide();

    main.SetBounds({0, 0, 640, 480});
    TMessageForm notice{app, main};
    notice.Show();
    ExpectAtItsGeometry(notice, "shown");
    notice.Hide();
}

TEST_F(FormGeometryTest, MessageBoxesKeepTheirPartsApart) {
    bool checked = false;
    auto check = [&] {
        for (GList* w = gtk_window_list_toplevels(), *l = w; l; l = l->next) {
            if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_mapped(GTK_WIDGET(l->data))) continue;
            GtkWidget* box = GTK_WIDGET(l->data);
            GtkAllocation outer;
            gtk_widget_get_allocation(box, &outer);
            std::vector<std::pair<GtkWidget*, GdkRectangle>> parts;
            std::function<void(GtkWidget*)> walk = [&](GtkWidget* widget) {
                if (!gtk_widget_get_visible(widget)) return;
                if (GTK_IS_LABEL(widget) || GTK_IS_BUTTON(widget) || GTK_IS_IMAGE(widget)) {
                    GdkRectangle r;
                    gtk_widget_get_allocation(widget, &r);
                    int x = 0, y = 0;
                    gtk_widget_translate_coordinates(widget, box, 0, 0, &x, &y);
                    parts.push_back({widget, {x, y, r.width, r.height}});
                    if (GTK_IS_BUTTON(widget)) return;
                }
                if (GTK_IS_CONTAINER(widget)) {
                    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
                    for (GList* c = children; c; c = c->next) walk(GTK_WIDGET(c->data));
                    g_list_free(children);
                }
            };
            walk(box);
            EXPECT_GE(parts.size(), 3u) << "the text and the two buttons";
            for (std::size_t i = 0; i < parts.size(); ++i) {
                const GdkRectangle& a = parts[i].second;
                EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= outer.width && a.y + a.height <= outer.height)
                    << G_OBJECT_TYPE_NAME(parts[i].first) << " at " << Text(a) << " outside the box " << Text(outer);
                for (std::size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_FALSE(Overlap(a, parts[j].second)) << Text(a) << " lies over " << Text(parts[j].second);
            }
            checked = true;
            gtk_dialog_response(GTK_DIALOG(box), mb::IdNo);
            g_list_free(w);
            return;
        }
    };
    struct Check {
        std::function<void()>* check;
    } data{nullptr};
    std::function<void()> step = check;
    data.check = &step;
    const guint source = g_timeout_add(300, +[](gpointer d) -> gboolean {
        (*static_cast<Check*>(d)->check)();
        return G_SOURCE_CONTINUE;
    }, &data);
    main.Show();
    EXPECT_EQ(ui.MessageBox(Ru("Документ «parents.rtf» слишком велик для просмотра в программе: 70000 Кб "
                               "(допустимо не более 65536 Кб)."),
                            Ru("Вельвинор"), mb::YesNo),
              mb::IdNo);
    g_source_remove(source);
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace vel
