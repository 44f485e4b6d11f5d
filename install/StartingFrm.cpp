#include "install/StartingFrm.h"

#include <algorithm>

#include "runtime/Text.h"

namespace vel {

TStartingForm::TStartingForm(Application& app)
    : Form(app, "StartingForm"),
      InstallPicture(*this, "InstallPicture", {0, 0, 611, 157}),
      MessageLabel(*this, "MessageLabel", {8, 160, 593, 65}),
      FolderEdit(*this, "FolderEdit", {8, 184, 481, 23}),
      PathBtn(*this, "PathBtn", {496, 184, 25, 25}, Ru("…")),
      OKButton(*this, "OKButton", {528, 184, 75, 25}, Ru("Продолжить"), mb::IdOk),
      YesButton(*this, "YesButton", {448, 184, 75, 25}, Ru("Да"), mb::IdYes),
      NoButton(*this, "NoButton", {528, 184, 75, 25}, Ru("Нет"), mb::IdNo),
      ShellTreeView(*this, "ShellTreeView", {8, 216, 598, 193}) {
    SetTopMost(true);
    SetClientSize({611, 415});
    SetTabOrder({&FolderEdit, &OKButton, &PathBtn, &ShellTreeView, &YesButton, &NoButton});
    SetFont({"Lucida Sans Unicode", 11});  // 8 points
    FolderEdit.Hide();
    PathBtn.Hide();
    ShellTreeView.Hide();
    // Centred on the desktop each time it is shown, at its height of the moment.
    OnShow = [this] {
        Size screen = m_app.Screen();
        SetBounds({CentreOffset(screen.width, Width()), CentreOffset(screen.height, Height()), Width(), Height()});
    };
    PathBtn.OnClick = [this](Control&) { PathBtnClick(); };
    ShellTreeView.OnClick = [this](Control&) { ShellTreeViewClick(); };
    FolderEdit.OnChange = [this](Edit&) { FolderEditChange(); };
    FormCreate();
}

void TStartingForm::FormCreate() { SetText(Ru("Установка программы \"Вельвинор\"")); }

void TStartingForm::PathBtnClick() {
    SetClientHeight(ShellTreeView.Top() + ShellTreeView.Height() + 5);
    ShellTreeView.Show();
}

void TStartingForm::ShellTreeViewClick() { FolderEdit.SetText(ShellTreeView.SelectedPath()); }

void TStartingForm::FolderEditChange() { OKButton.SetEnabled(!Trim(FolderEdit.Text()).empty()); }

void TStartingForm::ShowOnly(std::initializer_list<Control*> controls) {
    for (Control* c : {static_cast<Control*>(&FolderEdit), static_cast<Control*>(&PathBtn),
                       static_cast<Control*>(&OKButton), static_cast<Control*>(&YesButton),
                       static_cast<Control*>(&NoButton), static_cast<Control*>(&ShellTreeView)})
        c->SetVisible(std::find(controls.begin(), controls.end(), c) != controls.end());
}

void TStartingForm::EnterQuestionState(const std::string& question) {
    MessageLabel.SetText(question);
    ShowOnly({&YesButton, &NoButton});
    SetClientHeight(OkBottom() + 20);
}

void TStartingForm::EnterFolderState(const std::string& folder) {
    MessageLabel.SetText(Ru("Файлы программы будут записываться в директорию:"));
    FolderEdit.SetText(folder);
    ShowOnly({&FolderEdit, &PathBtn, &OKButton});
    SetClientHeight(OkBottom() + 20);
}

void TStartingForm::EnterSpaceState(const std::string& notice) { MessageLabel.SetText(notice); }

void TStartingForm::EnterNoticeState(const std::string& message) {
    MessageLabel.SetText(message);
    OKButton.SetText(Ru("Выход"));
    // The way out stays usable whatever the folder field held.
    OKButton.SetEnabled(true);
    ShowOnly({&OKButton});
    SetClientHeight(LabelBottom() + 20);
}

void TStartingForm::EnterCopyingState() {
    MessageLabel.SetText(Ru("Копирование файлов..."));
    ShowOnly({});
    SetClientHeight(LabelBottom() + 20);
}

}  // namespace vel
