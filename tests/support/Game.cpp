#include "support/Game.h"

#include "host/MainFrm.h"
#include "media/IntroFrm.h"

namespace vel::test {

void Game::Start(Mixer* mixer) {
    Platform s = m.platform();
    p = std::make_unique<Program>(Platform{s.ui, s.registry, s.files, s.shell, s.process, s.media,
                                           mixer ? *mixer : s.mixer, s.dde, s.movie, s.printer, s.clock});
    ASSERT_TRUE(p->Start());
}

void Game::Run(bool skipIntro) {
    Start();
    p->Run();
    if (skipIntro) Key(*p->IntroForm, 27);
}

bool Game::MovieShown() { return Main().Flash1->Visible(); }
bool Game::BackdropShown() { return Main().BackdropImage.Visible(); }

}  // namespace vel::test
