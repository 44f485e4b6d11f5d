#pragma once
// Video clips the movie asks for: played inside the main window over the backdrop
// picture, in the movie's place; a clip no device here can play goes to the
// system's own player.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/Types.h"

namespace vel {

class Application;
class FileSystem;
class Form;
class Image;
class Process;
class Registry;
class Shell;
class TMediaPlayer;
class TMessageForm;

// The message when the system's player could not be started: `code` is the
// shell's. Windows names its own player; on Linux it is the desktop's.
std::string SystemPlayerFailure(int code);

// What the clip player needs of the movie control it stands in for.
struct MovieSurface {
    std::function<Size()> size;
    std::function<void()> hide;
    std::function<void()> show;
};

class ClipPlayer {
public:
    // `window` is the main window the clip plays in; `clipIsCopy` its flag for a
    // clip copied to the hard disk (deleted when it ends).
    ClipPlayer(Application& app, FileSystem& files, Shell& shell, Process& process, Registry& registry,
                TMediaPlayer& player, Image& backdrop, Form& window, bool& clipIsCopy, MovieSurface movie);
    ClipPlayer(const ClipPlayer&) = delete;
    ClipPlayer& operator=(const ClipPlayer&) = delete;

    // The notice shown while the system's player takes a clip over; none before
    // start-up creates it.
    TMessageForm* notice = nullptr;

    // "plaympg": the clip `clipName`.mpg of the movie's folder (with its final backslash).
    void Play(const std::string& movieFolder, const std::string& clipName);
    // The player's end notice: the movie comes back.
    void Ended();

private:
    // The phases of a request: a clip that is not on a hard disk is copied there
    // (the path to play: the copy's, or the clip's own where no copy may be written);
    // the clip or its alternative opens (the path opened), or the system's player
    // gets it (none); the backdrop takes the movie's place and the clip plays.
    std::string CopyToHardDisk(const std::string& clipPath, const std::string& fileName);
    std::optional<std::string> OpenOrFallBack(const std::string& playPath);
    void HandToSystemPlayer(const std::string& playPath);
    void PutOnScreen(const std::string& backdropPath);
    // A clip that was on screen is gone: the movie comes back.
    void TakeBackdropDown();
    // A file counts as a copy of the program's only when it wrote it in this run.
    bool WroteThisRun(const std::string& path) const;

    Application& m_app;
    FileSystem& m_files;
    Shell& m_shell;
    Process& m_process;
    Registry& m_registry;
    TMediaPlayer& m_player;
    Image& m_backdrop;
    Form& m_window;
    bool& m_clipIsCopy;
    MovieSurface m_movie;
    // The copies written in this run and not yet deleted, by the paths they were
    // written to: any other spelling of one is not taken for it.
    std::set<std::string> m_written;
};

}  // namespace vel
