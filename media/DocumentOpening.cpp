#include "media/DocumentOpening.h"

#include "media/RtfFrm.h"
#include "platform/Shell.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"

namespace vel {

namespace {
constexpr int kViewerWidth = 700;
constexpr int kViewerHeight = 500;
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
