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
// What the rich-text views survive, measured with tests/wine/measure_viewer.sh
// (Wine 8, the Rich Edit control; figures of the 64-bit build):
// - Groups nested 33 deep crash the control, whatever the document's size (its
//   reader keeps a fixed stack of states and overruns it); 32 hold.
constexpr std::size_t kDeepestNesting = 32;
// - Text costs the control up to 342 bytes of memory a byte (long plain paragraphs;
//   the parents' guide 110, a change of format at every letter 190, short
//   paragraphs 314): 3 Mb of it take a gigabyte, half of what a 32-bit program has,
//   the movie player and the program sharing the rest.
constexpr std::int64_t kMostText = 3 * 1024 * 1024;
// - Pictures cost little beyond the file, which the program holds whole (a document
//   of one 32 Mb picture: 59 Mb in all); a file read in one piece must still find
//   that much free in a row in a 32-bit program's address space.
constexpr std::int64_t kLargestDocument = 64 * 1024 * 1024;

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
    if (const auto size = files.FileSize(path); size && *size > kLargestDocument) {
        app.MessageBox(shown + Ru("слишком велик для просмотра в программе: ") + KbText(*size) +
                           Ru(" (допустимо не более ") + KbText(kLargestDocument) + ").",
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
        if (weight.depth > kDeepestNesting) {
            refusal = Ru("устроен слишком сложно для просмотра в программе: вложенность оформления ") +
                      IntToStr(static_cast<std::int64_t>(weight.depth)) + Ru(" (допустимо не более ") +
                      IntToStr(static_cast<std::int64_t>(kDeepestNesting)) + ").";
        } else if (static_cast<std::int64_t>(weight.textBytes) > kMostText) {
            refusal = Ru("слишком велик для просмотра в программе: ") +
                      KbText(static_cast<std::int64_t>(weight.textBytes)) + Ru(" текста (допустимо не более ") +
                      KbText(kMostText) + ").";
        } else {
            viewer->RxRichEdit.SetContent(std::move(content), isRtf);
            viewer->Show();
            viewer->BringToFront();
        }
    }
    if (!refusal.empty()) app.MessageBox(shown + refusal, app.Title(), mb::Ok);
}

}  // namespace vel
