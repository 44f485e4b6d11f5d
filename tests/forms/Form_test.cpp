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
    EXPECT_EQ(order, (std::vector<std::string>{"Edit1", "OKButton", "PathBtn", "ShellTreeView", "YesButton", "NoButton"}));
}

}  // namespace
}  // namespace vel
