// Copies a folder's contents the way the transfer does (the Linux shell's folder
// copy): the program's side of measure-copy.sh, which times the whole process.

#include <cstdio>

#include "platform/linux/services/LinuxServices.h"
#include "runtime/Text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velvinor_copy_folder FOLDER TARGET\n");
        return 2;
    }
    auto shell = vel::lnx::CreateLinuxShell();
    const std::string folder = vel::Ru(argv[1]), target = vel::Ru(argv[2]);
    return shell->CopyFolderContents(0, folder, target) == vel::FolderCopy::Done ? 0 : 1;
}
