#include <gtest/gtest.h>

#include "forms/Forms.h"
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

}  // namespace
}  // namespace vel
