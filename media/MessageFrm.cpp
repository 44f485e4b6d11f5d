#include "media/MessageFrm.h"

#include <algorithm>
#include <cstdint>

#include "runtime/Text.h"

namespace vel {

TMessageForm::TMessageForm(Application& app, const Form& mainWindow)
    : Form(app, "MessageForm"),
      CannotPlayLabel(*this, "CannotPlayLabel", {24, 8, 785, 16},
             Ru("К сожалению, настройки Вашего компьютера не позволяют просмотреть Зримознание")),
      SystemPlayerLabel(*this, "SystemPlayerLabel", {64, 32, 745, 16}, Ru("в программе. Файл будет запущен в Вашем стандартном проигрывалеле")),
      m_mainWindow(mainWindow) {
    SetBorder(BorderStyle::None);
    SetColor(color::ButtonFace);
    SetClientSize({809, 67});
    for (Label* label : {&CannotPlayLabel, &SystemPlayerLabel}) label->SetFont({"MS Sans Serif", 16, true});
}

void TMessageForm::SetVisible(bool visible) {
    if (visible && !Visible()) {
        const Rect main = m_mainWindow.Bounds();
        // A window at the far edge of the coordinates keeps the notice at that edge.
        auto over = [](int origin, int offset) {
            return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{origin} + offset, INT32_MIN, INT32_MAX));
        };
        SetBounds({over(main.left, CentreOffset(main.width, Width())), over(main.top, CentreOffset(main.height, Height())),
                   Width(), Height()});
    }
    Form::SetVisible(visible);
}

}  // namespace vel
