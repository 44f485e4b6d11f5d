#include "media/RtfFrm.h"

#include <algorithm>

namespace vel {

TRtfForm::TRtfForm(Application& app)
    : Form(app, "RtfForm"), RxRichEdit(*this, "RxRichEdit", {0, 0, 1080, 724}) {
    SetBorder(BorderStyle::SizeToolWin);
    SetColor(color::ButtonFace);
    SetBounds({330, 114, 0, 0});
    SetClientSize({1080, 724});
    RxRichEdit.SetFont({"MS Sans Serif", 11});
    RxRichEdit.SetReadOnly(true);
    RxRichEdit.SetBackColor(12318969);
}

void TRtfForm::SetBounds(Rect bounds) {
    Form::SetBounds(bounds);
    const Size client = ClientSize();
    RxRichEdit.SetBounds({0, 0, std::max(client.width, 0), std::max(client.height, 0)});
}

}  // namespace vel
