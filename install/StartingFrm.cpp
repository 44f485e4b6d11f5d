#include "install/StartingFrm.h"

#include <algorithm>

#include "runtime/Text.h"

namespace vel {

TStartingForm::TStartingForm(Application& app)
    : Form(app, "StartingForm"),
      Image1(*this, "Image1", {0, 0, 611, 157}),
      Label1(*this, "Label1", {8, 160, 593, 65}),
      Edit1(*this, "Edit1", {8, 184, 481, 23}),
      PathBtn(*this, "PathBtn", {496, 184, 25, 25}, Ru("…")),
      OKButton(*this, "OKButton", {528, 184, 75, 25}, Ru("Продолжить"), mb::IdOk),
      YesButton(*this, "YesButton", {448, 184, 75, 25}, Ru("Да"), mb::IdYes),
      NoButton(*this, "NoButton", {528, 184, 75, 25}, Ru("Нет"), mb::IdNo),
      ShellTreeView(*this, "ShellTreeView", {8, 216, 598, 193}) {
    SetTopMost(true);
    SetClientSize({611, 415});
    SetTabOrder({&Edit1, &OKButton, &PathBtn, &ShellTreeView, &YesButton, &NoButton});
    SetFont({"Lucida Sans Unicode", 11});  // 8 points
    Edit1.Hide();
    PathBtn.Hide();
    ShellTreeView.Hide();
    // Centred on the desktop each time it is shown, at its height of the moment.
    OnShow = [this] {
        Size screen = m_app.Screen();
        SetBounds({CentreOffset(screen.width, Width()), CentreOffset(screen.height, Height()), Width(), Height()});
    };
    PathBtn.OnClick = [this](Control&) { PathBtnClick(); };
    ShellTreeView.OnClick = [this](Control&) { ShellTreeViewClick(); };
    Edit1.OnChange = [this](Edit&) { Edit1Change(); };
    FormCreate();
}

void TStartingForm::FormCreate() { SetText(Ru("Установка программы \"Вельвинор\"")); }

void TStartingForm::PathBtnClick() {
    SetClientHeight(ShellTreeView.Top() + ShellTreeView.Height() + 5);
    ShellTreeView.Show();
}

void TStartingForm::ShellTreeViewClick() { Edit1.SetText(ShellTreeView.SelectedPath()); }

void TStartingForm::Edit1Change() { OKButton.SetEnabled(!Trim(Edit1.Text()).empty()); }

void TStartingForm::ShowOnly(std::initializer_list<Control*> controls) {
    for (Control* c : {static_cast<Control*>(&Edit1), static_cast<Control*>(&PathBtn), static_cast<Control*>(&OKButton),
                       static_cast<Control*>(&YesButton), static_cast<Control*>(&NoButton),
                       static_cast<Control*>(&ShellTreeView)})
        c->SetVisible(std::find(controls.begin(), controls.end(), c) != controls.end());
}

void TStartingForm::EnterQuestionState(const std::string& question) {
    Label1.SetText(question);
    ShowOnly({&YesButton, &NoButton});
    SetClientHeight(OkBottom() + 20);
}

void TStartingForm::EnterFolderState(const std::string& folder) {
    Label1.SetText(Ru("Файлы программы будут записываться в директорию:"));
    Edit1.SetText(folder);
    ShowOnly({&Edit1, &PathBtn, &OKButton});
    SetClientHeight(OkBottom() + 20);
}

void TStartingForm::EnterSpaceState(const std::string& notice) { Label1.SetText(notice); }

void TStartingForm::EnterNoticeState(const std::string& message) {
    Label1.SetText(message);
    OKButton.SetText(Ru("Выход"));
    // The way out stays usable whatever the folder field held.
    OKButton.SetEnabled(true);
    ShowOnly({&OKButton});
    SetClientHeight(LabelBottom() + 20);
}

void TStartingForm::EnterCopyingState() {
    Label1.SetText(Ru("Копирование файлов..."));
    ShowOnly({});
    SetClientHeight(LabelBottom() + 20);
}

}  // namespace vel
