#include "install/InstallRules.h"

#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel {

// ---- the start decision ----

StartDecision DecideStart(const StartFacts& f) {
    if (f.uninstallSwitch) return {f.appPathsKey ? StartPath::Uninstall : StartPath::Nothing};
    if (f.productKey) return {f.transferPending ? StartPath::Registration : StartPath::OrdinaryStart};
    return {f.hardDisk ? StartPath::Registration : StartPath::Transfer, f.osMajor >= 6};
}

// ---- the transfer ----

std::int64_t FreeMegabytes(std::int64_t bytes) { return bytes / 1024 / 1024; }

char DriveLetterOf(const std::string& folderField) {
    std::string drive = AsciiUpper(ExtractFileDrive(folderField));
    return drive.empty() ? ' ' : drive[0];
}

std::string FreeSpaceRoot(const std::string& folderField) {
    if (CurrentPathStyle() == PathStyle::Posix) return Trim(folderField);
    const char drive = DriveLetterOf(folderField);
    return drive == ' ' ? std::string() : std::string(1, drive) + ":\\";
}

std::string InstallationFolder(const std::string& path, int entryCount) {
    const std::string id = product::Identifier;
    const auto p = static_cast<std::int64_t>(Pos(id, path));
    const auto L = static_cast<std::int64_t>(path.size());
    const auto l = static_cast<std::int64_t>(id.size());
    if (entryCount > 2 || p == 0 || p <= L - l - 2) return path + id + PathDelimiter();
    return path;
}

// ---- the uninstallation ----

std::string UninstallConfirmation(const std::string& transferFolder, const std::string& productFolder,
                                  bool productFolderEmptied, bool transferFolderEmptied) {
    std::string text = Ru("Вы действительно хотите полностью удалить программу и все связанные с ней файлы?");
    const std::string oneFolder = Ru("\r\n(Будут удалены файлы из директории ");
    if (transferFolder.empty() || transferFolder == productFolder + PathDelimiter()) {
        if (productFolderEmptied) text += oneFolder + productFolder + ")";
    } else if (productFolderEmptied && transferFolderEmptied) {
        text += Ru("\r\n(Будут удалены файлы из директорий ") + productFolder + "\r\n" + Ru("и ") + transferFolder + ")";
    } else if (productFolderEmptied || transferFolderEmptied) {
        text += oneFolder + (productFolderEmptied ? productFolder : transferFolder) + ")";
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t end = text.find('\0');
    if (end == std::string::npos) end = text.size();
    std::size_t i = 0;
    while (i < end) {
        std::size_t start = i;
        while (i < end && text[i] != '\r' && text[i] != '\n') ++i;
        lines.push_back(text.substr(start, i - start));
        if (i < end && text[i] == '\r') ++i;
        if (i < end && text[i] == '\n') ++i;
    }
    return lines;
}

}  // namespace vel
