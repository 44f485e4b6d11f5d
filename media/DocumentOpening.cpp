#include "host/MainFrm.h"
#include "media/RtfFrm.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {
constexpr int kViewerWidth = 700;
constexpr int kViewerHeight = 500;
}  // namespace

void TMainForm::OpenDocument(const std::string& name) {
    const std::string path = ProgramFolder() + "SWF" + "\\" + name;
    if (AsciiLower(name).find(".rtf") == std::string::npos) {
        const std::intptr_t result =
            program.platform.shell.Execute(Handle(), "open", path, "", "", showcmd::ShowNormal);
        if (result <= 32)
            m_app.MessageBox(Ru("Ошибка ") + IntToStr(result) + Ru(" вызова внешней программы"), m_app.Title(), mb::Ok);
        return;
    }
    // The viewer comes after the intro; a request while the intro's error box is open finds none.
    if (!program.RtfForm) return;
    TRtfForm& viewer = *program.RtfForm;
    // Read first: a document that cannot be read leaves the viewer as it was.
    std::string content = ReadWholeFile(program.platform.files, path);
    const Size screen = m_app.Screen();
    viewer.SetBounds({(screen.width - kViewerWidth) / 2, (screen.height - kViewerHeight) / 2, kViewerWidth,
                      kViewerHeight});
    viewer.SetText(Ru("Родителям"));
    viewer.RxRichEdit.SetContent(std::move(content), AsciiLower(ExtractFileExt(path)) != ".txt");
    viewer.Show();
    viewer.BringToFront();
}

}  // namespace vel
