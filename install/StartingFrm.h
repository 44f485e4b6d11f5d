#pragma once
// TStartingForm: the installer dialog. The transfer puts it through its states and
// shows it; its own handlers only resize it, fill the folder field from the folder
// tree and enable the continue button.

#include <string>

#include "forms/Forms.h"

namespace vel {

class TStartingForm final : public Form {
public:
    explicit TStartingForm(Application& app);

    Image InstallPicture;
    Label MessageLabel;
    Edit FolderEdit;
    Button PathBtn;
    Button OKButton;
    Button YesButton;
    Button NoButton;
    FolderTree ShellTreeView;

    void FormCreate();
    void PathBtnClick();
    void ShellTreeViewClick();
    void FolderEditChange();

    // The states the transfer shows it in.
    void EnterQuestionState(const std::string& question);
    void EnterFolderState(const std::string& folder);
    void EnterSpaceState(const std::string& notice);
    void EnterNoticeState(const std::string& message);
    void EnterCopyingState();

private:
    void ShowOnly(std::initializer_list<Control*> controls);
    int OkBottom() const { return OKButton.Top() + OKButton.Height(); }
    int LabelBottom() const { return MessageLabel.Top() + MessageLabel.Height(); }
};

}  // namespace vel
