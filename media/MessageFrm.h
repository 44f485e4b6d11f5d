#pragma once
// TMessageForm: the notice shown while a clip is handed to the system's player.

#include "forms/Forms.h"

namespace vel {

class TMessageForm final : public Form {
public:
    // Shown centred over `mainWindow`.
    TMessageForm(Application& app, const Form& mainWindow);
    Label CannotPlayLabel;
    Label SystemPlayerLabel;

    // Centred over the main window before it shows.
    void SetVisible(bool visible) override;

private:
    const Form& m_mainWindow;
};

}  // namespace vel
