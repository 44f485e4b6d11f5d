#include "media/ClipPlayback.h"

#include "forms/Forms.h"
#include "media/MediaPlayer.h"
#include "media/MessageFrm.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "runtime/Errors.h"
#include "runtime/FileRead.h"
#include "runtime/Folders.h"
#include "runtime/InstallRecord.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

namespace {

// x.mpg -> x_.mpg: only the first ".mpg" of the whole path, in that letter case.
std::string AlternativePath(std::string path) {
    std::size_t at = path.find(".mpg");
    if (at != std::string::npos) path.replace(at, 4, "_.mpg");
    return path;
}

// The default arrow however the copy is left: not the cursor from before it.
struct ArrowOnExit {
    Application& app;
    ~ArrowOnExit() { app.SetCursor(Cursor::Default); }
};

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

std::string SystemPlayerFailure(int code) {
    const char* player = CurrentPathStyle() == PathStyle::Posix ? " вызова стандартного проигрывателя"
                                                                 : " вызова медиаплейера Windows";
    return Ru("Ошибка ") + IntToStr(code) + Ru(player) + "\r\n" + Ru("Для входа в игру закройте сообщение и нажмите пробел");
}

ClipPlayer::ClipPlayer(Application& app, FileSystem& files, Shell& shell, Process& process, Registry& registry,
                         TMediaPlayer& player, Image& backdrop, Form& window, bool& clipIsCopy, MovieSurface movie)
    : m_app(app),
      m_files(files),
      m_shell(shell),
      m_process(process),
      m_registry(registry),
      m_player(player),
      m_backdrop(backdrop),
      m_window(window),
      m_clipIsCopy(clipIsCopy),
      m_movie(std::move(movie)) {}

void ClipPlayer::Play(const std::string& movieFolder, const std::string& clipName) {
    const std::string clipPath = movieFolder + clipName + ".mpg";
    // Only a hard disk plays in place; a disc or a network drive is too slow or gone later.
    const bool inPlace = m_files.GetDriveType(ExtractFileDrive(clipPath)) == DriveType::Fixed;
    const std::string playPath = inPlace ? clipPath : CopyToHardDisk(clipPath, clipName + ".mpg");
    m_clipIsCopy = WroteThisRun(playPath);
    const std::optional<std::string> opened = OpenOrFallBack(playPath);
    if (!opened) return;
    // The alternative beside a copy is not the program's to delete.
    m_clipIsCopy = WroteThisRun(*opened);
    PutOnScreen(movieFolder + "frame.bmp");
}

std::string ClipPlayer::CopyToHardDisk(const std::string& clipPath, const std::string& fileName) {
    // A name that is no plain path below the copy folder (".." in it, a drive, a
    // device) would put the copy somewhere else: the clip plays from where it is.
    if (!ProducedRelativePath(fileName)) return clipPath;
    m_app.SetCursor(Cursor::HourGlass);
    ArrowOnExit arrow{m_app};
    RegistryAccess registry(m_registry);
    const std::string copyFolder = DefaultProductFolder(ReadProgramFilesDir(registry));
    std::vector<std::string> created;
    for (const std::string& folder : FolderChain(copyFolder))
        if (!m_files.DirectoryExists(folder)) created.push_back(folder);
    if (!m_files.DirectoryExists(copyFolder)) ForceDirectories(m_files, copyFolder);
    const std::string copyPath = copyFolder + PathDelimiter() + fileName;
    // A file there that the program did not make (the game installed in this folder,
    // anything of the user's) is neither replaced nor taken for the copy. One the
    // clip record lists is an earlier run's copy: replaced, and deleted at the end.
    std::string record;
    bool listed = false;
    try {
        record = ReadClipRecordText(registry);
        listed = RecordLists(record, copyFolder, fileName);
    } catch (const Error&) {
    }
    const bool ours = listed || WroteThisRun(copyPath);
    if (!ours && m_files.FileExists(copyPath)) return clipPath;
    // Recorded before the copy: a copy left behind is the uninstallation's to
    // delete. A registry that refuses (a limited user) does not stop the clip.
    try {
        if (listed) SettleClipRecord(registry);
        else WriteClipRecordText(registry, WithClipCopy(record, copyFolder, created, fileName));
    } catch (const Error&) {
    }
    if (m_files.CopyFile(clipPath, copyPath, !ours)) m_written.insert(copyPath);
    return copyPath;
}

std::optional<std::string> ClipPlayer::OpenOrFallBack(const std::string& playPath) {
    if (TryOpen(m_player, playPath)) return playPath;
    m_player.Close();
    const std::string alternative = AlternativePath(playPath);
    if (TryOpen(m_player, alternative)) return alternative;
    // Opening closed the clip that played before, and its notice will not come:
    // the movie is back in its place.
    TakeBackdropDown();
    HandToSystemPlayer(playPath);
    return std::nullopt;
}

void ClipPlayer::HandToSystemPlayer(const std::string& playPath) {
    if (notice) notice->Show();
    m_app.ProcessMessages();
    m_process.Sleep(2000);
    const ShellStart opened = m_shell.OpenFile(m_window.Handle(), playPath);
    if (!opened.started)
        m_app.MessageBox(SystemPlayerFailure(opened.errorCode), m_app.Title(), mb::Ok);
    m_process.Sleep(5000);
    if (notice) notice->Hide();
}

void ClipPlayer::PutOnScreen(const std::string& backdropPath) {
    // The backdrop takes the movie's place and size; the clip is drawn over it.
    try {
        m_backdrop.SetPicture(ReadBitmapFile(m_files, backdropPath));
    } catch (...) {
        TakeBackdropDown();
        throw;
    }
    const Size movie = m_movie.size();
    const int width = movie.width, height = movie.height;
    const Size client = m_window.ClientSize();
    m_backdrop.SetBounds({CentreOffset(client.width, width), CentreOffset(client.height, height), width, height});
    m_backdrop.Show();
    m_movie.hide();

    // A device that will not draw here still plays, wherever it puts the picture.
    try {
        m_player.SetDisplay(m_window.Handle());
    } catch (const std::exception&) {
    }
    try {
        m_player.SetDisplayRect({m_backdrop.Left(), m_backdrop.Top(), width, height});
    } catch (const std::exception&) {
    }

    // A refused play brings no notice: end the clip now, or the movie stays hidden.
    if (!m_player.Play()) Ended();
}

void ClipPlayer::Ended() {
    try {
        m_player.Stop();
        const std::string played = m_player.FileName;
        m_player.Close();
        if (m_clipIsCopy && WroteThisRun(played) && m_files.DeleteFile(played)) m_written.erase(played);
    } catch (const std::exception&) {
        // Nothing open any more: there is nothing left to release.
    }
    m_movie.show();
    m_backdrop.Hide();
}

bool ClipPlayer::WroteThisRun(const std::string& path) const { return m_written.count(path) != 0; }

void ClipPlayer::TakeBackdropDown() {
    // Only a clip on screen hid the movie (the intro keeps it hidden on its own).
    if (!m_backdrop.Visible()) return;
    m_movie.show();
    m_backdrop.Hide();
}

}  // namespace vel
