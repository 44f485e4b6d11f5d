#include <gtest/gtest.h>

#include "forms/Forms.h"
#include "install/StartingFrm.h"
#include "platform/sim/SimUi.h"

namespace vel {
namespace {

TEST(Form, TheCloseBoxHidesAFormAndEndsTheProgramOnlyForTheMainOne) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form main(app, "Main");
    Form other(app, "Other");
    main.Show();
    other.Show();

    other.UserClose();
    EXPECT_FALSE(other.Visible());
    EXPECT_FALSE(app.Terminated());

    main.UserClose();
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(app.Terminated());
}

TEST(Form, TheCloseBoxCancelsAModalShowingAndLeavesTheRestAsItIs) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form main(app, "Main");
    main.Show();
    int result = 0;
    ui.nextEvent = [&] {
        main.UserClose();
        return true;
    };
    result = main.ShowModal();
    EXPECT_EQ(result, mb::IdCancel);
    EXPECT_FALSE(app.Terminated());
}

TEST(Form, AShowHandlerThatHidesItsFormKeepsItHidden) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form main(app, "Main");
    Form form(app, "Form");
    int shows = 0;
    form.OnShow = [&] {
        ++shows;
        form.Hide();
    };
    form.Show();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(shows, 1);
    for (const auto& line : trace.Lines()) EXPECT_NE(line, "ui show Form");
}

TEST(Form, AControlWithoutAFontOfItsOwnTakesItsFormsElseTheSystems) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form form(app, "Form");
    Label plain(form, "Plain", {0, 0, 10, 10}, "a");
    Label own(form, "Own", {0, 0, 10, 10}, "b");
    own.SetFont({"MS Sans Serif", 16, true});
    EXPECT_EQ(plain.EffectiveFont(), Font{});  // the system's
    form.SetFont({"Lucida Sans Unicode", 11});
    EXPECT_EQ(plain.EffectiveFont(), (Font{"Lucida Sans Unicode", 11}));
    EXPECT_EQ(own.EffectiveFont(), (Font{"MS Sans Serif", 16, true}));
}

TEST(Form, TheInstallerDialogHasItsFontColourAndTabOrder) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    TStartingForm dialog(app);
    EXPECT_EQ(dialog.Color(), color::ButtonFace);
    for (Control* c : dialog.Children()) EXPECT_EQ(c->EffectiveFont(), (Font{"Lucida Sans Unicode", 11})) << c->Name();
    std::vector<std::string> order;
    for (Control* c : dialog.TabOrder()) order.push_back(c->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"FolderEdit", "OKButton", "PathBtn", "ShellTreeView", "YesButton", "NoButton"}));
}

// A timer bound to a form ticks only while the form is shown; its Enabled state is
// the program's alone.
TEST(Timer, BoundToAFormItTicksOnlyWhileTheFormIsShown) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form main(app, "Main");
    Form hidden(app, "Hidden");
    Timer timer(app, 100, true, &hidden);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };

    ui.Wait(350);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(ui.TimerRunning(timer.Id()));

    hidden.Show();
    ui.Wait(350);
    EXPECT_EQ(ticks, 3);
    hidden.Hide();
    ui.Wait(350);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(timer.Enabled());

    // Disabled while hidden, it stays off when the form shows.
    timer.SetEnabled(false);
    hidden.Show();
    ui.Wait(350);
    EXPECT_EQ(ticks, 3);
    timer.SetEnabled(true);
    ui.Wait(250);
    EXPECT_EQ(ticks, 5);
}

// An unbound timer ticks whether its form is shown or not (the main window's state
// feedback runs while the window is hidden behind the intro).
TEST(Timer, UnboundItTicksWhileEveryFormIsHidden) {
    sim::Trace trace;
    sim::SimUi ui(trace);
    Application app(ui);
    Form main(app, "Main");
    Timer timer(app, 50, true);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    ui.Wait(200);
    EXPECT_EQ(ticks, 4);
}

}  // namespace
}  // namespace vel
