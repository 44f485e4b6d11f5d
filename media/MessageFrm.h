#pragma once
// TMessageForm: the notice shown while a clip is handed to the system's player.

#include "forms/Forms.h"

namespace vel {

class Program;

class TMessageForm final : public Form {
public:
    explicit TMessageForm(Program& program);
    Label Label1;
    Label Label2;

    // Centred over the main window before it shows.
    void SetVisible(bool visible) override;

private:
    Program& m_program;
};

}  // namespace vel
