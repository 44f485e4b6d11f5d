#include "media/DocumentOpening.h"

#include "media/RtfFrm.h"
#include "platform/Shell.h"
#include "runtime/FileRead.h"
#include "runtime/RtfText.h"
#include "runtime/Text.h"

namespace vel {

namespace {
constexpr int kViewerWidth = 700;
constexpr int kViewerHeight = 500;

std::string KbText(std::int64_t bytes) { return IntToStr((bytes + 1023) / 1024) + Ru(" Кб"); }

// The cursor the movie chose comes back once the document is loaded or refused.
struct CursorBack {
    Application& app;
    Cursor before;
    ~CursorBack() { app.SetCursor(before); }
};
}  // namespace

void OpenDocument(Application& app, Shell& shell, FileSystem& files, WindowHandle owner, TRtfForm* viewer,
                  const std::string& movieFolder, const std::string& name) {
    const std::string path = movieFolder + name;
    if (AsciiLower(name).find(".rtf") == std::string::npos) {
        const ShellStart opened = shell.OpenFile(owner, path);
        if (!opened.started)
            app.MessageBox(Ru("Ошибка ") + IntToStr(opened.errorCode) + Ru(" вызова внешней программы"), app.Title(),
                           mb::Ok);
        return;
    }
    // The viewer comes after the intro; a request while the intro's error box is open finds none.
    if (!viewer) return;
    const Size screen = app.Screen();
    viewer->SetBounds({CentreOffset(screen.width, kViewerWidth), CentreOffset(screen.height, kViewerHeight),
                       kViewerWidth, kViewerHeight});
    viewer->SetText(Ru("Родителям"));
    // A document refused or unreadable leaves the view's content as it was.
    const std::string shown = Ru("Документ «") + ExtractFileName(path) + Ru("» ");
    // The view's own limits: beyond them it crashes, or takes so long that the game
    // stops answering.
    const DocumentViewLimits limits = app.Backend().DocumentLimits();
    if (const auto size = files.FileSize(path); size && *size > limits.largestDocument) {
        app.MessageBox(shown + Ru("слишком велик для просмотра в программе: ") + KbText(*size) +
                           Ru(" (допустимо не более ") + KbText(limits.largestDocument) + ").",
                       app.Title(), mb::Ok);
        return;
    }
    const bool isRtf = AsciiLower(ExtractFileExt(path)) != ".txt";
    std::string refusal;
    {
        // Reading and laying out a large document takes a while.
        CursorBack back{app, app.CurrentCursor()};
        app.SetCursor(Cursor::HourGlass);
        std::string content = ReadWholeFile(files, path);
        const RtfWeight weight = isRtf ? WeighRtf(content) : RtfWeight{0, content.size()};
        if (weight.depth > limits.deepestNesting) {
            refusal = Ru("устроен слишком сложно для просмотра в программе: вложенность оформления ") +
                      IntToStr(static_cast<std::int64_t>(weight.depth)) + Ru(" (допустимо не более ") +
                      IntToStr(static_cast<std::int64_t>(limits.deepestNesting)) + ").";
        } else if (static_cast<std::int64_t>(weight.textBytes) > limits.mostText) {
            refusal = Ru("слишком велик для просмотра в программе: ") +
                      KbText(static_cast<std::int64_t>(weight.textBytes)) + Ru(" текста (допустимо не более ") +
                      KbText(limits.mostText) + ").";
        } else {
            viewer->RxRichEdit.SetContent(std::move(content), isRtf);
            viewer->Show();
            viewer->BringToFront();
        }
    }
    if (!refusal.empty()) app.MessageBox(shown + refusal, app.Title(), mb::Ok);
}

}  // namespace vel
