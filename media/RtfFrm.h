#pragma once
// TRtfForm: the document viewer, a resizable tool window with a read-only
// rich-text view on a pale yellow background.

#include "forms/Forms.h"

namespace vel {

class TRtfForm final : public Form {
public:
    explicit TRtfForm(Application& app);
    RichEdit RxRichEdit;

    // The view fills the client area whatever the window's size.
    void SetBounds(Rect bounds) override;
};

}  // namespace vel
