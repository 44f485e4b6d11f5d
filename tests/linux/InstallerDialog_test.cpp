// The installer dialog in GTK on a virtual display of the test's own, driven through
// the X server as a user drives it: Tab order, Enter, Esc and the folder tree.

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "forms/Forms.h"
#include "install/StartingFrm.h"
#include "platform/linux/GtkUi.h"
#include "runtime/Text.h"
#include "services/LinuxTestSupport.h"

// Last: Xlib's macros would clash with the names above.
#include <gdk/gdkx.h>

namespace vel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class InstallerDialogTest : public ::testing::Test {
protected:
    // Runs `steps` one after the other while the dialog is shown modally: each is
    // tried every 20 ms until it returns true. Returns the modal result.
    int ShowModalWith(std::vector<std::function<bool()>> steps) {
        struct Run {
            std::vector<std::function<bool()>> steps;
            std::size_t at = 0;
            Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
            TStartingForm* dialog;
        } run{std::move(steps), 0, Clock::now() + std::chrono::seconds(20), &dialog};
        const guint source = g_timeout_add(20, +[](gpointer data) -> gboolean {
            auto* r = static_cast<Run*>(data);
            if (r->deadline != Clock::time_point::max() && Clock::now() > r->deadline) {
                ADD_FAILURE() << "step " << r->at << " of " << r->steps.size() << " did not come about";
                r->dialog->SetModalResult(-1);
                r->deadline = Clock::time_point::max();
            }
            while (r->at < r->steps.size() && r->steps[r->at]()) ++r->at;
            return G_SOURCE_CONTINUE;  // until the dialog closes, or the deadline
        }, &run);
        const int result = dialog.ShowModal();
        g_source_remove(source);
        EXPECT_EQ(run.at, run.steps.size()) << "steps left when the dialog closed";
        return result;
    }

    GtkWidget* Widget(const Control& c) const { return reinterpret_cast<GtkWidget*>(c.Handle()); }
    GtkWindow* Window() const { return GTK_WINDOW(Widget(dialog)); }
    // The control that has the keyboard (or one of whose widgets has it).
    bool HasFocus(const Control& c) const {
        GtkWidget* focus = gtk_window_get_focus(Window());
        return focus && gtk_widget_has_focus(focus) && (focus == Widget(c) || gtk_widget_is_ancestor(focus, Widget(c)));
    }
    // A key pressed and released on the dialog through the X server (xdotool's XTest),
    // the pointer over the dialog as a user's hand would leave it.
    std::function<bool()> Key(const std::string& keys) {
        return [this, keys] {
            GdkWindow* w = gtk_widget_get_window(Widget(dialog));
            if (!w || !gdk_window_is_viewable(w)) return false;
            const std::string xid = std::to_string(gdk_x11_window_get_xid(w));
            EXPECT_EQ(std::system(("xdotool mousemove --window " + xid + " 5 5 key --clearmodifiers " + keys).c_str()), 0);
            return true;
        };
    }
    // A click of the left button at a point of a window.
    static void Click(GdkWindow* w, int x, int y) {
        const std::string xid = std::to_string(gdk_x11_window_get_xid(w));
        EXPECT_EQ(std::system(("xdotool mousemove --window " + xid + " " + std::to_string(x) + " " + std::to_string(y) +
                               " click 1").c_str()),
                  0);
    }
    std::function<bool()> FocusOn(const Control& c) {
        return [this, &c] { return HasFocus(c); };
    }

    const bool displayed = lnx::OpenVirtualDisplay();
    lnx::GtkUi ui;
    Application app{ui};
    Form main{app, "MainForm"};
    TStartingForm dialog{app};
};

TEST_F(InstallerDialogTest, EnterAnswersWithTheFirstButtonAndEscCloses) {
    dialog.EnterQuestionState(Ru("Перенести файлы программы на жесткий диск?"));
    EXPECT_EQ(ShowModalWith({FocusOn(dialog.YesButton), Key("Return")}), mb::IdYes);

    dialog.EnterQuestionState(Ru("Перенести файлы программы на жесткий диск?"));
    EXPECT_EQ(ShowModalWith({FocusOn(dialog.YesButton), Key("Tab"), FocusOn(dialog.NoButton),
                             Key("KP_Enter")}),
              mb::IdNo);

    dialog.EnterFolderState("/tmp/Velvinor");
    EXPECT_EQ(ShowModalWith({FocusOn(dialog.FolderEdit), Key("Escape")}), mb::IdCancel);

    // From the folder field, which no button's own Enter reaches: the first button.
    dialog.EnterFolderState("/tmp/Velvinor");
    EXPECT_EQ(ShowModalWith({FocusOn(dialog.FolderEdit), Key("Return")}), mb::IdOk);

    dialog.EnterNoticeState(Ru("Установка не завершена"));
    EXPECT_EQ(ShowModalWith({FocusOn(dialog.OKButton), Key("Return")}), mb::IdOk);
}

TEST_F(InstallerDialogTest, TabGoesThroughTheFolderStateInItsOrderAndTheTreeFillsTheField) {
    const char* home = g_get_home_dir();
    ASSERT_TRUE(home && fs::is_directory(home));
    dialog.EnterFolderState("/tmp/Velvinor");
    GtkTreeView* tree = nullptr;
    const int result = ShowModalWith({
        FocusOn(dialog.FolderEdit),
        Key("Tab"), FocusOn(dialog.OKButton),
        Key("Tab"), FocusOn(dialog.PathBtn),
        // Enter presses the focused button: the tree opens below and the window grows.
        Key("Return"), [&] { return dialog.ShellTreeView.Visible() && dialog.ClientSize().height == 414; },
        Key("Tab"), FocusOn(dialog.ShellTreeView),
        // Shift+Tab goes back; the hidden Yes and No are passed over.
        Key("shift+Tab"), FocusOn(dialog.PathBtn),
        Key("Tab"), Key("Tab"), FocusOn(dialog.FolderEdit),
        // Typing empties the field and disables the continue button; Tab then skips it.
        Key("ctrl+a"), Key("BackSpace"),
        [&] { return dialog.FolderEdit.Text().empty() && !dialog.OKButton.Enabled(); },
        Key("Tab"), FocusOn(dialog.PathBtn),
        // A click on the home folder's row puts its path in the field.
        [&] {
            tree = GTK_TREE_VIEW(gtk_bin_get_child(GTK_BIN(Widget(dialog.ShellTreeView))));
            GdkRectangle cell;
            GtkTreePath* first = gtk_tree_path_new_first();
            gtk_tree_view_get_cell_area(tree, first, nullptr, &cell);
            gtk_tree_path_free(first);
            if (cell.height <= 0) return false;
            Click(gtk_tree_view_get_bin_window(tree), cell.x + 40, cell.y + cell.height / 2);
            return true;
        },
        [&] { return dialog.FolderEdit.Text() == home && dialog.OKButton.Enabled(); },
        Key("Escape"),
    });
    EXPECT_EQ(result, mb::IdCancel);
    EXPECT_EQ(dialog.FolderEdit.Text(), home);
}

}  // namespace
}  // namespace vel
