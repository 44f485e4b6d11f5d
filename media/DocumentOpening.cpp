#include "media/DocumentOpening.h"

#include "media/RtfFrm.h"
#include "platform/Shell.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"

namespace vel {

namespace {
constexpr int kViewerWidth = 700;
constexpr int kViewerHeight = 500;
// The viewer's bound; the parents' documents are a few hundred kilobytes.
constexpr std::int64_t kLargestDocument = 4 * 1024 * 1024;
}  // namespace

void OpenDocument(Application& app, Shell& shell, FileSystem& files, WindowHandle owner, TRtfForm* viewer,
                  const std::string& movieFolder, const std::string& name) {
    const std::string path = movieFolder + name;
    if (AsciiLower(name).find(".rtf") == std::string::npos) {
        const std::intptr_t result =
            shell.Execute(owner, "open", path, "", "", showcmd::ShowNormal);
        if (result <= 32)
            app.MessageBox(Ru("Ошибка ") + IntToStr(result) + Ru(" вызова внешней программы"), app.Title(), mb::Ok);
        return;
    }
    // The viewer comes after the intro; a request while the intro's error box is open finds none.
    if (!viewer) return;
    // The rich-text view takes a document's whole text into the program's memory and
    // holds the window while it lays it out: a larger one would freeze or end the game.
    if (const auto size = files.FileSize(path); size && *size > kLargestDocument) {
        constexpr std::int64_t mb = 1024 * 1024;
        app.MessageBox(Ru("Документ «") + ExtractFileName(path) + Ru("» слишком большой для просмотра в программе: ") +
                           IntToStr((*size + mb - 1) / mb) + Ru(" Мб, а можно не больше ") +
                           IntToStr(kLargestDocument / mb) + Ru(" Мб."),
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
