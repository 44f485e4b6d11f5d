#include "media/DocumentOpening.h"

#include "media/RtfFrm.h"
#include "platform/Shell.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"

namespace vel {

namespace {
constexpr int kViewerWidth = 700;
constexpr int kViewerHeight = 500;
// The viewer's bound. The parents' documents are tens of kilobytes; under Wine the
// view lays out 512 Kb of dense rich text in 1 to 3 s, 1 Mb in 16 s or more.
constexpr std::int64_t kLargestDocument = 512 * 1024;

// Whole kilobytes below a megabyte, whole megabytes above, rounded up.
std::string SizeText(std::int64_t bytes) {
    constexpr std::int64_t kb = 1024, mb = 1024 * 1024;
    return bytes > mb ? IntToStr((bytes + mb - 1) / mb) + Ru(" Мб") : IntToStr((bytes + kb - 1) / kb) + Ru(" Кб");
}
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
    // The rich-text view takes a document's whole text into the program's memory and
    // holds the window while it lays it out: a larger one would freeze or end the game.
    if (const auto size = files.FileSize(path); size && *size > kLargestDocument) {
        app.MessageBox(Ru("Документ «") + ExtractFileName(path) + Ru("» слишком большой для просмотра в программе: ") +
                           SizeText(*size) + Ru(", а можно не больше ") + SizeText(kLargestDocument) + ".",
                       app.Title(), mb::Ok);
        return;
    }
    // Read first: a document that cannot be read leaves the viewer as it was.
    std::string content = ReadWholeFile(files, path);
    const Size screen = app.Screen();
    viewer->SetBounds({CentreOffset(screen.width, kViewerWidth), CentreOffset(screen.height, kViewerHeight),
                       kViewerWidth, kViewerHeight});
    viewer->SetText(Ru("Родителям"));
    viewer->RxRichEdit.SetContent(std::move(content), AsciiLower(ExtractFileExt(path)) != ".txt");
    viewer->Show();
    viewer->BringToFront();
}

}  // namespace vel
