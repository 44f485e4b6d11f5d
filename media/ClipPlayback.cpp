#include "host/MainFrm.h"
#include "install/Folders.h"
#include "media/MessageFrm.h"
#include "runtime/FileRead.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {

// Creates a folder with its missing parents; a drive or share root counts as there.
bool ForceDirectories(FileSystem& files, const std::string& path) {
    const std::string dir = ExcludeTrailingBackslash(path);
    if (dir.size() < 3 || files.DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
    return ForceDirectories(files, ExtractFilePath(dir)) && files.CreateDirectory(dir);
}

// x.mpg -> x_.mpg: only the first ".mpg" of the whole path, in that letter case.
std::string AlternativePath(std::string path) {
    std::size_t at = path.find(".mpg");
    if (at != std::string::npos) path.replace(at, 4, "_.mpg");
    return path;
}

bool TryOpen(TMediaPlayer& player, const std::string& fileName) {
    player.FileName = fileName;
    player.Wait = true;
    try {
        player.Open();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

void TMainForm::PlayClip(const std::string& clipName) {
    FileSystem& files = program.platform.files;
    const std::string swfFolder = ProgramFolder() + "SWF" + "\\";
    const std::string clipPath = swfFolder + clipName + ".mpg";

    // Only a hard disk plays in place; a disc or a network drive is too slow or gone later.
    std::string playPath = clipPath;
    if (files.GetDriveType(ExtractFileDrive(clipPath)) == DriveType::Fixed) {
        ClipIsCopy = false;
    } else {
        m_app.SetCursor(Cursor::HourGlass);
        try {
            RegistryAccess registry(program.platform.registry);
            const std::string copyFolder = DefaultProductFolder(ReadProgramFilesDir(registry));
            if (!files.DirectoryExists(copyFolder)) ForceDirectories(files, copyFolder);
            playPath = copyFolder + "\\" + clipName + ".mpg";
            files.CopyFile(clipPath, playPath, false);
            ClipIsCopy = true;
        } catch (...) {
            m_app.SetCursor(Cursor::Default);
            throw;
        }
        m_app.SetCursor(Cursor::Default);
    }

    if (!TryOpen(MediaPlayer, playPath)) {
        MediaPlayer.Close();
        if (!TryOpen(MediaPlayer, AlternativePath(playPath))) {
            // No device here can play it: the system's own player gets the file.
            TMessageForm& notice = *program.MessageForm;
            notice.Show();
            m_app.ProcessMessages();
            program.platform.process.Sleep(2000);
            const std::intptr_t result =
                program.platform.shell.Execute(Handle(), "open", playPath, "", "", showcmd::ShowNormal);
            if (result <= 32)
                m_app.MessageBox(Ru("Ошибка ") + IntToStr(result) + Ru(" вызова медиаплейера Windows") + "\r\n" +
                                     Ru("Для входа в игру закройте сообщение и нажмите пробел"),
                                 m_app.Title(), mb::Ok);
            program.platform.process.Sleep(5000);
            notice.Hide();
            return;
        }
    }

    // The backdrop takes the movie's place and size; the clip is drawn over it.
    Image1.SetPicture(ReadBitmapFile(files, swfFolder + "frame.bmp"));
    const int width = Flash1->Width(), height = Flash1->Height();
    const Size client = ClientSize();
    Image1.SetBounds({(client.width - width) / 2, (client.height - height) / 2, width, height});
    Image1.Show();
    Flash1->Hide();

    // A device that will not draw here still plays, wherever it puts the picture.
    try {
        MediaPlayer.SetDisplay(Handle());
    } catch (const std::exception&) {
    }
    try {
        MediaPlayer.SetDisplayRect({Image1.Left(), Image1.Top(), width, height});
    } catch (const std::exception&) {
    }

    // A refused play brings no notice: end the clip now, or the movie stays hidden.
    if (!MediaPlayer.Play()) MediaPlayerNotify(notify::Failure);
}

void TMainForm::MediaPlayerNotify(std::uint32_t) {
    try {
        MediaPlayer.Stop();
        const std::string played = MediaPlayer.FileName;
        MediaPlayer.Close();
        if (ClipIsCopy) program.platform.files.DeleteFile(played);
    } catch (const std::exception&) {
        // Nothing open any more: there is nothing left to release.
    }
    Flash1->Show();
    Image1.Hide();
}

}  // namespace vel
